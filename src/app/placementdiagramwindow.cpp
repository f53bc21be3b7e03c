#include "app/placementdiagramwindow.h"

#include "app/barmarks.h"
#include "calc/numfmt.h"
#include "data/outputfile.h"
#include "data/prompter.h"
#include "plan/picturefile.h"
#include "widgets/buddylabel.h"
#include "widgets/filefolders.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {
QString q(const std::string &s) { return QString::fromStdString(s); }
} // namespace

PlacementDiagramWindow::PlacementDiagramWindow(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Диаграммы размещения."));
    resize(1000, 680);
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignRight);
    // Axis numbers with the decimal comma.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_chartView = new QChartView(chart, this);
    m_marks = new BarMarks(chart);
    m_axisX = new QBarCategoryAxis;
    m_axisY = new QValueAxis;
    m_axisY->setTitleText(QStringLiteral("H - высота молниеотвода, м"));
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_chartView->setObjectName(QStringLiteral("Панель диаграммы"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(260);
    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("Заголовок диаграммы"));
    m_title->setAccessibleName(m_title->objectName());
    m_title->setReadOnly(true);
    m_title->setAlignment(Qt::AlignCenter);

    // The trajectory scheme under the chart.
    auto *schemeBox = new QWidget(this);
    auto *sb = new QVBoxLayout(schemeBox);
    sb->setContentsMargins(0, 0, 0, 0);
    auto *scaleRow = new QHBoxLayout;
    m_scale = new QComboBox(schemeBox);
    scaleRow->addWidget(
        buddyLabel(QStringLiteral("Условный масштаб, пиксель/метр:"), m_scale, schemeBox));
    for (int i = 1; i <= 10; ++i)
        m_scale->addItem(QString::number(i));
    m_scale->setCurrentIndex(3);
    m_scale->setToolTip(QStringLiteral("Условный масштаб отображения схемы, пиксель/метр"));
    scaleRow->addWidget(m_scale);
    auto legendSwatch = [schemeBox](const QString &style) {
        auto *l = new QLabel(schemeBox);
        l->setFixedSize(16, 10);
        l->setStyleSheet(style);
        return l;
    };
    scaleRow->addSpacing(16);
    scaleRow->addWidget(legendSwatch(QStringLiteral("background:red;border:1px solid black;")));
    scaleRow->addWidget(new QLabel(QStringLiteral("Неподвижная опора молниеотвода"), schemeBox));
    scaleRow->addSpacing(12);
    {
        QPixmap line(22, 10);
        line.fill(Qt::transparent);
        QPainter p(&line);
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(0, 5, 21, 5);
        p.end();
        auto *l = new QLabel(schemeBox);
        l->setPixmap(line);
        scaleRow->addWidget(l);
    }
    scaleRow->addWidget(
        new QLabel(QStringLiteral("Траектория движения перемещаемой опоры молниеотвода"), schemeBox));
    scaleRow->addStretch(1);
    sb->addLayout(scaleRow);
    auto *scroll = new QScrollArea(schemeBox);
    m_trajectory = new QLabel(scroll);
    m_trajectory->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setWidget(m_trajectory);
    scroll->setWidgetResizable(true);
    sb->addWidget(scroll, 1);

    auto *left = new QWidget(this);
    auto *ll = new QVBoxLayout(left);
    ll->setContentsMargins(0, 0, 0, 0);
    ll->addWidget(m_title);
    ll->addWidget(m_chartView, 1);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(left);
    split->addWidget(schemeBox);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    // The controls on the right.
    auto *right = new QWidget(this);
    right->setFixedWidth(300);
    auto *rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    auto *topButtons = new QHBoxLayout;
    m_refresh = new QPushButton(QStringLiteral("Обновить"), right);
    m_refresh->setToolTip(QStringLiteral("Обновить диаграмму"));
    auto *close = new QPushButton(QStringLiteral("Закрыть"), right);
    topButtons->addWidget(m_refresh);
    topButtons->addWidget(close);
    rl->addLayout(topButtons);

    auto *params = new QGroupBox(QStringLiteral(" Параметры диаграммы "), right);
    auto *pl = new QGridLayout(params);
    auto *kind = new QGroupBox(QStringLiteral(" Вид  "), params);
    auto *kl = new QHBoxLayout(kind);
    m_lines = new QRadioButton(QStringLiteral("графики"), kind);
    m_bars = new QRadioButton(QStringLiteral("столбцы"), kind);
    m_lines->setChecked(true);
    kl->addWidget(m_lines);
    kl->addWidget(m_bars);
    pl->addWidget(kind, 0, 0, 1, 2);
    m_labels = new QComboBox(params);
    pl->addWidget(buddyLabel(QStringLiteral("Надпись столбца:"), m_labels, params), 1, 0);
    m_labels->addItems({QStringLiteral("значение"), QStringLiteral("нет")});
    m_labels->setEnabled(false);
    pl->addWidget(m_labels, 1, 1);
    m_auto = new QCheckBox(QStringLiteral("Автообновление"), params);
    m_auto->setChecked(true);
    pl->addWidget(m_auto, 2, 0, 1, 2);
    rl->addWidget(params);

    auto *cond = new QGroupBox(QStringLiteral(" Параметры молниеотвода  "), right);
    auto *cl = new QGridLayout(cond);
    cl->addWidget(new QLabel(QStringLiteral("Перемещаемая опора молниеотвода:"), cond), 0, 0, 1, 3);
    m_moving1 = new QRadioButton(QStringLiteral("1"), cond);
    m_moving2 = new QRadioButton(QStringLiteral("2"), cond);
    m_moving1->setChecked(true);
    cl->addWidget(m_moving1, 1, 0);
    cl->addWidget(m_moving2, 1, 1);
    cl->setColumnStretch(2, 1);
    rl->addWidget(cond);

    auto *mov = new QGroupBox(QStringLiteral(" Перемещаемая опора молниеотвода "), right);
    auto *ml = new QVBoxLayout(mov);
    auto *fr = new QHBoxLayout;
    fr->addWidget(new QLabel(QStringLiteral("Фиксированная координата:"), mov));
    m_fixedX = new QRadioButton(QStringLiteral("X"), mov);
    m_fixedY = new QRadioButton(QStringLiteral("Y"), mov);
    m_fixedY->setChecked(true);
    auto *fixedGroup = new QButtonGroup(this);
    fixedGroup->addButton(m_fixedX);
    fixedGroup->addButton(m_fixedY);
    auto *movingGroup = new QButtonGroup(this);
    movingGroup->addButton(m_moving1);
    movingGroup->addButton(m_moving2);
    fr->addWidget(m_fixedX);
    fr->addWidget(m_fixedY);
    fr->addStretch(1);
    ml->addLayout(fr);
    ml->addWidget(new QLabel(QStringLiteral("Значения фиксированной координаты:"), mov));
    m_values = new QListWidget(mov);
    m_values->setContextMenuPolicy(Qt::CustomContextMenu);
    ml->addWidget(m_values, 1);
    rl->addWidget(mov, 1);

    auto *fixed = new QGroupBox(QStringLiteral(" Неподвижная опора молниеотвода "), right);
    auto *fl = new QGridLayout(fixed);
    m_coordLabel = new QLabel(QStringLiteral("Координаты:"), fixed);
    fl->addWidget(m_coordLabel, 0, 0, 1, 2);
    m_fixXLabel = new QLabel(QStringLiteral("X, м:"), fixed);
    m_fixYLabel = new QLabel(QStringLiteral("Y, м:"), fixed);
    m_fixX = new QComboBox(fixed);
    m_fixY = new QComboBox(fixed);
    m_fixXLabel->setBuddy(m_fixX);
    m_fixYLabel->setBuddy(m_fixY);
    fl->addWidget(m_fixXLabel, 1, 0);
    fl->addWidget(m_fixX, 1, 1);
    fl->addWidget(m_fixYLabel, 2, 0);
    fl->addWidget(m_fixY, 2, 1);
    rl->addWidget(fixed);
    auto *save = new QPushButton(QStringLiteral("Сохранить..."), right);
    save->setToolTip(QStringLiteral("Сохранить диаграмму в файле"));
    rl->addWidget(save);
    auto *help = new QPushButton(QStringLiteral("Справка..."), right);
    rl->addWidget(help);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = kv::chooseSaveFile(
            this, FileKind::Chart, QStringLiteral("Сохранить диаграмму"), QString(),
            QStringLiteral("Bitmaps (*.bmp);;JPEG (*.jpg);;PNG (*.png);;EMF (*.emf);;WMF (*.wmf)"));
        if (!path.isEmpty())
            saveChart(path);
    });

    auto *lay = new QHBoxLayout(this);
    lay->addWidget(split, 1);
    lay->addWidget(right);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    connect(m_refresh, &QPushButton::clicked, this, &PlacementDiagramWindow::rebuild);
    connect(m_bars, &QRadioButton::toggled, this, [this](bool on) {
        m_labels->setEnabled(on);
        changed();
    });
    connect(m_labels, &QComboBox::currentIndexChanged, this, &PlacementDiagramWindow::changed);
    connect(m_auto, &QCheckBox::toggled, this, &PlacementDiagramWindow::changed);
    connect(m_values, &QListWidget::itemChanged, this, [this] {
        updateRefreshEnabled();
        changed();
    });
    connect(m_fixedY, &QRadioButton::toggled, this, [this] {
        fillValues();
        changed();
    });
    connect(m_moving1, &QRadioButton::toggled, this, [this] {
        if (m_src.table.mode == TableMode::Both) {
            std::vector<std::string> xs, ys;
            fixedSupportTexts(m_src.table, m_moving1->isChecked() ? 1 : 2, xs, ys);
            m_filling = true;
            m_fixX->clear();
            m_fixY->clear();
            for (const auto &s : xs)
                m_fixX->addItem(q(s));
            for (const auto &s : ys)
                m_fixY->addItem(q(s));
            m_filling = false;
            fillValues();
        }
        changed();
    });
    connect(m_fixX, &QComboBox::currentIndexChanged, this, &PlacementDiagramWindow::changed);
    connect(m_fixY, &QComboBox::currentIndexChanged, this, &PlacementDiagramWindow::changed);
    connect(m_scale, &QComboBox::currentIndexChanged, this, &PlacementDiagramWindow::drawTrajectory);
    connect(m_values, &QListWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("Выделить все"), this, [this] { setAllTicks(1); });
        menu.addAction(QStringLiteral("Сбросить все"), this, [this] { setAllTicks(0); });
        menu.addAction(QStringLiteral("Обратить все"), this, [this] { setAllTicks(2); });
        menu.exec(m_values->viewport()->mapToGlobal(p));
    });
}

