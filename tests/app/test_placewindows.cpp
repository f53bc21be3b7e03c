// The placement windows, the object band dialog and the diagrams, driven headless over a fresh
// data folder: entering ranges through the grids and their rules, searching in the worker,
// stopping, the height table with its find lists, applying with undo, the diagrams' series.

#include "app/barmarks.h"
#include "app/heightmappanel.h"
#include "app/objectbanddialog.h"
#include "app/objectdiagramswindow.h"
#include "app/placementdiagramwindow.h"
#include "app/placementwindow.h"
#include "app/projectdocument.h"
#include "app/tableeditpanel.h"
#include "calc/snap.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "placement/fixture.h"
#include "placement/heighttablemodel.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace kv;

namespace {

void shot(QWidget *w, const char *name)
{
    const char *dir = std::getenv("KORVAN_SHOTS");
    if (!dir || !*dir)
        return;
    std::filesystem::create_directories(dir);
    w->grab().save(QString::fromLocal8Bit(dir) + "/" + QString::fromUtf8(name));
}

// The texts of a bar chart's value marks, sorted, after checking that each is aqua, wholly
// inside the plot area and covers no other mark (frames may touch).
std::vector<QString> markTexts(const BarMarks &marks, const QChartView *view)
{
    const QRectF plot = view->chart()->plotArea();
    std::vector<QString> texts;
    const std::vector<BarMarks::Mark> all = marks.marks();
    for (const BarMarks::Mark &m : all) {
        texts.push_back(m.text);
        EXPECT_EQ(m.fill, QColor(0, 255, 255)) << m.text.toStdString();
        EXPECT_TRUE(plot.contains(m.rect)) << m.text.toStdString() << " outside the plot area";
        for (const BarMarks::Mark &o : all) {
            const QRectF both = m.rect & o.rect;
            EXPECT_TRUE(&o == &m || both.width() <= 3 || both.height() <= 3)
                << m.text.toStdString() << " covers " << o.text.toStdString();
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The placement tables' fixture with an open document over its project.
class PlaceWindows : public kv::test::PlacementDb {
protected:
    void TearDown() override
    {
        doc.reset();
        PlacementDb::TearDown();
    }
    void openDocument()
    {
        const int kod = dm->project().asInt("Kod");
        doc = std::make_unique<ProjectDocument>(*dm);
        doc->setAutoPodbor(false);
        ASSERT_TRUE(doc->openProject(kod));
    }
    // Enters a row through the panel's strip and navigator.
    bool enter(TableEditPanel *p, std::vector<std::pair<std::string, QString>> values)
    {
        p->insertRow();
        for (auto &[f, v] : values)
            p->setStripText(f, v);
        return p->postRow();
    }

    std::unique_ptr<ProjectDocument> doc;
};

} // namespace

TEST_F(PlaceWindows, SingleRodSearchTableFindApplyUndo)
{
    newProject("одиночный стержневой молниеотвод", {{0, 0}});
    addObject("Склад", 10, 10, 0, 0, 9.2, "Б");
    addObject("Навес", 2, 14, 3, 2, 4, "А", 0x00C0FF);
    openDocument();
    PlacementWindow w(*doc, prompter, false);
    w.activate();
    EXPECT_FALSE(w.button("Расчет")->isEnabled()); // no variant, no range
    // A range before its variant is saved is refused by the table rule.
    w.variants()->insertRow();
    w.variants()->setStripText("Name", "Вдоль склада");
    prompter.clear();
    w.ranges()->insertRow();
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Ошибка. Завершите работу с главной таблицей.");
    ASSERT_TRUE(w.variants()->postRow());
    // A range with X1 > X2 is refused with its message; corrected, it posts.
    prompter.clear();
    EXPECT_FALSE(enter(w.ranges(), {{"X1", "10"}, {"X2", "0"}, {"DX", "5"}, {"Y1", "10"}, {"Y2", "10"}, {"DY", "1"}}));
    ASSERT_FALSE(prompter.messages.empty());
    EXPECT_EQ(prompter.messages[0].text,
              "Ошибка. Значение поля \"Х1, м\" должно быть меньше либо равно значению поля \"Х2, м\".");
    w.ranges()->setStripText("X1", "0");
    w.ranges()->setStripText("X2", "10");
    ASSERT_TRUE(w.ranges()->postRow());
    // The object band adds a second range around "Навес" (band 1 m).
    w.setBandAnswer([](ObjectBandDialog &d) {
        d.objectBox()->setCurrentText("Навес");
        d.widthEdit()->setText("0");
        d.stepWidth(1, true);
        return true;
    });
    w.addObjectBand(1, false);
    EXPECT_EQ(dm->table(TableId::Diap1).recordCount(), 2);
    w.updateButtons();
    EXPECT_TRUE(w.button("Расчет")->isEnabled());

    w.runSearch();
    EXPECT_TRUE(w.isRunning());
    EXPECT_TRUE(w.button("Стоп")->isEnabled());
    EXPECT_FALSE(w.button("ОК")->isEnabled());
    w.waitForWork();
    EXPECT_FALSE(w.isRunning());
    Table &v = dm->table(TableId::Diap0);
    ASSERT_FALSE(v.isNull("H"));
    EXPECT_TRUE(w.button("ОК")->isEnabled());

    // Height table over the first range: 3 x 1 points, the minimum current.
    dm->table(TableId::Diap1).first();
    w.buildTable();
    w.waitForWork();
    ASSERT_TRUE(w.heightModel()->hasTable());
    EXPECT_EQ(w.heightModel()->columnCount(), 4);
    EXPECT_EQ(w.heightModel()->index(0, 0).data().toString(), "Y  \\  X");
    EXPECT_EQ(w.heightGrid()->currentIndex(), w.heightModel()->minimumIndex());
    EXPECT_EQ(w.findList(0)->count(), 3);
    w.findList(0)->setCurrentText("5");
    w.find();
    EXPECT_EQ(w.heightGrid()->currentIndex().column(), 2);
    EXPECT_TRUE(w.button("Диаграмма...")->isEnabled());

    // The height map and the diagram of the table.
    w.toggleMap();
    EXPECT_TRUE(w.mapPanel()->isVisible());
    w.mapPanel()->showCellAt(QPoint(1, 1));
    EXPECT_EQ(w.mapPanel()->fieldText("Координата X, м:"), "0");
    shot(w.mapPanel(), "height-map.png");
    const double cellAt10 =
        w.heightModel()->index(1, 3).data(HeightTableModel::HeightRole).toDouble();
    w.setDiagramShow([cellAt10](PlacementDiagramWindow &d) {
        d.fixedYRadio()->setChecked(true);
        d.setAllTicks(1);
        d.resize(1000, 680);
        d.show();
        QApplication::processEvents();
        ASSERT_EQ(d.series().size(), 1u);
        EXPECT_EQ(d.series()[0].title, "Y = 10");
        ASSERT_EQ(d.series()[0].points.size(), 3u);
        EXPECT_EQ(d.series()[0].points[2].label, "10");
        EXPECT_EQ(d.series()[0].points[2].value, cellAt10); // the table's cell at x = 10
        EXPECT_EQ(d.titleField()->text(), "Зависимость требуемой высоты молниеотвода Н от значения "
                                          "координаты X при фиксированных значениях координаты Y.");
        EXPECT_EQ(d.bottomAxisTitle(), "X, м");
        // As bars, every non-zero value in an aqua mark, in the chart's decimal comma.
        EXPECT_TRUE(d.marks().marks().empty()); // curves have none
        d.barsRadio()->setChecked(true);
        QApplication::processEvents();
        std::vector<QString> texts;
        for (const DiagramPoint &p : d.series()[0].points)
            if (p.value != 0)
                texts.push_back(QLocale(QLocale::Russian).toString(p.value, 'g', 6));
        std::sort(texts.begin(), texts.end());
        EXPECT_EQ(markTexts(d.marks(), d.chartView()), texts);
        shot(&d, "place-diagram.png");
        d.labelsList()->setCurrentText("нет");
        EXPECT_TRUE(d.marks().marks().empty());
        d.labelsList()->setCurrentText("значение");
        // Along Y: three one-bar series, the same three values.
        d.fixedXRadio()->setChecked(true);
        d.setAllTicks(1);
        QApplication::processEvents();
        EXPECT_EQ(markTexts(d.marks(), d.chartView()), texts);
        const QString emf = QDir::temp().filePath("korvan-place-diagram.emf");
        EXPECT_TRUE(d.saveChart(emf));
        EXPECT_GT(QFileInfo(emf).size(), 1000);
        QFile::remove(emf);
        d.hide();
    });
    w.openDiagram();

    // OK in table mode moves the rod to the current cell's coordinates; undo puts it back.
    w.setResultMode(ResultMode::Table);
    w.resize(1180, 720);
    w.show();
    QApplication::processEvents();
    shot(&w, "place-single.png");
    ASSERT_TRUE(w.applyResult());
    EXPECT_EQ(doc->snapshot().conductors[0].MX, 5);
    EXPECT_EQ(doc->snapshot().conductors[0].MY, 10);
    doc->undoStack()->undo();
    EXPECT_EQ(doc->snapshot().conductors[0].MX, 0);
    w.setResultMode(ResultMode::Variant);
    ASSERT_TRUE(w.applyResult());
    EXPECT_EQ(doc->snapshot().conductors[0].MX,
              snapToGrid(dm->table(TableId::Diap0).asDouble("X"), doc->gridStep()));
    EXPECT_EQ(doc->snapshot().conductors[0].MY,
              snapToGrid(dm->table(TableId::Diap0).asDouble("Y"), doc->gridStep()));
    w.hide();
}

TEST_F(PlaceWindows, StopLeavesEmptyResultsAndTheWindowUsable)
{
    newProject("одиночный стержневой молниеотвод", {{0, 0}});
    addObject("Склад", 10, 10, 5, 5, 9.2, "Б");
    openDocument();
    PlacementWindow w(*doc, prompter, false);
    w.activate();
    ASSERT_TRUE(enter(w.variants(), {{"Name", "Большой"}}));
    ASSERT_TRUE(enter(w.ranges(), {{"X1", "0"}, {"X2", "2000"}, {"DX", "0,25"}, {"Y1", "0"}, {"Y2", "2000"}, {"DY", "0,25"}}));
    w.runSearch();
    w.stop();
    w.waitForWork();
    EXPECT_FALSE(w.isRunning());
    EXPECT_TRUE(dm->table(TableId::Diap0).isNull("H"));
    EXPECT_TRUE(dm->table(TableId::Diap1).isNull("H"));
    EXPECT_EQ(w.progressBar()->value(), 0);
    EXPECT_TRUE(w.button("Расчет")->isEnabled());
    EXPECT_FALSE(w.button("ОК")->isEnabled());
}

TEST_F(PlaceWindows, NoZonedObjectsDisablesTheSearch)
{
    newProject("одиночный стержневой молниеотвод", {{0, 0}});
    openDocument();
    PlacementWindow w(*doc, prompter, false);
    w.activate();
    ASSERT_TRUE(enter(w.variants(), {{"Name", "Пустой"}}));
    ASSERT_TRUE(enter(w.ranges(), {{"X1", "0"}, {"X2", "5"}, {"DX", "1"}, {"Y1", "0"}, {"Y2", "5"}, {"DY", "1"}}));
    w.updateButtons();
    EXPECT_FALSE(w.button("Расчет")->isEnabled());
    EXPECT_FALSE(w.button("Расчет")->toolTip().isEmpty());
}

TEST_F(PlaceWindows, ComplexCombinationsTableAndFourTextFind)
{
    newProject("одиночный тросовый молниеотвод", {{0, 0}, {40, 0}});
    addObject("Цех", 15, 5, 10, 5, 6, "Б", 0x80FF80);
    addObject("Склад", 18, 14, 6, 4, 5, "А", 0x40C0FF);
    openDocument();
    PlacementWindow w(*doc, prompter, true);
    w.activate();
    ASSERT_TRUE(enter(w.variants(), {{"Name", "Две опоры"}}));
    ASSERT_TRUE(enter(w.ranges(1), {{"DiapName", "Запад"}, {"X1", "0"}, {"X2", "2"}, {"DX", "1"}, {"Y1", "5"}, {"Y2", "7"}, {"DY", "1"}}));
    ASSERT_TRUE(enter(w.ranges(1), {{"DiapName", "Север"}, {"X1", "10"}, {"X2", "12"}, {"DX", "1"}, {"Y1", "0"}, {"Y2", "1"}, {"DY", "1"}}));
    ASSERT_TRUE(enter(w.ranges(2), {{"DiapName", "Восток"}, {"X1", "35"}, {"X2", "37"}, {"DX", "1"}, {"Y1", "8"}, {"Y2", "10"}, {"DY", "1"}}));
    // A sub-range in support 1's first range, sticking out: the clipping question, answered Yes.
    dm->table(TableId::Diap2MO1).first();
    prompter.askAnswers = {true};
    ASSERT_TRUE(enter(w.subranges(1), {{"X1", "-5"}, {"VklX1", "+"}, {"X2", "0"}, {"VklX2", "+"}, {"Y1", "5"}, {"VklY1", "+"}, {"Y2", "7"}, {"VklY2", "+"}}));
    EXPECT_EQ(dm->table(TableId::Diap2MO2).asDouble("X1"), 0);
    w.updateButtons();
    w.runSearch();
    w.waitForWork();
    EXPECT_EQ(dm->table(TableId::Diap2MO3).recordCount(), 2);
    ASSERT_FALSE(dm->table(TableId::Diap2MO0).isNull("H1"));

    dm->table(TableId::Diap2MO1).first();
    w.buildTable();
    w.waitForWork();
    ASSERT_EQ(w.heightModel()->table().mode, TableMode::Both);
    // Every x1 repeats along three columns: all four texts pick one cell.
    w.findList(0)->setCurrentText("1");
    w.findList(1)->setCurrentText("7");
    w.findList(2)->setCurrentText("36");
    w.findList(3)->setCurrentText("9");
    w.find();
    const QModelIndex cur = w.heightGrid()->currentIndex();
    EXPECT_EQ(w.heightModel()->index(0, cur.column()).data().toString(), "1");
    EXPECT_EQ(w.heightModel()->index(1, cur.column()).data().toString(), "7");
    EXPECT_EQ(w.heightModel()->index(cur.row(), 0).data().toString(), "36");
    EXPECT_EQ(w.heightModel()->index(cur.row(), 1).data().toString(), "9");
    w.setResultMode(ResultMode::Table);
    ASSERT_TRUE(w.applyResult());
    EXPECT_EQ(doc->snapshot().conductors[0].MX, 1);
    EXPECT_EQ(doc->snapshot().conductors[1].MX, 36);

    w.tabs()->setCurrentIndex(1);
    w.resize(1320, 700);
    w.show();
    QApplication::processEvents();
    shot(&w, "place-complex.png");
    // The scheme at scale 4: support 2's marker red inside its green range, whose outline is
    // drawn over support 1's marker on the border of the blue range.
    const QImage s = w.schemeImage();
    EXPECT_EQ(s.pixelColor(4 * 36, 4 * 9), QColor(Qt::red));
    EXPECT_EQ(s.pixelColor(4 * 36, 4 * 8), QColor(0, 128, 0));
    EXPECT_EQ(s.pixelColor(4 * 1, 4 * 7), QColor(0, 0, 255));
    w.hide();

    ObjectBandDialog &band = *w.bandDialog();
    band.prepare({"Цех", "Склад"}, true);
    band.widthEdit()->setText("0,1");
    band.stepWidth(0.1, false);
    EXPECT_EQ(band.widthEdit()->text(), "0");
    band.stepWidth(0.1, false);
    EXPECT_EQ(band.widthEdit()->text(), "0");
    band.stepWidth(1, true);
    band.show();
    QApplication::processEvents();
    shot(&band, "object-band.png");
    band.hide();
}

TEST_F(PlaceWindows, ObjectDiagramsShowSevenSeriesForADoubleRod)
{
    newProject("двойной стержневой молниеотвод", {{0, 10}, {30, 10}});
    addObject("Цех", 10, 5, 10, 5, 6, "Б", 0x80FF80);
    addObject("Склад", 12, 14, 6, 4, 5, "А", 0x40C0FF);
    addObject("Гараж", 2, 2, 4, 4, 3, "Б", 0x8080FF);
    openDocument();
    doc->runPodbor();
    ObjectDiagramsWindow w(*doc);
    w.activate();
    EXPECT_EQ(w.perPageSpin()->value(), 3);
    EXPECT_EQ(w.pageSpin()->maximum(), 1);
    ASSERT_EQ(w.shown().size(), 7u);
    EXPECT_EQ(w.shown()[0].title, "Hx, м");
    ASSERT_EQ(w.shown()[0].bars.size(), 3u);
    EXPECT_EQ(w.shown()[0].bars[1].first, "Склад");
    EXPECT_EQ(w.shown()[0].bars[1].second, 5);
    // Two per page: the second page holds the third object.
    w.perPageSpin()->setValue(2);
    EXPECT_EQ(w.pageSpin()->maximum(), 2);
    w.pageSpin()->setValue(2);
    ASSERT_EQ(w.shown()[0].bars.size(), 1u);
    EXPECT_EQ(w.shown()[0].bars[0].first, "Гараж");
    w.resize(1000, 640);
    w.show();
    QApplication::processEvents();
    std::vector<QString> texts;
    for (const auto &s : w.shown())
        if (s.bars[0].second != 0)
            texts.push_back(QLocale(QLocale::Russian).toString(s.bars[0].second, 'g', 6));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "3"), texts.end()); // Hx of "Гараж"
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(markTexts(w.marks(), w.chartView()), texts);
    shot(&w, "object-diagrams.png");
    // The marks follow another page, a smaller window (bars thinner than a mark) and a zoom, and
    // go for "нет".
    w.pageSpin()->setValue(1);
    w.resize(760, 520);
    for (QPushButton *b : w.findChildren<QPushButton *>())
        if (b->text() == "+")
            for (int i = 0; i < 30; ++i)
                b->click();
    QApplication::processEvents();
    EXPECT_FALSE(markTexts(w.marks(), w.chartView()).empty());
    w.findChild<QComboBox *>()->setCurrentText("нет");
    EXPECT_TRUE(w.marks().marks().empty());
    const std::string jpg = dir + "/chart.jpg";
    EXPECT_TRUE(w.saveChart(QString::fromStdString(jpg)));
    EXPECT_TRUE(std::filesystem::exists(jpg));
    EXPECT_FALSE(std::filesystem::exists(dir + "/image1.bmp"));
    // "Экспорт..." appends the chart to a report document.
    const std::string docx = dir + "/diagram.docx";
    EXPECT_TRUE(w.exportToDocument(QString::fromStdString(docx)));
    EXPECT_GT(std::filesystem::file_size(docx), 1000u);
    w.hide();
}
