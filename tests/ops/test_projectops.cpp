// Operations over the current project's rows, on a fresh data folder.

#include "calc/records.h"
#include "data/datamodule.h"
#include "data/objectops.h"
#include "data/podborops.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace kv;
namespace fs = std::filesystem;

namespace {

class ProjectOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = (fs::temp_directory_path() / "korvan-ops-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string());
        dm = std::make_unique<DataModule>(dir.string(), prompter);
        dm->openAll();
        ASSERT_TRUE(prompter.messages.empty());
    }
    void TearDown() override
    {
        dm.reset();
        fs::remove_all(dir);
    }

    // A new current project with one conductor row per position.
    void newProject(const char *tip, int T, double n, std::vector<std::pair<double, double>> mos)
    {
        Table &p = dm->project();
        ASSERT_TRUE(p.append());
        p.setValue("Name", "Тест");
        p.setValue("ProdGrozMin", T);
        p.setValue("Udarov", n);
        p.setValue("TipMO", tip);
        p.setValue("IScale", 500);
        ASSERT_TRUE(p.post());
        for (auto [x, y] : mos) {
            ASSERT_TRUE(dm->mo().append());
            dm->mo().setValue("MX", x);
            dm->mo().setValue("MY", y);
            ASSERT_TRUE(dm->mo().post());
        }
    }

    void addObject(const char *name, int cls, double x, double y, double L, double S, double Hx,
                   const char *zona, int kateg)
    {
        Table &o = dm->object();
        ASSERT_TRUE(o.append());
        o.setValue("Name", name);
        o.setValue("SLabel", "1");
        o.setValue("Tip", cls);
        o.setValue("MXa", x);
        o.setValue("MYa", y);
        o.setValue("L", L);
        o.setValue("S", S);
        o.setValue("Hx", Hx);
        o.setValue("Zona", zona);
        o.setValue("Kateg", kateg);
        o.setValue("ShapeName", std::string("Shape_") + name);
        ASSERT_TRUE(o.post());
    }

    fs::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

} // namespace

TEST_F(ProjectOps, CountZonesOfAnEmptyProjectIsZero)
{
    newProject(kTipSingleRod, 60, 5.5, {{0, 0}});
    CountZones(*dm);
    EXPECT_EQ(dm->project().value("ZonaACnt"), Value(0));
    EXPECT_EQ(dm->project().value("ZonaBCnt"), Value(0));
}

TEST_F(ProjectOps, CountZonesKeepsTheCurrentObject)
{
    newProject(kTipSingleRod, 60, 5.5, {{0, 0}});
    addObject("a", 1, 0, 0, 10, 10, 5, "А", 1);
    addObject("b", 3, 0, 0, 10, 10, 5, "Б", 2);
    addObject("c", 3, 0, 0, 10, 10, 5, "Б", 2);
    dm->object().first();
    dm->object().next();
    const auto b = dm->object().bookmark();
    CountZones(*dm);
    EXPECT_EQ(dm->project().asInt("ZonaACnt"), 1);
    EXPECT_EQ(dm->project().asInt("ZonaBCnt"), 2);
    EXPECT_EQ(dm->object().bookmark(), b);
}

TEST_F(ProjectOps, ReevaluateDeletesObjectsThatLostTheirNeed)
{
    // Classes 4 and 5 need N above 0,1 / 0,02; a lower strike density takes it away.
    newProject(kTipSingleRod, 60, 0.1, {{0, 0}});
    addObject("Склад", 4, 0, 0, 10, 5, 5, "Б", 3);
    addObject("Цех", 3, 20, 0, 10, 5, 5, "Б", 2);
    addObject("Гараж", 5, 40, 0, 10, 5, 5, "Б", 3);
    std::vector<std::string> removed;
    ReevaluateObjects(*dm, [&](const std::string &s) { removed.push_back(s); });
    const auto infos = prompter.texts(RecordingPrompter::Kind::Info);
    ASSERT_EQ(infos.size(), 2u);
    EXPECT_EQ(infos[0], "Внимание.\rОбъект \"Склад\" не нуждается в молниезащите и будет удален "
                        "из проекта.");
    EXPECT_EQ(infos[1], "Внимание.\rОбъект \"Гараж\" не нуждается в молниезащите и будет удален "
                        "из проекта.");
    EXPECT_EQ(removed, (std::vector<std::string>{"Shape_Склад", "Shape_Гараж"}));
    ASSERT_EQ(dm->object().recordCount(), 1);
    dm->object().first();
    EXPECT_EQ(dm->object().asText("Name"), "Цех");
    // N is stored rounded to hundredths: [(5+30)(10+30) − 192,5]·0,1·10⁻⁶ → 0.
    EXPECT_EQ(dm->object().value("N"), Value(0.0));
}

