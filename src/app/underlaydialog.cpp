#include "app/underlaydialog.h"

#include "calc/numfmt.h"
#include "widgets/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

PointPicker::PointPicker(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pointPicker"));
    setMinimumSize(360, 260);
}

void PointPicker::setImage(QImage image, double factor)
{
    m_image = std::move(image);
    m_factor = factor > 0 ? factor : 1;
    m_count = 0;
    update();
}

double PointPicker::fit() const
{
    if (m_image.isNull())
        return 1;
    return std::min(static_cast<double>(width()) / m_image.width(),
                    static_cast<double>(height()) / m_image.height());
}

void PointPicker::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (m_image.isNull())
        return;
    const double k = fit();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(0, 0, m_image.width() * k, m_image.height() * k), m_image);
    p.setPen(QPen(Qt::red, 2));
    for (int i = 0; i < m_count; ++i) {
        const QPointF c = m_points[i] * k;
        p.drawLine(c - QPointF(6, 0), c + QPointF(6, 0));
        p.drawLine(c - QPointF(0, 6), c + QPointF(0, 6));
        p.drawText(c + QPointF(5, -5), QString::number(i + 1));
    }
    if (m_count == 2)
        p.drawLine(m_points[0] * k, m_points[1] * k);
}

void PointPicker::mousePressEvent(QMouseEvent *e)
{
    if (m_image.isNull() || e->button() != Qt::LeftButton)
        return;
    const QPointF at = e->position() / fit();
    if (at.x() > m_image.width() || at.y() > m_image.height())
        return;
    if (m_count == 2)
        m_count = 0;
    m_points[m_count++] = at;
    update();
}