QString PlacementDiagramWindow::bottomAxisTitle() const
{
    return m_fixedY->isChecked() ? QStringLiteral("X, м") : QStringLiteral("Y, м");
}

DiagramChoice PlacementDiagramWindow::choice() const
{
    DiagramChoice c;
    c.fixedIsY = m_fixedY->isChecked();
    c.movingSupport = m_moving2->isChecked() ? 2 : 1;
    c.fixedX = m_fixX->currentText().toStdString();
    c.fixedY = m_fixY->currentText().toStdString();
    return c;
}

void PlacementDiagramWindow::setSource(Source s)
{
    m_src = std::move(s);
    m_filling = true;
    const bool both = m_src.table.mode == TableMode::Both;
    m_moving1->setEnabled(both);
    m_moving2->setEnabled(both);
    (m_src.movingSupport == 2 ? m_moving2 : m_moving1)->setChecked(true);
    const bool fixedControls = !m_src.singleRod;
    for (QWidget *w : std::initializer_list<QWidget *>{m_fixX, m_fixY, m_fixXLabel, m_fixYLabel, m_coordLabel})
        w->setEnabled(fixedControls);
    m_fixX->clear();
    m_fixY->clear();
    if (both) {
        std::vector<std::string> xs, ys;
        fixedSupportTexts(m_src.table, m_moving1->isChecked() ? 1 : 2, xs, ys);
        for (const auto &t : xs)
            m_fixX->addItem(q(t));
        for (const auto &t : ys)
            m_fixY->addItem(q(t));
    } else if (m_src.fixedSupport) {
        m_fixX->addItem(q(formatGeneral(m_src.fixedSupport->x)));
        m_fixY->addItem(q(formatGeneral(m_src.fixedSupport->y)));
    }
    m_filling = false;
    fillValues();
    // As on activation: no series, no title, the scheme drawn.
    m_series.clear();
    m_chartView->chart()->removeAllSeries();
    m_axisX->clear();
    m_title->clear();
    drawTrajectory();
    updateRefreshEnabled();
}

