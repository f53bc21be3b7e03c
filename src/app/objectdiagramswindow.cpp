#include "app/objectdiagramswindow.h"

#include "app/barmarks.h"
#include "app/projectdocument.h"
#include "data/datamodule.h"
#include "data/outputfile.h"
#include "data/prompter.h"
#include "widgets/buddylabel.h"
#include "widgets/helpwindow.h"
#include "plan/picturefile.h"
#include "report/reportfile.h"
#include "widgets/filefolders.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

struct SeriesDef {
    const char *title;
    OptD ObjectRec::*field;
};
const SeriesDef kSeries[ObjectDiagramsWindow::kSeriesCount] = {
    {"Hx, м", &ObjectRec::Hx},   {"R, м", &ObjectRec::R},     {"H, м", &ObjectRec::H},
    {"Rx, м", &ObjectRec::Rx},   {"Rxi, м", &ObjectRec::Rx1}, {"Rcx, м", &ObjectRec::Rcx},
    {"Rcxi, м", &ObjectRec::Rcx1},
};

// The spins change only through their arrows: every key beeps and is dropped.
class ArrowsOnlySpin : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        QApplication::beep();
        e->accept();
    }
};

} // namespace

ObjectDiagramsWindow::ObjectDiagramsWindow(ProjectDocument &doc, QWidget *parent)
    : QDialog(parent), m_doc(doc)
{
    setWindowTitle(QStringLiteral("Просмотр диаграмм."));
    resize(1000, 640);
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_view = new QChartView(chart, this);
    m_marks = new BarMarks(chart);
    m_names = new QBarCategoryAxis;
    m_names->setTitleText(QStringLiteral("Наименование здания (сооружения)"));
    m_values = new QValueAxis;
    m_values->setTitleText(QStringLiteral("Значение параметра, м"));
    chart->addAxis(m_names, Qt::AlignLeft);
    chart->addAxis(m_values, Qt::AlignBottom);
    m_view->setRenderHint(QPainter::Antialiasing);

    auto *right = new QWidget(this);
    right->setFixedWidth(430);
    auto *rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    auto *top = new QGridLayout;
    m_labels = new QComboBox(right);
    top->addWidget(buddyLabel(QStringLiteral("Надпись диаграммы:"), m_labels, right), 0, 0);
    m_labels->addItems({QStringLiteral("значение"), QStringLiteral("нет")});
    m_labels->setToolTip(QStringLiteral("Параметр, выводимый в надписи диаграммы"));
    top->addWidget(m_labels, 0, 1, 1, 3);
    top->addWidget(new QLabel(QStringLiteral("Масштаб:"), right), 1, 0);
    auto *z100 = new QPushButton(QStringLiteral("100%"), right);
    auto *zOut = new QPushButton(QStringLiteral("-"), right);
    auto *zIn = new QPushButton(QStringLiteral("+"), right);
    z100->setToolTip(QStringLiteral("Установить масштаб 100 %"));
    zOut->setToolTip(QStringLiteral("Уменьшить масштаб на 1 %"));
    zIn->setToolTip(QStringLiteral("Увеличить масштаб на 1 %"));
    for (QPushButton *b : {zOut, zIn})
        b->setAccessibleName(b->toolTip());
    top->addWidget(z100, 1, 1);
    top->addWidget(zOut, 1, 2);
    top->addWidget(zIn, 1, 3);
    rl->addLayout(top);

    auto *pages = new QGroupBox(QStringLiteral(" Постраничный просмотр "), right);
    auto *pg = new QGridLayout(pages);
    m_paging = new QCheckBox(QStringLiteral("Включить"), pages);
    m_paging->setChecked(true);
    pg->addWidget(m_paging, 0, 0, 1, 2);
    m_pageLabel = new QLabel(QStringLiteral("Номер страницы:"), pages);
    m_perPageLabel = new QLabel(QStringLiteral("Элементов на странице:"), pages);
    m_page = new ArrowsOnlySpin(pages);
    m_page->setRange(1, 10);
    m_page->setValue(1);
    m_perPage = new ArrowsOnlySpin(pages);
    m_perPage->setRange(1, 25);
    m_perPage->setValue(10);
    m_pageLabel->setBuddy(m_page);
    m_perPageLabel->setBuddy(m_perPage);
    pg->addWidget(m_pageLabel, 1, 0);
    pg->addWidget(m_page, 1, 1);
    pg->addWidget(m_perPageLabel, 2, 0);
    pg->addWidget(m_perPage, 2, 1);
    rl->addWidget(pages);

    auto *saveRow = new QHBoxLayout;
    auto *save = new QPushButton(QStringLiteral("Сохранить..."), right);
    save->setToolTip(QStringLiteral("Сохранить диаграмму в файле"));
    auto *exportBtn = new QPushButton(QStringLiteral("Экспорт..."), right);
    exportBtn->setToolTip(QStringLiteral("Экспортировать диаграмму в Microsoft Word"));
    saveRow->addWidget(save);
    saveRow->addWidget(exportBtn);
    rl->addLayout(saveRow);

    auto *params = new QGroupBox(QStringLiteral(" Параметры диаграммы "), right);
    auto *pl = new QGridLayout(params);
    for (int i = 0; i < kSeriesCount; ++i) {
        auto *box = new QCheckBox(QString::fromUtf8(kSeries[i].title), params);
        box->setChecked(true);
        auto *text = new QLabel(params);
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        pl->addWidget(box, i, 0, Qt::AlignTop);
        pl->addWidget(text, i, 1);
        m_boxes[static_cast<std::size_t>(i)] = box;
        m_texts[static_cast<std::size_t>(i)] = text;
        connect(box, &QCheckBox::toggled, this, &ObjectDiagramsWindow::rebuild);
    }
    pl->setColumnStretch(1, 1);
    rl->addWidget(params, 1);
    auto *bottom = new QHBoxLayout;
    auto *close = new QPushButton(QStringLiteral("Закрыть"), right);
    auto *help = new QPushButton(QStringLiteral("Справка..."), right);
    bottom->addWidget(close);
    bottom->addWidget(help);
    rl->addLayout(bottom);

    auto *lay = new QHBoxLayout(this);
    lay->addWidget(m_view, 1);
    lay->addWidget(right);

    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });
    connect(this, &ObjectDiagramsWindow::helpRequested, this,
            [this](int topic) { showHelp(topic, this); });
    connect(z100, &QPushButton::clicked, this, [this] { m_view->chart()->zoomReset(); });
    connect(zOut, &QPushButton::clicked, this, [this] { zoom(0.99); });
    connect(zIn, &QPushButton::clicked, this, [this] { zoom(1.01); });
    connect(m_labels, &QComboBox::currentIndexChanged, this, &ObjectDiagramsWindow::rebuild);
    connect(m_page, &QSpinBox::valueChanged, this, &ObjectDiagramsWindow::rebuild);
    connect(m_perPage, &QSpinBox::valueChanged, this, &ObjectDiagramsWindow::perPageChanged);
    connect(m_paging, &QCheckBox::toggled, this, [this] {
        perPageChanged();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        QString filter;
        const QString name = kv::chooseSaveFile(
            this, FileKind::Chart, QStringLiteral("Сохранить диаграмму"), QString(),
            QStringLiteral("Bitmaps (*.bmp);;JPEG (*.jpg);;EMF (*.emf);;WMF (*.wmf)"), &filter);
        if (name.isEmpty())
            return;
        const QStringList filters = {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("JPEG (*.jpg)"),
                                     QStringLiteral("EMF (*.emf)"), QStringLiteral("WMF (*.wmf)")};
        saveChart(pictureFileName(name, static_cast<int>(filters.indexOf(filter)) + 1));
    });
    chooseDocumentFile = [this](const QString &suggested) {
        return kv::chooseSaveFile(this, FileKind::Report, QStringLiteral("Экспорт диаграммы"),
                              suggested, QStringLiteral("Документ Word (*.docx)"));
    };
    connect(exportBtn, &QPushButton::clicked, this, [this] {
        QString path = ReportSession::instance().lastPath();
        if (path.isEmpty())
            path = chooseDocumentFile(QDir::home().filePath(QStringLiteral("Отчет.docx")));
        if (!path.isEmpty())
            exportToDocument(path);
    });
}

