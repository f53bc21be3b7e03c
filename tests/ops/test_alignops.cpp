// The alignment, coordinate, catalogue search and settings operations on a fresh data folder.

#include "data/alignops.h"
#include "data/constructionsearch.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/settingsops.h"
#include "data/snapshot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace kv;
namespace fs = std::filesystem;

namespace {

class AlignOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = (fs::temp_directory_path() / "korvan-align-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string());
        dm = std::make_unique<DataModule>(dir.string(), prompter);
        dm->openAll();
    }
    void TearDown() override
    {
        dm.reset();
        fs::remove_all(dir);
    }
    void newProject(const char *tip, std::vector<std::pair<double, double>> mos, double h = 0)
    {
        Table &p = dm->project();
        ASSERT_TRUE(p.append());
        p.setValue("Name", "Тест");
        p.setValue("TipMO", tip);
        ASSERT_TRUE(p.post());
        for (auto [x, y] : mos) {
            ASSERT_TRUE(dm->mo().append());
            dm->mo().setValue("MX", x);
            dm->mo().setValue("MY", y);
            if (h > 0)
                dm->mo().setValue("H", h);
            ASSERT_TRUE(dm->mo().post());
        }
    }
    int addObject(const char *name, double x, double y, double l, double s)
    {
        Table &o = dm->object();
        EXPECT_TRUE(o.append());
        o.setValue("Name", name);
        o.setValue("MXa", x);
        o.setValue("MYa", y);
        o.setValue("L", l);
        o.setValue("S", s);
        o.setValue("Hx", 5.0);
        EXPECT_TRUE(o.post());
        return o.asInt("Kod");
    }

    fs::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

} // namespace

TEST_F(AlignOps, EachCommandWritesOneRowAndKeepsTheCurrentRows)
{
    newProject(kTipCable, {{5, 5}, {10, 10}});
    const int a = addObject("a", 10, 10, 5, 3);
    const int b = addObject("b", 0, 0, 6, 4);
    dm->object().first();
    dm->mo().first();

    alignConductorToObject(*dm, 1, a, 2, 3, 1);
    EXPECT_EQ(conductorAt(*dm, 1).MX, 13.0);
    EXPECT_EQ(conductorAt(*dm, 1).MY, 13.0);
    EXPECT_EQ(conductorAt(*dm, 0).MX, 5.0); // the other support stays

    setConductorCoords(*dm, 1, CoordKind::RelativeToOther, 30, 0, -1, AlignPoint::TopLeft, 1);
    EXPECT_EQ(conductorAt(*dm, 1).MX, 35.0);
    EXPECT_EQ(conductorAt(*dm, 1).MY, 5.0);
    setConductorCoords(*dm, 0, CoordKind::RelativeToObject, 0, 0, a, AlignPoint::Center, 1);
    EXPECT_EQ(conductorAt(*dm, 0).MX, 13.0);
    EXPECT_EQ(conductorAt(*dm, 0).MY, 12.0);

    alignObjectToConductor(*dm, b, AlignPoint::Center, 1, 1);
    EXPECT_EQ(objectByKod(*dm, b).MXa, 32.0);
    EXPECT_EQ(objectByKod(*dm, b).MYa, 3.0);
    alignObjectToObject(*dm, b, AlignPoint::TopLeft, a, AlignPoint::BottomRight, 0.5);
    EXPECT_EQ(objectByKod(*dm, b).MXa, 15.0);
    EXPECT_EQ(objectByKod(*dm, b).MYa, 13.0);

    // The rows that were current stay current.
    EXPECT_EQ(dm->object().asInt("Kod"), a);
    EXPECT_EQ(dm->mo().recNo(), 0);
    EXPECT_THROW(alignObjectToConductor(*dm, 9999, AlignPoint::Center, 0, 1), TableError);
}

