#include "app/view3dwindow.h"

#include "app/projectdocument.h"
#include "calc/protection.h"
#include "data/snapshot.h"
#include "data/prompter.h"
#include "plan/drawingsettings.h"
#include "plan/picturefile.h"
#include "plan/sphereenvelope.h"
#include "widgets/filefolders.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace kv {

namespace {

// Whether an OpenGL context can be made here (the offscreen platform of the tests has none; a
// virtual X display with Mesa's software rasteriser has one). KORVAN_SOFTWARE_3D=1 skips OpenGL.
bool openGLAvailable()
{
    static const bool available = [] {
        if (qEnvironmentVariableIntValue("KORVAN_SOFTWARE_3D") == 1)
            return false;
        QOpenGLContext ctx;
        if (!ctx.create())
            return false;
        QOffscreenSurface surface;
        surface.create();
        return surface.isValid() && ctx.makeCurrent(&surface);
    }();
    return available;
}

// The OpenGL surface: the canvas paints into it with QPainter's OpenGL engine; the mouse goes
// through to the canvas.
class GlSurface : public QOpenGLWidget {
public:
    explicit GlSurface(View3DCanvas *canvas) : QOpenGLWidget(canvas), m_canvas(canvas)
    {
        QSurfaceFormat f = format();
        f.setSamples(4);
        setFormat(f);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintGL() override
    {
        QPainter p(this);
        m_canvas->paintScene(p, size());
    }

private:
    View3DCanvas *m_canvas;
};

} // namespace

View3DCanvas::View3DCanvas(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("view3d"));
    setMinimumSize(320, 240);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    if (openGLAvailable()) {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_gl = new GlSurface(this);
        layout->addWidget(m_gl);
    }
}

void View3DCanvas::refresh()
{
    update();
    if (m_gl)
        m_gl->update();
}

void View3DCanvas::paintScene(QPainter &p, const QSize &size) const
{
    renderScene3D(p, size, m_scene, m_camera);
}

QImage View3DCanvas::picture() const { return renderScene3DImage(size(), m_scene, m_camera); }

void View3DCanvas::paintEvent(QPaintEvent *)
{
    if (m_gl)
        return;
    QPainter p(this);
    paintScene(p, size());
}

void View3DCanvas::mousePressEvent(QMouseEvent *e)
{
    m_last = e->position().toPoint();
    m_pan = e->button() == Qt::RightButton || e->button() == Qt::MiddleButton
            || (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier));
    m_orbit = !m_pan && e->button() == Qt::LeftButton;
    setCursor(Qt::ClosedHandCursor);
}

void View3DCanvas::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    const QPoint d = p - m_last;
    m_last = p;
    if (m_orbit)
        m_camera.orbit(d.x(), d.y());
    else if (m_pan)
        m_camera.pan(d.x(), d.y(), size());
    else
        return;
    refresh();
}

void View3DCanvas::mouseReleaseEvent(QMouseEvent *)
{
    m_orbit = m_pan = false;
    setCursor(Qt::OpenHandCursor);
}

void View3DCanvas::wheelEvent(QWheelEvent *e)
{
    m_camera.zoom(e->angleDelta().y() / 120.0);
    refresh();
}

// --- The window ----------------------------------------------------------------------------

View3DWindow::View3DWindow(ProjectDocument &doc, QWidget *parent)
    : QWidget(parent, Qt::Window), m_doc(doc)
{
    setObjectName(QStringLiteral("View3DWindow"));
    setWindowTitle(QStringLiteral("3D вид"));
    resize(960, 700);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &text, auto slot) {
        auto *b = new QPushButton(text, this);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    button(QStringLiteral("Сверху"), [this] { preset(Camera3D::Top); });
    button(QStringLiteral("Спереди"), [this] { preset(Camera3D::Front); });
    button(QStringLiteral("Изометрия"), [this] { preset(Camera3D::Isometric); });
    buttons->addSpacing(12);
    m_sphereBox = new QCheckBox(QStringLiteral("Огибающая сферы"), this);
    m_sphereBox->setChecked(true);
    m_sphereBox->setEnabled(false);
    m_sphereBox->setToolTip(QStringLiteral(
        "Нижняя граница, до которой опускается катящаяся сфера (пока открыта проверка методом "
        "катящейся сферы)"));
    connect(m_sphereBox, &QCheckBox::toggled, this, &View3DWindow::scheduleRebuild);
    buttons->addWidget(m_sphereBox);
    buttons->addStretch(1);
    button(QStringLiteral("Сохранить изображение..."), [this] { saveImage(); });
    layout->addLayout(buttons);
    m_canvas = new View3DCanvas(this);
    m_canvas->setToolTip(QStringLiteral(
        "Левая кнопка мыши - поворот, правая - сдвиг, колесо - масштаб"));
    layout->addWidget(m_canvas, 1);

    for (auto signal : {&ProjectDocument::projectChanged, &ProjectDocument::conductorsChanged,
                        &ProjectDocument::zonesRecomputed, &ProjectDocument::settingsChanged})
        connect(&doc, signal, this, &View3DWindow::scheduleRebuild);
    for (auto signal : {&ProjectDocument::projectLoaded, &ProjectDocument::projectClosed})
        connect(&doc, signal, this, [this] {
            m_fitted = false; // another project: look at it whole
            scheduleRebuild();
        });
    connect(&doc, &ProjectDocument::conductorMoved, this, &View3DWindow::scheduleRebuild);
    for (auto signal : {&ProjectDocument::objectAdded, &ProjectDocument::objectChanged,
                        &ProjectDocument::objectRemoved})
        connect(&doc, signal, this, &View3DWindow::scheduleRebuild);
    rebuild();
}