void PlacementDiagramWindow::fillValues()
{
    m_filling = true;
    m_values->clear();
    for (const std::string &v : diagramValues(m_src.table, choice())) {
        auto *it = new QListWidgetItem(q(v), m_values);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        it->setCheckState(Qt::Unchecked);
    }
    m_filling = false;
    updateRefreshEnabled();
}

void PlacementDiagramWindow::setAllTicks(int mode)
{
    m_filling = true;
    for (int i = 0; i < m_values->count(); ++i) {
        QListWidgetItem *it = m_values->item(i);
        const bool on = mode == 2 ? it->checkState() != Qt::Checked : mode == 1;
        it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
    updateRefreshEnabled();
    changed();
}

void PlacementDiagramWindow::updateRefreshEnabled()
{
    bool any = false;
    for (int i = 0; i < m_values->count() && !any; ++i)
        any = m_values->item(i)->checkState() == Qt::Checked;
    m_refresh->setEnabled(any);
}

void PlacementDiagramWindow::changed()
{
    if (m_filling)
        return;
    drawTrajectory();
    if (m_auto->isChecked())
        rebuild();
}

void PlacementDiagramWindow::rebuild()
{
    const DiagramChoice c = choice();
    std::vector<std::string> ticked;
    for (int i = 0; i < m_values->count(); ++i)
        if (m_values->item(i)->checkState() == Qt::Checked)
            ticked.push_back(m_values->item(i)->text().toStdString());
    m_title->setText(q(diagramTitle(m_src.table, c, m_src.singleRod)));
    m_series = diagramSeries(m_src.table, c, ticked);

    QChart *chart = m_chartView->chart();
    chart->removeAllSeries();
    // One category axis over the labels of every series, in their first order.
    QStringList categories;
    for (const DiagramSeries &s : m_series)
        for (const DiagramPoint &p : s.points)
            if (!categories.contains(q(p.label)))
                categories << q(p.label);
    // The axes stay (axes taken off a shown chart can leave their labels painted behind).
    QBarCategoryAxis *axisX = m_axisX;
    QValueAxis *axisY = m_axisY;
    axisX->clear();
    axisX->append(categories);
    axisX->setTitleText(bottomAxisTitle());
    double top = 1;
    const bool bars = m_bars->isChecked();
    QBarSeries *barSeries = bars ? new QBarSeries : nullptr;
    for (const DiagramSeries &s : m_series) {
        if (s.points.empty())
            continue; // a series without points is not shown
        if (bars) {
            auto *set = new QBarSet(q(s.title));
            std::vector<double> vals(static_cast<std::size_t>(categories.size()), 0.0);
            for (const DiagramPoint &p : s.points)
                vals[static_cast<std::size_t>(categories.indexOf(q(p.label)))] = p.value;
            for (double v : vals) {
                *set << v;
                top = std::max(top, v);
            }
            barSeries->append(set);
        } else {
            auto *line = new QLineSeries;
            line->setName(q(s.title));
            QPen pen = line->pen();
            pen.setWidth(2);
            line->setPen(pen);
            for (const DiagramPoint &p : s.points) {
                line->append(categories.indexOf(q(p.label)), p.value);
                top = std::max(top, p.value);
            }
            chart->addSeries(line);
            line->attachAxis(axisX);
            line->attachAxis(axisY);
        }
    }
    if (barSeries) {
        chart->addSeries(barSeries);
        barSeries->attachAxis(axisX);
        barSeries->attachAxis(axisY);
    }
    axisY->setRange(0, std::ceil(top * 1.1));
    chart->zoomReset();
    // The bar values in aqua marks for "значение", none for "нет" or for curves.
    m_marks->setSeries(barSeries, barSeries && m_labels->currentIndex() == 0);
    drawTrajectory();
}

bool PlacementDiagramWindow::saveChart(const QString &path)
{
    PictureFormat f;
    if (!pictureFormatFromPath(path, f))
        return false;
    std::string refusal = dataFolderFileRefusal(dataDir, path.toStdString());
    QString error;
    if (refusal.empty() && savePicture(m_chartView->grab().toImage(), path, f, &error))
        return true;
    if (prompter)
        prompter->error(refusal.empty() ? error.toStdString() : refusal);
    return false;
}

void PlacementDiagramWindow::drawTrajectory()
{
    TrajectoryInput in;
    in.scale = m_scale->currentIndex() + 1;
    in.objects = m_src.objects;
    in.fixedIsY = m_fixedY->isChecked();
    if (!m_fixX->currentText().isEmpty() && !m_fixY->currentText().isEmpty()) {
        const auto x = parseNumber(m_fixX->currentText().toStdString());
        const auto y = parseNumber(m_fixY->currentText().toStdString());
        if (x && y)
            in.fixedSupport = Pt{*x, *y};
    }
    for (int i = 0; i < m_values->count(); ++i) {
        if (m_values->item(i)->checkState() != Qt::Checked)
            continue;
        if (const auto v = parseNumber(m_values->item(i)->text().mid(4).toStdString()))
            in.values.push_back(*v);
    }
    const bool second = m_src.table.mode == TableMode::Both && m_moving2->isChecked();
    const PlacementRange &r = second ? m_src.range2 : m_src.range;
    in.from = in.fixedIsY ? r.X1 : r.Y1;
    in.to = in.fixedIsY ? r.X2 : r.Y2;
    in.rangeEnd = in.to;
    m_trajectoryImage = renderTrajectory(in);
    m_trajectory->setPixmap(QPixmap::fromImage(m_trajectoryImage));
}

} // namespace kv