UnderlayDialog::UnderlayDialog(UnderlaySettings current, double gridStep, QWidget *parent)
    : QDialog(parent), m_current(std::move(current)), m_step(gridStep > 0 ? gridStep : 1.0)
{
    setObjectName(QStringLiteral("UnderlayForm"));
    setWindowTitle(QStringLiteral("Подложка"));
    auto *top = new QVBoxLayout(this);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Файл (DXF, PNG, JPEG, PDF):")));
    m_file = new QLineEdit;
    m_file->setObjectName(QStringLiteral("edFile"));
    m_file->setAccessibleName(QStringLiteral("Файл подложки"));
    fileRow->addWidget(m_file, 1);
    auto *browse = new QPushButton(QStringLiteral("Обзор..."));
    browse->setAutoDefault(false);
    fileRow->addWidget(browse);
    auto *read = new QPushButton(QStringLiteral("Прочитать"));
    read->setObjectName(QStringLiteral("btnRead"));
    read->setAutoDefault(false);
    fileRow->addWidget(read);
    top->addLayout(fileRow);

    auto *form = new QFormLayout;
    m_units = new QComboBox;
    m_units->addItems({QStringLiteral("метры"), QStringLiteral("миллиметры")});
    form->addRow(QStringLiteral("Единицы чертежа DXF:"), m_units);
    m_page = new QSpinBox;
    m_page->setObjectName(QStringLiteral("sbPage"));
    m_page->setRange(1, 9999);
    form->addRow(QStringLiteral("Страница PDF:"), m_page);
    m_distance = new QLineEdit;
    m_distance->setObjectName(QStringLiteral("edDistance"));
    form->addRow(QStringLiteral("Расстояние между точками 1 и 2, м:"), m_distance);
    m_x = new QLineEdit(QString::fromStdString(formatGeneral(m_step)));
    m_y = new QLineEdit(QString::fromStdString(formatGeneral(m_step)));
    m_x->setObjectName(QStringLiteral("edX"));
    m_y->setObjectName(QStringLiteral("edY"));
    form->addRow(QStringLiteral("X точки 1 на плане, м:"), m_x);
    form->addRow(QStringLiteral("Y точки 1 на плане, м:"), m_y);
    top->addLayout(form);
    m_picker = new PointPicker;
    top->addWidget(m_picker, 1);
    m_info = new QLabel(m_current.kind == UnderlayKind::None
                            ? QStringLiteral("У проекта нет подложки.")
                            : QStringLiteral("Подложка проекта: ")
                                  + QString::fromStdString(m_current.file));
    m_info->setWordWrap(true);
    top->addWidget(m_info);

    const DialogButtons b = makeDialogButtons(this, 0);
    auto *remove = b.box->addButton(QStringLiteral("Убрать подложку"), QDialogButtonBox::ActionRole);
    remove->setEnabled(m_current.kind != UnderlayKind::None);
    top->addWidget(b.box);
    resize(720, 600);

    QObject::disconnect(b.box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(b.box, &QDialogButtonBox::accepted, this, &UnderlayDialog::accepted);
    connect(remove, &QPushButton::clicked, this, [this] {
        m_result = Remove;
        accept();
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(
            this, QStringLiteral("Подложка"), QString(),
            QStringLiteral("Чертежи и рисунки (*.dxf *.DXF *.png *.jpg *.jpeg *.pdf)"));
        if (!f.isEmpty()) {
            m_file->setText(f);
            loadFile();
        }
    });
    connect(read, &QPushButton::clicked, this, &UnderlayDialog::loadFile);
    connect(m_page, &QSpinBox::valueChanged, this, [this] {
        if (m_kind == UnderlayKind::Pdf)
            loadFile();
    });
}

bool UnderlayDialog::loadFile()
{
    m_path = m_file->text().trimmed();
    const QString ext = QFileInfo(m_path).suffix().toLower();
    m_kind = ext == QLatin1String("dxf")   ? UnderlayKind::Dxf
             : ext == QLatin1String("pdf") ? UnderlayKind::Pdf
             : (ext == QLatin1String("png") || ext == QLatin1String("jpg")
                || ext == QLatin1String("jpeg"))
                 ? UnderlayKind::Image
                 : UnderlayKind::None;
    m_picker->setImage(QImage(), 1);
    if (m_kind == UnderlayKind::None) {
        m_info->setText(QStringLiteral("Подложкой может быть чертеж DXF, рисунок PNG или JPEG или "
                                       "страница PDF."));
        return false;
    }
    if (m_kind == UnderlayKind::Dxf) {
        try {
            const DxfDrawing d = readDxfFile(m_path);
            const auto u = d.insUnits ? metresPerUnit(*d.insUnits) : std::nullopt;
            if (u && (*u == 1.0 || *u == 0.001))
                m_units->setCurrentIndex(*u == 1.0 ? 0 : 1);
            m_info->setText(QStringLiteral("Чертеж прочитан: линий %1, дуг и окружностей %2, "
                                           "полилиний %3, текстов %4.")
                                .arg(d.lines.size())
                                .arg(d.arcs.size() + d.circles.size())
                                .arg(d.polylines.size())
                                .arg(d.texts.size()));
            return true;
        } catch (const DxfRefused &e) {
            m_info->setText(QString::fromStdString(e.what()));
            m_kind = UnderlayKind::None;
            return false;
        }
    }
    double factor = 1;
    QImage img = loadUnderlayImage(m_path, m_kind, m_page->value() - 1, &factor);
    if (img.isNull()) {
        m_info->setText(QStringLiteral("Файл не читается как рисунок."));
        m_kind = UnderlayKind::None;
        return false;
    }
    m_picker->setImage(std::move(img), factor);
    m_info->setText(QStringLiteral("Щелкните на рисунке две точки с известным расстоянием между "
                                   "ними и введите это расстояние."));
    return true;
}

UnderlaySettings UnderlayDialog::settings() const
{
    UnderlaySettings s = m_current;
    s.kind = m_kind;
    s.shown = true;
    if (m_kind == UnderlayKind::Dxf) {
        const double u = m_units->currentIndex() == 1 ? 0.001 : 1.0;
        // A shift remembered in other units no longer fits the drawing.
        if (s.shift && s.metresPerUnit != u)
            s.shift.reset();
        s.metresPerUnit = u;
    } else {
        s.page = m_kind == UnderlayKind::Pdf ? m_page->value() - 1 : 0;
        s.p1 = m_picker->point(0);
        s.p2 = m_picker->point(1);
        s.distance = parseNumber(m_distance->text().toStdString()).value_or(0);
        s.at = QPointF(parseNumber(m_x->text().toStdString()).value_or(0),
                       parseNumber(m_y->text().toStdString()).value_or(0));
    }
    return s;
}

void UnderlayDialog::accepted()
{
    // A file name changed after the last reading is read now: what is set is the file named.
    if ((m_kind == UnderlayKind::None || m_file->text().trimmed() != m_path) && !loadFile())
        return;
    if (m_kind != UnderlayKind::Dxf) {
        const auto d = parseNumber(m_distance->text().toStdString());
        if (m_picker->picked() < 2 || !d || !(*d > 0)) {
            m_info->setText(QStringLiteral("Укажите на рисунке две точки и расстояние между ними "
                                           "больше 0."));
            return;
        }
    }
    m_result = Set;
    accept();
}

} // namespace kv