void ObjectDiagramsWindow::activate()
{
    m_building = true;
    const int n = static_cast<int>(m_doc.snapshot().objects.size());
    const int objects = std::max(n, 1);
    if (objects < m_perPage->value())
        m_perPage->setValue(objects);
    m_perPage->setMaximum(objects);
    m_page->setMaximum(std::max(1, (objects + m_perPage->value() - 1) / m_perPage->value()));
    m_page->setValue(1);
    perPageChanged();

    const std::string tip = m_doc.snapshot().project.TipMO.value_or("");
    const bool doubleRod = tip == kTipDoubleRod;
    const bool cable = tip == kTipCable;
    const QString R = doubleRod
        ? QStringLiteral("R - расстояние от молниеотвода до точки объекта, которой соответствует наибольшее значение Н, м")
        : QStringLiteral("R - расстояние от молниеотвода до наиболее удаленной точки объекта, м");
    const QString Rx = doubleRod || cable
        ? QStringLiteral("Rx - расчетный радиус торцевой области зоны защиты объекта на высоте Нх, м")
        : QStringLiteral("Rx - расчетный радиус зоны защиты объекта на высоте Нх, м");
    const QString Rxi = doubleRod || cable
        ? QStringLiteral("Rxi - фактический радиус торцевой области зоны защиты объекта на высоте Нх, м")
        : QStringLiteral("Rxi - фактический радиус зоны защиты объекта на высоте Нх, м");
    const QString texts[kSeriesCount] = {
        QStringLiteral("Hx - высота объекта, м"), R,
        QStringLiteral("H - требуемая для объекта высота молниеотвода, м"), Rx, Rxi,
        QStringLiteral("Rсx - расчетный радиус защиты объекта на высоте Нх в месте сужения зоны защиты, м"),
        QStringLiteral("Rсxi - фактический радиус защиты объекта на высоте Нх в месте сужения зоны защиты, м")};
    for (int i = 0; i < kSeriesCount; ++i) {
        m_texts[static_cast<std::size_t>(i)]->setText(texts[i]);
        const bool on = i < 5 || doubleRod;
        m_boxes[static_cast<std::size_t>(i)]->setEnabled(on);
        m_texts[static_cast<std::size_t>(i)]->setEnabled(on);
    }
    m_building = false;
    rebuild();
}

