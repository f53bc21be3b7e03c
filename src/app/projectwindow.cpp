#include "app/projectwindow.h"
#include "plan/underlay.h"

#include "data/multirodstore.h"

#include "app/placementwindow.h"
#include "app/view3dwindow.h"
#include "app/plancanvas.h"
#include "app/projectdocument.h"
#include "app/projectcommands.h"
#include "app/projectpages.h"
#include "app/spherewindow.h"
#include "calc/numfmt.h"
#include "calc/protection.h"
#include "data/datamodule.h"
#include "data/prompter.h"
#include "exchange/projectfile.h"
#include "plan/drawingsettings.h"
#include "plan/spherearcs.h"
#include "plan/zonepictures.h"
#include "plan/zonesolids.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

QString general(double v) { return QString::fromStdString(formatGeneral(v)); }

QScrollArea *planPane(PlanCanvas *canvas, const QString &name)
{
    auto *pane = new QScrollArea;
    pane->setObjectName(name);
    pane->setWidget(canvas);
    pane->setWidgetResizable(false);
    pane->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pane->setBackgroundRole(QPalette::Base);
    QPalette pal = pane->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pane->setPalette(pal);
    return pane;
}

} // namespace

ProjectWindow::ProjectWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TVLST1Frm"));
    setWindowTitle(QStringLiteral("Korvan VL 2.1"));
    // A project file dropped anywhere on the window is opened.
    setAcceptDrops(true);

    m_topView = new PlanCanvas(ViewKind::Top);
    m_frontView = new PlanCanvas(ViewKind::Front);
    m_topPane = planPane(m_topView, QStringLiteral("ScrollBox1"));
    m_frontPane = planPane(m_frontView, QStringLiteral("ScrollBox2"));
    m_splitter = new QSplitter(Qt::Vertical);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->addWidget(m_topPane);
    m_splitter->addWidget(m_frontPane);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({320, 160});
    m_topPane->setToolTip(QString());

    m_pages = new ProjectPages;
    m_pages->setFixedWidth(255);
    // A click on a rod's row selects the rod, as a click on its marker does.
    connect(m_pages, &ProjectPages::rodClicked, this, [this](int i) {
        if (m_doc && m_doc->hasProject())
            guarded([&] { m_doc->selectConductor(i); });
    });

    auto *central = new QWidget;
    auto *box = new QHBoxLayout(central);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    box->addWidget(m_splitter, 1);
    box->addWidget(m_pages);
    setCentralWidget(central);

    buildMenus();
    buildToolBar();
    buildPopups();
    buildStatusBar();
    wireOwnCommands();

    connect(m_topView, &PlanCanvas::shapePressed, this, &ProjectWindow::onShapePressed);
    connect(m_topView, &PlanCanvas::shapeDropped, this, &ProjectWindow::onShapeDropped);
    connect(m_topView, &PlanCanvas::pointerMoved, this, &ProjectWindow::onTopPointer);
    connect(m_frontView, &PlanCanvas::pointerMoved, this, &ProjectWindow::onFrontPointer);
    for (PlanCanvas *c : {m_topView, m_frontView})
        connect(c, &PlanCanvas::hintChanged, this, [this](const QString &h) { m_panels[3]->setText(h); });
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { scheduleRefresh(true); });

    // The selected shape blinks every half second.
    m_blink = new QTimer(this);
    m_blink->setObjectName(QStringLiteral("Timer1"));
    m_blink->setInterval(500);
    connect(m_blink, &QTimer::timeout, this, [this] { m_topView->setHatched(!m_topView->isHatched()); });
    m_blink->start();

    // Client area of the design size at least; the program shows the window maximised.
    resize(1024, 700);
    setMinimumSize(787, 516);
    UpdateCommands();
    UpdateMoveButtons();
}

ProjectWindow::~ProjectWindow()
{
    if (qApp)
        qApp->removeEventFilter(this);
    dropDocumentWindows();
}

void ProjectWindow::dropDocumentWindows()
{
    // The kept placement windows work on the document: they go before it does.
    qDeleteAll(findChildren<PlacementWindow *>(Qt::FindDirectChildrenOnly));
    qDeleteAll(findChildren<View3DWindow *>(Qt::FindDirectChildrenOnly));
    qDeleteAll(findChildren<SphereWindow *>(Qt::FindDirectChildrenOnly));
    m_sphere = {};
}

