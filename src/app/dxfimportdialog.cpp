#include "app/dxfimportdialog.h"

#include "calc/numfmt.h"
#include "widgets/dialogbuttons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

QString unitName(int insUnits)
{
    switch (insUnits) {
    case 1:
        return QStringLiteral("дюймы");
    case 2:
        return QStringLiteral("футы");
    case 5:
        return QStringLiteral("сантиметры");
    case 14:
        return QStringLiteral("дециметры");
    default:
        return QStringLiteral("единицы чертежа");
    }
}

constexpr int kHelpDxfImport = 0; // the contents: the import has no topic of its own yet
}

DxfPreview::DxfPreview(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("dxfPreview"));
    setMinimumSize(360, 260);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void DxfPreview::setContent(std::shared_ptr<const UnderlayPicture> drawing,
                            const std::vector<ImportedObject> *objects)
{
    m_drawing = std::move(drawing);
    m_objects = objects;
    update();
}

void DxfPreview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QRectF ext = m_drawing ? m_drawing->extent : QRectF();
    if (m_objects)
        for (const auto &o : *m_objects)
            ext |= QRectF(o.x, o.y, o.L, o.S);
    if (ext.isEmpty())
        return;
    // The plan in metres fitted into the widget with a small border, the axes' origin kept in.
    ext |= QRectF(0, 0, 1e-6, 1e-6);
    const double k = std::min((width() - 12) / ext.width(), (height() - 12) / ext.height());
    p.translate(6 - ext.left() * k, 6 - ext.top() * k);
    if (m_drawing) {
        QPen pen(QColor::fromRgb(kUnderlayColour), 0);
        p.setPen(pen);
        std::vector<QLineF> lines;
        lines.reserve(m_drawing->lines.size());
        for (const auto &l : m_drawing->lines)
            lines.emplace_back(l.p1() * k, l.p2() * k);
        p.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
    if (m_objects) {
        p.setRenderHint(QPainter::Antialiasing, false);
        for (const auto &o : *m_objects) {
            p.setPen(QPen(o.boundingOnly ? QColor(200, 90, 0) : QColor(0, 0, 160), 1));
            p.setBrush(QColor(128, 128, 255, 70));
            p.drawRect(QRectF(o.x * k, o.y * k, o.L * k, o.S * k));
        }
    }
    p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
    p.drawLine(QPointF(0, 0), QPointF(ext.right() * k, 0));
    p.drawLine(QPointF(0, 0), QPointF(0, ext.bottom() * k));
}

DxfImportDialog::DxfImportDialog(std::optional<PlanShift> remembered, double gridStep,
                                 QWidget *parent)
    : QDialog(parent), m_remembered(remembered), m_step(gridStep > 0 ? gridStep : 1.0)
{
    setObjectName(QStringLiteral("DxfImportForm"));
    setWindowTitle(QStringLiteral("Импорт объектов из DXF"));
    auto *top = new QVBoxLayout(this);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Файл DXF:")));
    m_file = new QLineEdit;
    m_file->setObjectName(QStringLiteral("edFile"));
    m_file->setAccessibleName(QStringLiteral("Файл DXF"));
    fileRow->addWidget(m_file, 1);
    auto *browseButton = new QPushButton(QStringLiteral("Обзор..."));
    browseButton->setAutoDefault(false);
    fileRow->addWidget(browseButton);
    auto *readButton = new QPushButton(QStringLiteral("Прочитать"));
    readButton->setObjectName(QStringLiteral("btnRead"));
    readButton->setAutoDefault(false);
    fileRow->addWidget(readButton);
    top->addLayout(fileRow);

    auto *body = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    m_layers = new QTreeWidget;
    m_layers->setObjectName(QStringLiteral("twLayers"));
    m_layers->setRootIsDecorated(false);
    m_layers->setHeaderLabels({QStringLiteral("Слой"), QStringLiteral("Контуры"),
                               QStringLiteral("Окружности"), QStringLiteral("Тексты")});
    m_layers->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_layers->setMinimumWidth(330);
    left->addWidget(m_layers, 1);
    auto *form = new QFormLayout;
    m_units = new QComboBox;
    m_units->setObjectName(QStringLiteral("cbUnits"));
    m_units->setAccessibleName(QStringLiteral("Единицы чертежа"));
    m_units->addItem(QStringLiteral("метры"), 1.0);
    m_units->addItem(QStringLiteral("миллиметры"), 0.001);
    m_unitsNote = new QLabel;
    auto *unitsRow = new QHBoxLayout;
    unitsRow->addWidget(m_units);
    unitsRow->addWidget(m_unitsNote, 1);
    form->addRow(QStringLiteral("Единицы чертежа:"), unitsRow);
    m_height = new QLineEdit(QStringLiteral("10"));
    m_height->setObjectName(QStringLiteral("edHeight"));
    m_height->setAccessibleName(QStringLiteral("Высота по умолчанию, м"));
    m_height->setMaximumWidth(80);
    form->addRow(QStringLiteral("Высота по умолчанию, м:"), m_height);
    left->addLayout(form);
    body->addLayout(left);
    m_preview = new DxfPreview;
    body->addWidget(m_preview, 1);
    top->addLayout(body, 1);

    m_info = new QLabel(QStringLiteral("Укажите файл чертежа и нажмите \"Прочитать\"."));
    m_info->setObjectName(QStringLiteral("lbInfo"));
    m_info->setWordWrap(true);
    top->addWidget(m_info);

    const DialogButtons b = makeDialogButtons(this, kHelpDxfImport);
    m_ok = b.ok;
    m_ok->setEnabled(false);
    top->addWidget(b.box);
    resize(900, 560);

    connect(browseButton, &QPushButton::clicked, this, &DxfImportDialog::browse);
    connect(readButton, &QPushButton::clicked, this, &DxfImportDialog::loadFile);
    connect(m_layers, &QTreeWidget::itemChanged, this, &DxfImportDialog::replan);
    connect(m_units, &QComboBox::currentIndexChanged, this, &DxfImportDialog::replan);
    connect(m_height, &QLineEdit::textChanged, this, &DxfImportDialog::replan);
}