TEST_F(ProjectOps, ReevaluateRewritesZoneAndCategory)
{
    newProject(kTipSingleRod, 60, 5.5, {{0, 0}});
    addObject("Большой склад", 4, 0, 0, 600, 600, 20, "Б", 3); // N = 2,63
    ReevaluateObjects(*dm);
    EXPECT_TRUE(prompter.messages.empty());
    dm->object().first();
    EXPECT_EQ(dm->object().asText("Zona"), "А");
    EXPECT_EQ(dm->object().asInt("Kateg"), 3);
    EXPECT_GT(dm->object().asDouble("N"), 2);
}

TEST_F(ProjectOps, SelectionWritesRowsAndKeepsNulls)
{
    newProject(kTipSingleRod, 60, 5.5, {{0, 0}});
    addObject("a", 3, 10, 0, 10, 5, 5, "Б", 2);
    CountZones(*dm);
    const PodborResult r = runAutoPodbor(*dm);
    ASSERT_TRUE(r.ran);
    Table &mo = dm->mo();
    mo.first();
    EXPECT_FALSE(mo.isNull("H"));
    EXPECT_FALSE(mo.isNull("Ro_b"));
    EXPECT_TRUE(mo.isNull("Ro_a")); // no zone A object
    EXPECT_TRUE(mo.isNull("Hop"));
    dm->object().first();
    EXPECT_FALSE(dm->object().isNull("Rx"));
    EXPECT_TRUE(dm->object().isNull("Rx1"));
    EXPECT_EQ(dm->object().asDouble("H"), mo.asDouble("H"));
}

TEST_F(ProjectOps, ChoiceByCatalogueKeyAndClearing)
{
    newProject(kTipSingleRod, 60, 5.5, {{0, 0}});
    addObject("a", 3, 10, 0, 10, 5, 5, "Б", 2);
    CountZones(*dm);
    runAutoPodbor(*dm);
    Table &items = dm->table(TableId::SMo1);
    Table &groups = dm->table(TableId::SMo0);
    groups.last();
    items.first();
    const int kod = items.asInt("Kod");
    const std::string tip = items.asText("Tip");
    const double h = items.asDouble("H");
    groups.first(); // the construction is found whatever group is current
    ASSERT_TRUE(chooseConstruction(*dm, kod));
    Table &mo = dm->mo();
    mo.first();
    EXPECT_EQ(mo.asText("Tip"), tip);
    EXPECT_EQ(mo.asDouble("H1"), h);
    EXPECT_FALSE(chooseConstruction(*dm, 999999));
    clearChosenConstruction(*dm);
    mo.first();
    EXPECT_TRUE(mo.isNull("H1"));
    EXPECT_TRUE(mo.isNull("Tip"));
    EXPECT_FALSE(mo.isNull("H"));
}

TEST_F(ProjectOps, LongGroupNameIsCutToTheNoteField)
{
    newProject(kTipSingleRod, 60, 5.5, {{0, 0}});
    addObject("a", 3, 10, 0, 10, 5, 5, "Б", 2);
    CountZones(*dm);
    Table &groups = dm->table(TableId::SMo0);
    Table &items = dm->table(TableId::SMo1);
    ASSERT_TRUE(groups.append());
    const std::string longName(70, 'x');
    groups.setValue("Name", "Опоры " + longName);
    ASSERT_TRUE(groups.post());
    ASSERT_TRUE(items.append());
    items.setValue("Tip", "МС-99");
    items.setValue("H", 30.0);
    ASSERT_TRUE(items.post());
    ASSERT_TRUE(chooseConstruction(*dm, items.asInt("Kod")));
    EXPECT_TRUE(prompter.errors().empty());
    dm->mo().first();
    EXPECT_EQ(dm->mo().asText("Prim"), "Опоры " + std::string(44, 'x'));
    EXPECT_EQ(dm->mo().asDouble("H1"), 30.0);
}