void ObjectDiagramsWindow::perPageChanged()
{
    const int n = std::max(1, static_cast<int>(m_doc.snapshot().objects.size()));
    const int pages = std::max(1, (n + m_perPage->value() - 1) / m_perPage->value());
    const bool wasBuilding = m_building;
    m_building = true;
    m_page->setMaximum(pages);
    if (m_page->value() > pages)
        m_page->setValue(pages);
    m_building = wasBuilding;
    const bool on = m_paging->isChecked();
    m_page->setEnabled(on && pages > 1);
    m_pageLabel->setEnabled(on);
    m_perPage->setEnabled(on && m_perPage->maximum() > 1);
    m_perPageLabel->setEnabled(on);
    rebuild();
}

void ObjectDiagramsWindow::rebuild()
{
    if (m_building)
        return;
    const std::vector<ObjectRec> &objs = m_doc.snapshot().objects;
    std::size_t from = 0, count = objs.size();
    if (m_paging->isChecked()) {
        from = static_cast<std::size_t>((m_page->value() - 1) * m_perPage->value());
        count = std::min<std::size_t>(static_cast<std::size_t>(m_perPage->value()),
                                      objs.size() > from ? objs.size() - from : 0);
    }
    QChart *chart = m_view->chart();
    chart->removeAllSeries();
    m_shown.clear();
    QStringList names;
    for (std::size_t k = from; k < from + count; ++k)
        names << QString::fromStdString(objs[k].Name.value_or(""));
    auto *series = new QHorizontalBarSeries;
    double top = 1;
    for (int i = 0; i < kSeriesCount; ++i) {
        const QCheckBox *box = m_boxes[static_cast<std::size_t>(i)];
        if (!box->isChecked() || !box->isEnabled())
            continue;
        Shown s;
        s.title = QString::fromUtf8(kSeries[i].title);
        auto *set = new QBarSet(s.title);
        for (std::size_t k = from; k < from + count; ++k) {
            const double v = (objs[k].*kSeries[i].field).value_or(0);
            *set << v;
            top = std::max(top, v);
            s.bars.emplace_back(QString::fromStdString(objs[k].Name.value_or("")), v);
        }
        series->append(set);
        m_shown.push_back(std::move(s));
    }
    chart->addSeries(series);
    // The axes stay (axes taken off a shown chart can leave their labels painted behind).
    m_names->clear();
    m_names->append(names);
    m_values->setRange(0, std::ceil(top * 1.1));
    series->attachAxis(m_names);
    series->attachAxis(m_values);
    chart->zoomReset();
    // The values in aqua marks for "значение", none for "нет".
    m_marks->setSeries(series, m_labels->currentIndex() == 0);
}

void ObjectDiagramsWindow::zoom(double factor)
{
    QChart *chart = m_view->chart();
    const QRectF a = chart->plotArea();
    const QSizeF s(a.width() / factor, a.height() / factor);
    chart->zoomIn(QRectF(a.center() - QPointF(s.width() / 2, s.height() / 2), s));
}

QImage ObjectDiagramsWindow::chartImage() const { return m_view->grab().toImage(); }

bool ObjectDiagramsWindow::exportToDocument(const QString &path)
{
    if (const std::string refusal = dataFolderFileRefusal(m_doc.dataModule().dataDir(),
                                                          path.toStdString());
        !refusal.empty()) {
        m_doc.prompter().error(refusal);
        return false;
    }
    const ReportFileResult r = appendPictureFile(chartImage(), path, ReportSession::instance());
    if (!r.ok) {
        m_doc.prompter().error(r.error.toStdString());
        return false;
    }
    emit documentWritten(path);
    return true;
}

bool ObjectDiagramsWindow::saveChart(const QString &path)
{
    PictureFormat f;
    if (!pictureFormatFromPath(path, f))
        return false;
    if (const std::string refusal = dataFolderFileRefusal(m_doc.dataModule().dataDir(),
                                                          path.toStdString());
        !refusal.empty()) {
        m_doc.prompter().error(refusal);
        return false;
    }
    QString error;
    // JPEG is encoded straight from the picture: no bitmap is written beside it.
    if (savePicture(chartImage(), path, f, &error))
        return true;
    m_doc.prompter().error(error.toStdString());
    return false;
}

} // namespace kv