void DxfImportDialog::browse()
{
    const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Чертеж DXF"), QString(),
                                                   QStringLiteral("Чертежи DXF (*.dxf *.DXF)"));
    if (f.isEmpty())
        return;
    m_file->setText(f);
    loadFile();
}

double DxfImportDialog::metresPerUnit() const
{
    return m_units->currentData().toDouble();
}

bool DxfImportDialog::loadFile()
{
    m_drawing.reset();
    m_plan.reset();
    m_layers->clear();
    m_preview->setContent(nullptr, nullptr);
    m_ok->setEnabled(false);
    try {
        m_drawing = readDxfFile(m_file->text().trimmed());
    } catch (const DxfRefused &e) {
        m_info->setText(QString::fromStdString(e.what()));
        return false;
    }
    const QSignalBlocker block(m_layers);
    for (const auto &l : summarizeLayers(*m_drawing)) {
        auto *item = new QTreeWidgetItem(m_layers);
        item->setText(0, QString::fromStdString(l.name));
        item->setText(1, QString::number(l.outlines));
        item->setText(2, QString::number(l.circles));
        item->setText(3, QString::number(l.texts));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    // Units the drawing states are taken as they are; otherwise the user says.
    const int stated = m_drawing->insUnits.value_or(0);
    const double unit = kv::metresPerUnit(stated).value_or(0.0);
    const QSignalBlocker blockUnits(m_units);
    while (m_units->count() > 2)
        m_units->removeItem(2);
    if (unit > 0) {
        // Centimetres, decimetres, inches and feet are shown only for a drawing in them.
        if (m_units->findData(unit) < 0)
            m_units->addItem(unitName(stated), unit);
        m_units->setCurrentIndex(m_units->findData(unit));
        m_units->setEnabled(false);
        m_unitsNote->setText(QStringLiteral("(из чертежа)"));
    } else {
        m_units->setEnabled(true);
        m_unitsNote->setText(stated != 0
                                 ? QStringLiteral("(единицы чертежа не подходят для плана)")
                                 : QStringLiteral("(в чертеже не указаны)"));
    }
    replan();
    return true;
}

void DxfImportDialog::replan()
{
    // The preview holds a pointer into the plan: it lets go first.
    m_preview->setContent(nullptr, nullptr);
    m_plan.reset();
    m_ok->setEnabled(false);
    if (!m_drawing)
        return;
    DxfImportOptions opt;
    for (int i = 0; i < m_layers->topLevelItemCount(); ++i)
        if (m_layers->topLevelItem(i)->checkState(0) == Qt::Checked)
            opt.layers.push_back(m_layers->topLevelItem(i)->text(0).toStdString());
    opt.metresPerUnit = metresPerUnit();
    const auto h = parseNumber(m_height->text().toStdString());
    opt.defaultHeight = h.value_or(0);
    const PlanShift previewShift =
        m_remembered.value_or(shiftForDrawing(*m_drawing, opt.metresPerUnit, m_step));
    if (opt.layers.empty()) {
        m_preview->setContent(underlayFromDxf(*m_drawing, opt.metresPerUnit, previewShift), nullptr);
        m_info->setText(QStringLiteral("Отметьте слои с контурами зданий."));
        return;
    }
    try {
        m_plan = planDxfImport(*m_drawing, opt, m_step, m_remembered);
    } catch (const DxfRefused &e) {
        m_preview->setContent(underlayFromDxf(*m_drawing, opt.metresPerUnit, previewShift), nullptr);
        m_info->setText(QString::fromStdString(e.what()));
        return;
    }
    m_preview->setContent(underlayFromDxf(*m_drawing, opt.metresPerUnit, m_plan->shift),
                          &m_plan->objects);
    QString info = QStringLiteral("Объектов: %1.").arg(m_plan->objects.size());
    if (m_plan->boundingCount > 0)
        info += QStringLiteral(" Повернутых или неправильных контуров (импортируются описанными "
                               "прямоугольниками): %1.")
                    .arg(m_plan->boundingCount);
    if (m_plan->skipped > 0)
        info += QStringLiteral(" Контуров без площади (пропущены): %1.").arg(m_plan->skipped);
    m_info->setText(info);
    m_ok->setEnabled(true);
}

} // namespace kv