TEST_F(AlignOps, RelativeToTheOtherSupportNeedsTwoRows)
{
    newProject(kTipSingleRod, {{5, 5}});
    EXPECT_THROW(setConductorCoords(*dm, 0, CoordKind::RelativeToOther, 1, 1, -1,
                                    AlignPoint::TopLeft, 1),
                 TableError);
    EXPECT_EQ(conductorAt(*dm, 0).MX, 5.0);
}

TEST_F(AlignOps, SearchPicksTheCatalogueByTheConductorType)
{
    // A catenary project before any selection (no H, no Hop) must search the catenary catalogue
    // although its Hop is empty; a rod project with H 30 lists rods of 30 m and more, lowest first.
    newProject(kTipCable, {{0, 0}, {30, 0}});
    ASSERT_TRUE(usesCableCatalogue(*dm));
    EXPECT_FALSE(catalogueHeight(*dm));
    EXPECT_EQ(heightFilter(std::nullopt), "");
    ConstructionSearch s;
    s.build(*dm, true, catalogueHeight(*dm));
    ASSERT_EQ(s.rows().size(), 11u);
    EXPECT_EQ(s.rows().front().tip, "ОТС-10");

    newProject(kTipSingleRod, {{0, 0}}, 30);
    ASSERT_FALSE(usesCableCatalogue(*dm));
    ASSERT_EQ(catalogueHeight(*dm), 30.0);
    EXPECT_EQ(heightFilter(30.5), "[H]>=30,5");
    s.build(*dm, false, catalogueHeight(*dm));
    std::vector<std::string> tips;
    for (const auto &r : s.rows())
        tips.push_back(r.tip);
    EXPECT_EQ(tips, (std::vector<std::string>{"МРС-30", "ОЖБ-30", "МРС-35", "МРС-40", "МРС-50"}));
    auto b = s.buttons();
    EXPECT_FALSE(b.first || b.prior);
    EXPECT_TRUE(b.next && b.last && b.table);
    s.last();
    b = s.buttons();
    EXPECT_TRUE(b.first && b.prior);
    EXPECT_FALSE(b.next || b.last);
    // Showing a row makes its group and construction current.
    ASSERT_TRUE(s.show(*dm, false));
    EXPECT_EQ(dm->table(TableId::SMo1).asText("Tip"), "МРС-50");
    EXPECT_EQ(dm->table(TableId::SMo0).asInt("Kod"), 2);
    // A construction deleted meanwhile: the message, the rows stay.
    s.first();
    Table &items = dm->table(TableId::SMo1);
    dm->table(TableId::SMo0).first();
    dm->table(TableId::SMo0).next();
    ASSERT_TRUE(items.locate({{"Tip", Value("МРС-30")}}));
    ASSERT_TRUE(items.remove());
    EXPECT_FALSE(s.show(*dm, false));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{kMsgSearchFailed});
    EXPECT_EQ(dm->table(TableId::SMo0).asInt("Kod"), 2);
    s.discard();
    EXPECT_FALSE(s.buttons().table);
}

TEST_F(AlignOps, SettingsLimitsAndSave)
{
    SettingsRec s = loadSettings(*dm);
    EXPECT_FALSE(checkDoubleRodLimits(s));
    s.A2 = 5; // A2 > A3 = 4
    EXPECT_EQ(checkDoubleRodLimits(s), std::string(kMsgLimitsA));
    s.A2 = 4; // equal limits are allowed
    EXPECT_FALSE(checkDoubleRodLimits(s));
    s.B1 = 7;
    EXPECT_EQ(checkDoubleRodLimits(s), std::string(kMsgLimitsB));
    s.B1 = 0;
    EXPECT_EQ(checkDoubleRodLimits(s), std::string(kMsgLimitsB));
    s.B1 = 1;
    s.MOColor = 0xff00;
    s.LastProj = 77; // the window does not edit it
    const auto lastBefore = dm->param().value("LastProj");
    saveSettings(*dm, s);
    EXPECT_EQ(dm->param().asInt("MOColor"), 0xff00);
    EXPECT_EQ(dm->param().value("LastProj"), lastBefore);
}