SphereWindow *ProjectWindow::sphereWindow() const
{
    return findChild<SphereWindow *>(QString(), Qt::FindDirectChildrenOnly);
}

void ProjectWindow::showSphereWindow()
{
    // Made once per document and kept, so that its level and arcs choice last.
    SphereWindow *w = sphereWindow();
    if (!w) {
        w = new SphereWindow(*m_doc, m_dm->prompter(), this);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(w, &SphereWindow::overlayChanged, this, [this, w] {
            m_sphere = w->overlay();
            if (auto *view = findChild<View3DWindow *>(QString(), Qt::FindDirectChildrenOnly))
                view->setSphere(m_sphere);
            scheduleRefresh(true);
        });
    }
    w->show();
    w->raise();
    w->activateWindow();
}

void ProjectWindow::drawSphereOverlay(ViewKind view, QImage &image)
{
    // The arcs over the front view's zones and the marks of the exposed objects on the plan (on
    // one part of the view, drawn as the window shows it).
    if (!m_sphere.shown || !m_doc->hasProject() || image.isNull())
        return;
    const ProjectSnapshot &snap = m_doc->snapshot();
    if (view == ViewKind::Front && m_sphere.arcs)
        DrawSphereArcs(image, m_model, SphereElevationTops(snap, m_sphere.suffix), m_sphere.R);
    if (view == ViewKind::Top)
        DrawExposedMarks(image, m_model, m_sphere.exposedShapes);
}

void ProjectWindow::UpdateMoveButtons()
{
    const MoveEnabling e = m_doc ? m_doc->moveEnabling() : MoveEnabling{};
    const bool on[] = {e.left, e.leftUp, e.up, e.rightUp, e.right, e.rightDown, e.down, e.leftDown};
    for (int i = 0; i < m_moveButtons.size(); ++i)
        m_moveButtons[i]->setEnabled(on[i]);
}

void ProjectWindow::moveBy(int dx, int dy)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const double s = m_doc->gridStep();
    guarded([&] { m_doc->moveSelected(dx * s, dy * s); });
    UpdateMoveButtons();
}

bool ProjectWindow::keyMove(int key)
{
    if (!m_doc || !m_doc->hasProject() || m_doc->selection().kind == Selection::None)
        return false;
    const SettingsRec st = m_doc->settings();
    if (!st.UseKlav.value_or(false))
        return false;
    const MoveEnabling e = m_doc->moveEnabling();
    switch (key) {
    case Qt::Key_Left:
        if (e.left)
            moveBy(-1, 0);
        return true;
    case Qt::Key_Up:
        if (e.up)
            moveBy(0, -1);
        return true;
    case Qt::Key_Right:
        moveBy(1, 0);
        return true;
    case Qt::Key_Down:
        moveBy(0, 1);
        return true;
    default:
        return false;
    }
}

// --- Start-up and closing ------------------------------------------------------------------