void View3DWindow::scheduleRebuild()
{
    if (m_queued)
        return;
    m_queued = true;
    QTimer::singleShot(0, this, [this] {
        if (m_queued)
            rebuild();
    });
}

void View3DWindow::rebuild()
{
    m_queued = false;
    ++m_builds;
    const ProjectSnapshot empty;
    const bool has = m_doc.hasProject();
    const ProjectSnapshot &snap = has ? m_doc.snapshot() : empty;
    const SettingsRec settings = m_doc.settings();
    const std::optional<std::string> suffix = has ? m_doc.zoneSuffix() : std::nullopt;
    std::vector<std::size_t> open;
    if (suffix)
        open = UnprotectedObjects(snap, settings, *suffix);
    const Mesh3 *envelope = nullptr;
    if (has && m_sphere.shown) {
        // The objects the sphere reaches are red as well.
        for (std::size_t i = 0; i < snap.objects.size(); ++i) {
            const std::string shape = snap.objects[i].ShapeName.value_or("");
            if (!shape.empty() &&
                std::find(m_sphere.exposedShapes.begin(), m_sphere.exposedShapes.end(), shape) !=
                    m_sphere.exposedShapes.end() &&
                std::find(open.begin(), open.end(), i) == open.end())
                open.push_back(i);
        }
        if (m_sphereBox->isChecked())
            envelope = sphereEnvelope(snap);
    }
    m_canvas->setScene(buildScene3D(snap, LoadDrawingSettings(settings), suffix, open, envelope));
    if (!m_fitted) {
        m_canvas->camera().setPreset(Camera3D::Isometric, m_canvas->scene(), m_canvas->size());
        m_fitted = true;
    }
    setWindowTitle(has ? QStringLiteral("3D вид - %1")
                             .arg(QString::fromStdString(snap.project.Name.value_or("")))
                       : QStringLiteral("3D вид"));
}

void View3DWindow::setSphere(const SphereOverlay &sphere)
{
    m_sphere = sphere;
    m_sphereBox->setEnabled(sphere.shown);
    scheduleRebuild();
}

const Mesh3 *View3DWindow::sphereEnvelope(const ProjectSnapshot &snap)
{
    SphereTerminations terms;
    try {
        terms = SphereTerminationsOf(snap, loadSagTable(m_doc.dataModule()),
                                     m_sphere.suffix == "1");
    } catch (const std::exception &) {
        return nullptr; // the sag table unreadable: the sphere window says so itself
    }
    auto same = [](const SphereTerminations &a, const SphereTerminations &b) {
        auto rod = [](const SphereRod &p, const SphereRod &q) {
            return p.x == q.x && p.y == q.y && p.h == q.h;
        };
        auto point = [](const SpherePoint &p, const SpherePoint &q) {
            return p.x == q.x && p.y == q.y && p.z == q.z;
        };
        auto cable = [&](const SphereCable &p, const SphereCable &q) {
            return point(p.a, q.a) && point(p.b, q.b) && p.sag == q.sag;
        };
        return std::equal(a.rods.begin(), a.rods.end(), b.rods.begin(), b.rods.end(), rod) &&
               std::equal(a.cables.begin(), a.cables.end(), b.cables.begin(), b.cables.end(),
                          cable);
    };
    if (!m_envelope.valid || m_envelope.R != m_sphere.R || !same(m_envelope.terms, terms)) {
        m_envelope.mesh = buildSphereEnvelope(terms, m_sphere.R).mesh;
        m_envelope.terms = std::move(terms);
        m_envelope.R = m_sphere.R;
        m_envelope.valid = true;
    }
    return &m_envelope.mesh;
}

void View3DWindow::preset(Camera3D::Preset p)
{
    m_canvas->camera().setPreset(p, m_canvas->scene(), m_canvas->size());
    m_canvas->refresh();
}

void View3DWindow::saveImage()
{
    QString path = chooseSaveFile(this, FileKind::Picture, QStringLiteral("Сохранить изображение"),
                                  QCoreApplication::applicationDirPath() + QStringLiteral("/3d.png"),
                                  QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    QString error;
    if (!savePicture(m_canvas->picture(), path, PictureFormat::Png, &error))
        m_doc.prompter().error(error.toStdString());
}

} // namespace kv