void ProjectWindow::attach(DataModule *dm)
{
    dropDocumentWindows();
    m_dm = dm;
    m_doc = std::make_unique<ProjectDocument>(*dm);
    ProjectDocument *doc = m_doc.get();

    QAction *undo = doc->undoStack()->createUndoAction(this, QStringLiteral("Отменить"));
    undo->setObjectName(QStringLiteral("mnUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = doc->undoStack()->createRedoAction(this, QStringLiteral("Повторить"));
    redo->setObjectName(QStringLiteral("mnRedo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    m_editMenu->addAction(undo);
    m_editMenu->addAction(redo);
    addAction(undo);
    addAction(redo);

    const auto views = [this] { scheduleRefresh(true); };
    const auto state = [this] { scheduleRefresh(false); };
    connect(doc, &ProjectDocument::projectLoaded, this, [this] {
        m_objectKod = -1;
        m_conductorPos = 0;
        scheduleRefresh(true);
    });
    connect(doc, &ProjectDocument::projectClosed, this, views);
    connect(doc, &ProjectDocument::projectChanged, this, views);
    connect(doc, &ProjectDocument::conductorMoved, this, views);
    connect(doc, &ProjectDocument::conductorsChanged, this, views);
    connect(doc, &ProjectDocument::objectAdded, this, views);
    connect(doc, &ProjectDocument::objectChanged, this, views);
    connect(doc, &ProjectDocument::objectRemoved, this, views);
    connect(doc, &ProjectDocument::zonesRecomputed, this, views);
    connect(doc, &ProjectDocument::settingsChanged, this, views);
    connect(doc, &ProjectDocument::underlayChanged, this, [this] {
        setProperty("underlayKod", QVariant()); // loaded again by the refresh
        scheduleRefresh(true);
    });
    connect(doc, &ProjectDocument::selectionChanged, this, state);
    connect(doc, &ProjectDocument::autoPodborChanged, this, [this](bool on) {
        const QSignalBlocker block(m_autoPodbor);
        m_autoPodbor->setChecked(on);
    });
    connect(doc->undoStack(), &QUndoStack::indexChanged, this, state);

    // Keyboard moving sees the arrow keys before any control of the window.
    qApp->installEventFilter(this);

    // Activation: "Автоподбор" starts unticked; the last project (or the empty state); the
    // conductor marker selected.
    guarded([&] {
        doc->setAutoPodbor(false);
        doc->openLastProject();
        doc->selectConductor(0);
    });
    m_autoPodbor->setChecked(doc->autoPodbor());
    refreshNow();
}

namespace {
// The first local project file among the dropped files; empty when there is none.
QString droppedProjectFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile()
            && url.toLocalFile().endsWith(QString::fromLatin1(kProjectFileSuffix),
                                          Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}
} // namespace

bool ProjectWindow::openProjectFile(const QString &path)
{
    if (!m_doc)
        return false;
    const bool ok = cmdOpenProjectFileAt(*m_doc, path);
    UpdateCommands();
    return ok;
}

void ProjectWindow::dragEnterEvent(QDragEnterEvent *e)
{
    if (m_doc && !droppedProjectFile(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void ProjectWindow::dropEvent(QDropEvent *e)
{
    const QString path = droppedProjectFile(e->mimeData());
    if (path.isEmpty())
        return;
    e->acceptProposedAction();
    // Opened after the drop has finished, so that a message box does not hold the drag source.
    QTimer::singleShot(0, this, [this, path] { openProjectFile(path); });
}

void ProjectWindow::closeEvent(QCloseEvent *e)
{
    // The current project is reopened at the next start.
    if (m_doc)
        guarded([&] { m_doc->storeLastProject(); });
    e->accept();
}

// --- Showing the document ------------------------------------------------------------------

void ProjectWindow::scheduleRefresh(bool views)
{
    m_stateDirty = true;
    m_viewsDirty = m_viewsDirty || views;
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] { refreshNow(); });
}

void ProjectWindow::refreshNow()
{
    m_refreshQueued = false;
    if (!m_doc)
        return;
    const bool views = m_viewsDirty;
    m_viewsDirty = m_stateDirty = false;
    guarded([&] {
        if (views)
            rebuildViews();
        showState();
    });
}

void ProjectWindow::redrawViews()
{
    m_viewsDirty = true;
    refreshNow();
}

namespace {

// How far the zones of the suffix's values reach along the plan's x and y, in metres (0 without
// zones).
QPointF zoneReach(const ProjectSnapshot &snap, const std::optional<std::string> &suffix,
                  const SettingsRec &calc)
{
    QPointF far;
    if (!suffix)
        return far;
    for (const ZoneSolid &z : buildZoneSolids(snap, *suffix, &calc))
        for (const Point3 &p : z.mesh.vertices)
            far = QPointF(std::max(far.x(), p.x), std::max(far.y(), p.y));
    return far;
}

} // namespace

QSize ProjectWindow::contentSize() const
{
    // The top image covers the visible area and every shape; the front image is as wide.
    int ws = 0, hs = 0;
    for (const std::string &n : m_model.topOrder()) {
        const PlanShape *s = m_model.shape(n);
        if (s && s->visible) {
            ws = std::max(ws, s->rect.right() + 20);
            hs = std::max(hs, s->rect.bottom() + 20);
        }
    }
    for (const std::string &n : m_model.frontOrder()) {
        const PlanShape *s = m_model.shape(n);
        if (s && s->visible)
            ws = std::max(ws, s->rect.right() + 20);
    }
    // The zones shown may reach past every shape: they are scrolled to like the shapes.
    if (m_doc && m_doc->hasProject()) {
        const QPointF far =
            zoneReach(m_doc->snapshot(), m_doc->zoneSuffix(), m_model.settings().calc);
        ws = std::max(ws, m_model.scale().px(far.x()) + 20);
        hs = std::max(hs, m_model.scale().px(far.y()) + 20);
    }
    // So does the underlay shown: a site plan set before its objects can be scrolled over whole
    // (within a bound that keeps a drawing in wrongly stated units from an absurd view).
    if (const UnderlayPicture *u = m_model.underlay(); u && !u->extent.isEmpty()) {
        const double k = static_cast<double>(kPixelsPerCm) * 100 / m_model.scale().n();
        const auto edge = [k](double metres) {
            return static_cast<int>(std::clamp(std::ceil(metres * k), 0.0, 4.0e6)) + 20;
        };
        ws = std::max(ws, edge(u->extent.right()));
        hs = std::max(hs, edge(u->extent.bottom()));
    }
    // The visible area as it will be, not as it is: without scroll bars when the shapes fit, less
    // a bar's width where the other direction needs one (so a plan that fits shows no bars).
    const QSize room(std::max(m_topPane->maximumViewportSize().width(),
                              m_frontPane->maximumViewportSize().width()),
                     m_topPane->maximumViewportSize().height());
    const int bar = m_topPane->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_topPane);
    bool across = ws > room.width();
    bool down = hs > room.height();
    across = across || (down && ws > room.width() - bar);
    down = down || (across && hs > room.height() - bar);
    // No cap: the views are drawn in tiles, only where they are seen.
    return {std::max(ws, room.width() - (down ? bar : 0)),
            std::max(hs, room.height() - (across ? bar : 0))};
}

namespace {

// Loads the current project's underlay into the top view when another project is shown or the
// window's "underlayKod" property was reset (after the underlay dialog or the toggle), and sets
// the tool-bar toggle.
void syncUnderlay(QWidget *window, PlanViewModel &model, ProjectDocument &doc)
{
    const int kod = doc.hasProject() ? doc.projectKod() : -1;
    const QVariant held = window->property("underlayKod");
    if (held.isValid() && held.toInt() == kod)
        return;
    window->setProperty("underlayKod", kod);
    std::shared_ptr<const UnderlayPicture> picture;
    bool has = false, shown = false;
    QString problem;
    if (kod >= 0) {
        const QString dir = QString::fromStdString(doc.dataModule().dataDir());
        const UnderlaySettings s = loadUnderlaySettings(dir, kod);
        has = s.kind != UnderlayKind::None;
        shown = s.shown;
        if (has && shown) {
            try {
                picture = loadUnderlayPicture(dir, kod, s);
            } catch (const UnderlayError &e) {
                problem = QString::fromStdString(e.what());
            }
        }
    }
    model.setUnderlay(std::move(picture));
    if (auto *toggle = window->findChild<QAction *>(QStringLiteral("btnUnderlay"))) {
        const QSignalBlocker block(toggle);
        toggle->setEnabled(has);
        toggle->setChecked(has && shown);
        // An underlay that cannot be drawn says why where the designer looks for it.
        const QString tip = QStringLiteral("Показать или скрыть подложку");
        toggle->setToolTip(problem.isEmpty() ? tip : tip + QLatin1Char('\n') + problem);
        toggle->setStatusTip(toggle->toolTip());
    }
    if (!problem.isEmpty()) {
        window->setStatusTip(problem);
        if (auto *hint = window->findChild<QLabel *>(QStringLiteral("panel4")))
            hint->setText(problem);
    }
}

} // namespace

void ProjectWindow::rebuildViews()
{
    // The plan points at the middle of the panes, in metres (the front view's heights from its
    // ground line), before the views change.
    const int kod = m_doc->hasProject() ? m_doc->projectKod() : -1;
    const int oldN = m_model.scale().n();
    const int oldGround = m_model.groundLine();
    auto middle = [](QScrollArea *pane) {
        return QPoint(pane->horizontalScrollBar()->value() + pane->viewport()->width() / 2,
                      pane->verticalScrollBar()->value() + pane->viewport()->height() / 2);
    };
    const double perPx = oldN / (kPixelsPerCm * 100.0);
    const QPointF topMiddle = QPointF(middle(m_topPane)) * perPx;
    const QPoint frontPx = middle(m_frontPane);
    const QPointF frontMiddle(frontPx.x() * perPx, (oldGround - frontPx.y()) * perPx);

    m_model.LoadDrawingSettings(LoadDrawingSettings(m_doc->settings()));
    m_spinScale->setSingleStep(std::max(1, m_model.settings().scaleShag));
    const ProjectSnapshot &snap = m_doc->snapshot();
    if (m_doc->hasProject()) {
        setWindowTitle(QString::fromStdString(snap.project.Name.value_or("")));
        m_model.ShowProjectShapes(snap);
        const QSignalBlocker block(m_spinScale);
        m_spinScale->setValue(m_model.scale().n());
    } else {
        setWindowTitle(QStringLiteral("Korvan VL 2.1"));
        m_model.ShowEmptyPlan(m_frontPane->viewport()->height() - PlanCanvas::kGroundBar);
    }
    syncUnderlay(this, m_model, *m_doc);
    const QSize topSize = contentSize();
    // Each view draws its tiles as they come into sight, from the document as it is then (a
    // change refreshes the views and drops every tile).
    auto scene = [this, topSize](ViewKind view) {
        return [this, topSize, view](const QRect &part) {
            const std::optional<std::string> &suffix = m_doc->zoneSuffix();
            const bool zones = m_doc->hasProject() && suffix;
            QImage image = DrawViewPart(view, part, topSize, m_model, m_doc->snapshot(),
                                        zones ? &*suffix : nullptr);
            drawSphereOverlay(view, image);
            return image;
        };
    };
    m_topView->setContent(topSize, scene(ViewKind::Top), &m_model);
    m_frontView->setContent(QSize(topSize.width(), m_model.frontImageHeight()),
                            scene(ViewKind::Front), &m_model);
    const PlanScale &sc = m_model.scale();
    if (kod >= 0 && kod == m_shownKod && m_shownScale > 0 && sc.n() != m_shownScale) {
        // Another scale of the same plan: the middle of each pane shows what it showed.
        auto centre = [](QScrollArea *pane, QPoint at) {
            pane->horizontalScrollBar()->setValue(at.x() - pane->viewport()->width() / 2);
            pane->verticalScrollBar()->setValue(at.y() - pane->viewport()->height() / 2);
        };
        centre(m_topPane, QPoint(sc.px(topMiddle.x()), sc.px(topMiddle.y())));
        centre(m_frontPane,
               QPoint(sc.px(frontMiddle.x()), m_model.groundLine() - sc.px(frontMiddle.y())));
    }
    m_shownScale = sc.n();
    m_shownKod = kod;
    showProtection();
}

void ProjectWindow::showProtection()
{
    // The objects the zones shown leave unprotected: red outlines on both plans and their count.
    std::set<std::string> top, front;
    const ProjectSnapshot &snap = m_doc->snapshot();
    std::vector<std::size_t> open;
    if (m_doc->hasProject() && m_doc->zoneSuffix())
        open = UnprotectedObjects(snap, m_doc->settings(), *m_doc->zoneSuffix());
    for (std::size_t i : open) {
        const std::string name = snap.objects[i].ShapeName.value_or("");
        if (name.empty())
            continue;
        top.insert(name);
        front.insert(name + "_1");
    }
    m_protection->setText(QStringLiteral("Не защищено объектов: %1").arg(open.size()));
    m_protection->setVisible(!open.empty());
    m_topView->setFlaggedShapes(std::move(top));
    m_frontView->setFlaggedShapes(std::move(front));
}

std::string ProjectWindow::selectedShapeName() const
{
    if (!m_doc || !m_doc->hasProject())
        return {};
    const Selection s = m_doc->selection();
    switch (s.kind) {
    case Selection::Conductor:
        return rodShapeName(s.position);
    case Selection::Object:
        if (const ObjectRec *o = m_doc->object(s.objectKod))
            return o->ShapeName.value_or("");
        return {};
    default:
        return {};
    }
}

void ProjectWindow::showState()
{
    const ProjectSnapshot &snap = m_doc->snapshot();
    const Selection sel = m_doc->selection();
    if (sel.kind == Selection::Object)
        m_objectKod = sel.objectKod;
    else if (sel.kind == Selection::Conductor)
        m_conductorPos = sel.position;
    if (!m_doc->hasProject()) {
        m_objectKod = -1;
        m_pages->showRows(nullptr, nullptr, nullptr, {});
    } else {
        const ObjectRec *obj = m_doc->object(m_objectKod);
        if (!obj && !snap.objects.empty()) {
            obj = &snap.objects.front();
            m_objectKod = obj->Kod.value_or(-1);
        }
        const ConductorRec *c = nullptr;
        if (!snap.conductors.empty())
            c = &snap.conductors[std::min<std::size_t>(
                static_cast<std::size_t>(std::max(0, m_conductorPos)), snap.conductors.size() - 1)];
        QString classText;
        if (obj && obj->Tip) {
            Table &cls = m_dm->table(TableId::Class);
            if (cls.isOpen())
                if (const auto row = cls.rowByKey(*obj->Tip); row && row->size() > 1)
                    classText = QString::fromStdString((*row)[1].toText());
        }
        m_pages->showRows(&snap.project, c, obj, classText);
    }
    if (m_doc->hasProject() && m_doc->isMultiRod())
        m_pages->showRods(snap.conductors, loadMultiRod(*m_dm), m_conductorPos);
    else
        m_pages->showRods({}, {}, 0);
    m_topView->setSelectedShape(selectedShapeName());
    UpdateCommands();
    UpdateMoveButtons();
}

// --- Plan events -----------------------------------------------------------------------------

void ProjectWindow::onShapePressed(const QString &name, Qt::MouseButton button, const QPoint &globalPos)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const std::string n = name.toStdString();
    const ShapeRecordRef ref = m_model.SelectShapeRecord(n, m_doc->snapshot());
    Selection sel;
    switch (ref.kind) {
    case ShapeRecordRef::FirstConductor:
        sel = {Selection::Conductor, 0, -1};
        break;
    case ShapeRecordRef::LastConductor:
        sel = {Selection::Conductor, 1, -1};
        break;
    case ShapeRecordRef::Rod:
        sel = {Selection::Conductor, ref.rodIndex, -1};
        break;
    case ShapeRecordRef::Object:
        sel = {Selection::Object, 0, m_doc->snapshot().objects[static_cast<size_t>(ref.objectIndex)].Kod.value_or(-1)};
        break;
    default:
        return;
    }
    guarded([&] { m_doc->select(sel); });
    refreshNow();
    if (button == Qt::LeftButton)
        return;
    // Any other button opens the shape's pop-up at the pointer.
    UpdateCommands();
    (sel.kind == Selection::Object ? m_popupObj : m_popupMO)->popup(globalPos);
}

void ProjectWindow::dropSelectedAt(QPoint topLeft)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const PlanScale &sc = m_model.scale();
    const int g = m_model.settings().halfMarker();
    // A marker stores its centre, an object its top-left corner.
    if (m_doc->selection().kind == Selection::Conductor)
        guarded([&] { m_doc->dropSelected(sc.m(topLeft.x() + g), sc.m(topLeft.y() + g)); });
    else
        guarded([&] { m_doc->dropSelected(sc.m(topLeft.x()), sc.m(topLeft.y())); });
}

void ProjectWindow::onShapeDropped(const QString &, const QPoint &topLeft, bool moved)
{
    if (!m_doc || !m_doc->hasProject())
        return;
    if (moved) {
        dropSelectedAt(topLeft);
    } else {
        // A click stores the position again, snapped to the grid; a position already on the grid
        // stays exactly as it is (no drift through pixel rounding).
        const Selection s = m_doc->selection();
        const ProjectSnapshot &sn = m_doc->snapshot();
        double x = 0, y = 0;
        if (s.kind == Selection::Object) {
            const ObjectRec *o = m_doc->object(s.objectKod);
            if (!o)
                return;
            x = o->MXa.value_or(0);
            y = o->MYa.value_or(0);
        } else if (!sn.conductors.empty()) {
            const ConductorRec &c = sn.conductors[std::min<std::size_t>(
                static_cast<std::size_t>(std::max(0, s.position)), sn.conductors.size() - 1)];
            x = c.MX.value_or(0);
            y = c.MY.value_or(0);
        }
        const double step = m_doc->gridStep();
        if (snap(x, step) != x || snap(y, step) != y)
            guarded([&] { m_doc->dropSelected(snap(x, step), snap(y, step)); });
    }
    UpdateCommands();
    UpdateMoveButtons();
}

void ProjectWindow::onTopPointer(const QPoint &p)
{
    const PlanScale &sc = m_model.scale();
    m_panels[0]->setText(QStringLiteral("X: ") + general(sc.m(p.x())));
    m_panels[1]->setText(QStringLiteral("Y: ") + general(sc.m(p.y())));
}

void ProjectWindow::onFrontPointer(const QPoint &p)
{
    const PlanScale &sc = m_model.scale();
    m_panels[0]->setText(QStringLiteral("X: ") + general(sc.m(p.x())));
    m_panels[2]->setText(QStringLiteral("Z: ") + general(sc.m(m_model.groundLine() - p.y())));
}

void ProjectWindow::onScaleChanged(int n)
{
    if (!m_doc || !m_doc->hasProject() || n < kMinScale)
        return;
    if (m_doc->snapshot().project.IScale == n)
        return;
    const int kod = m_doc->projectKod();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded([&] {
        m_doc->execute(QStringLiteral("изменение масштаба"), [this, kod, n] {
            Table &p = m_dm->project();
            if (!p.locate({{"Kod", Value(kod)}}))
                return;
            p.edit();
            p.setValue("IScale", Value(n));
            p.post();
        });
    });
    QApplication::restoreOverrideCursor();
    refreshNow();
}

void ProjectWindow::zoomAt(QScrollArea *pane, QPoint viewportPos, int steps)
{
    if (!m_doc || !m_doc->hasProject() || !m_spinScale->isEnabled() || steps == 0)
        return;
    const bool front = pane == m_frontPane;
    const int oldN = m_model.scale().n();
    // The plan point under the pointer, in metres (the front view counts heights up from its
    // ground line).
    const QPoint content = viewportPos + QPoint(pane->horizontalScrollBar()->value(),
                                                pane->verticalScrollBar()->value());
    const double perPx = oldN / (kPixelsPerCm * 100.0);
    const double x = content.x() * perPx;
    const double y = (front ? m_model.groundLine() - content.y() : content.y()) * perPx;
    // The spin is the authority: its step changes the scale as its buttons do (one undoable step).
    m_spinScale->stepBy(-steps);
    const PlanScale &sc = m_model.scale();
    if (sc.n() == oldN)
        return;
    const int cx = sc.px(x);
    const int cy = front ? m_model.groundLine() - sc.px(y) : sc.px(y);
    pane->horizontalScrollBar()->setValue(cx - viewportPos.x());
    pane->verticalScrollBar()->setValue(cy - viewportPos.y());
}

void ProjectWindow::fitView()
{
    if (!m_doc || !m_doc->hasProject())
        return;
    const ProjectSnapshot &snap = m_doc->snapshot();
    const int g = m_model.settings().halfMarker();
    // The far edges of the site in metres: the conductor, the objects and the zones shown; and
    // its tallest shape (the front view's height) in the pixels of the scale shown now.
    double markerX = 0, markerY = 0, siteX = 0, siteY = 0;
    for (const ConductorRec &c : snap.conductors) {
        markerX = std::max(markerX, c.MX.value_or(0));
        markerY = std::max(markerY, c.MY.value_or(0));
    }
    for (const ObjectRec &o : snap.objects) {
        siteX = std::max(siteX, o.MXa.value_or(0) + o.L.value_or(0));
        siteY = std::max(siteY, o.MYa.value_or(0) + o.S.value_or(0));
    }
    // The zones shown, else those the conductor has (a change of the scale clears the plans'
    // zones, so a second fit must not find a smaller site).
    std::optional<std::string> suffix = m_doc->zoneSuffix();
    if (!suffix)
        suffix = previewSuffix(snap);
    const QPointF far = zoneReach(snap, suffix, m_model.settings().calc);
    siteX = std::max(siteX, far.x());
    siteY = std::max(siteY, far.y());
    const double tallest =
        m_model.frontImageHeight() * m_model.scale().n() / (kPixelsPerCm * 100.0);
    // The content the site needs at a scale, with the margin the views keep.
    auto needed = [&](int n) {
        const PlanScale sc(n);
        return QSize(std::max(sc.px(markerX) + g, sc.px(siteX)) + 20,
                     std::max(sc.px(markerY) + g, sc.px(siteY)) + 20);
    };
    // The spin's values: its own value and every step from it, up and down, within its range.
    const int step = std::max(1, m_spinScale->singleStep());
    const int now = m_spinScale->value();
    std::vector<int> values{m_spinScale->minimum(), m_spinScale->maximum()};
    for (int v = now; v > m_spinScale->minimum(); v -= step)
        values.push_back(v);
    for (int v = now + step; v < m_spinScale->maximum(); v += step)
        values.push_back(v);
    std::sort(values.begin(), values.end());
    const QSize room = m_topPane->maximumViewportSize();
    const int frontRoom = m_frontPane->maximumViewportSize().height() - PlanCanvas::kGroundBar;
    int best = m_spinScale->maximum();
    for (int v : values) {
        const QSize need = needed(v);
        if (need.width() <= room.width() && need.height() <= room.height()
            && PlanScale(v).px(tallest) <= frontRoom) {
            best = v;
            break;
        }
    }
    m_spinScale->setValue(best);
    for (QScrollArea *pane : {m_topPane, m_frontPane}) {
        pane->horizontalScrollBar()->setValue(0);
        pane->verticalScrollBar()->setValue(0);
    }
}

bool ProjectWindow::planWheel(QObject *watched, QWheelEvent *e)
{
    if (!(e->modifiers() & Qt::ControlModifier))
        return false;
    QScrollArea *pane = nullptr;
    if (watched == m_topView || watched == m_topPane->viewport())
        pane = m_topPane;
    else if (watched == m_frontView || watched == m_frontPane->viewport())
        pane = m_frontPane;
    if (!pane)
        return false;
    // A notch is 120; finer wheels add up to whole steps.
    m_wheelRest += e->angleDelta().y();
    const int steps = m_wheelRest / 120;
    m_wheelRest -= steps * 120;
    const QPoint at =
        static_cast<QWidget *>(watched)->mapTo(pane->viewport(), e->position().toPoint());
    guarded([&] { zoomAt(pane, at, steps); });
    return true;
}

// --- Events ----------------------------------------------------------------------------------

void ProjectWindow::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    scheduleRefresh(true);
}

void ProjectWindow::contextMenuEvent(QContextMenuEvent *e)
{
    // Only a shape has a pop-up (it opens on the press and acts on that shape). Elsewhere, the
    // empty plan included, the object menu would act on whichever object happens to be current,
    // so nothing is offered there.
    e->accept();
}

bool ProjectWindow::event(QEvent *e)
{
    // The last status panel shows the hint of the control under the mouse.
    if (e->type() == QEvent::StatusTip) {
        m_panels[3]->setText(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool ProjectWindow::eventFilter(QObject *watched, QEvent *e)
{
    const QEvent::Type t = e->type();
    if (t == QEvent::Wheel && planWheel(watched, static_cast<QWheelEvent *>(e)))
        return true;
    if (t == QEvent::KeyPress && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        auto *ke = static_cast<QKeyEvent *>(e);
        if (w->window() == this && (ke->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
            && keyMove(ke->key()))
            return true;
    }
    if (watched == m_spinScale || watched->parent() == m_spinScale) {
        // The field's own editing keys (its undo among them) must not take the window's
        // shortcuts: Ctrl+Z undoes the last step wherever the focus is.
        if (t == QEvent::ShortcutOverride) {
            e->ignore();
            return true;
        }
        // Only the spin buttons change the scale: every typed key but Enter (and the focus keys)
        // and the wheel are swallowed.
        if (t == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Tab
                && key != Qt::Key_Backtab)
                return true;
        }
        if (t == QEvent::Wheel)
            return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace kv
