// Applying a placement result: the positions each result mode gives, snapped to the object
// step, written into the conductor rows; and the same through korvan-cli place --apply.

#include "fixture.h"

#include "data/snapshot.h"
#include "placement/placementapply.h"
#include "placement/placementdriver.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <memory>

using namespace kv;
using kv::test::PlacementDb;

namespace {

std::string runCli(const std::string &args)
{
    std::array<char, 4096> buf{};
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE *)> p(popen((std::string(KORVAN_CLI) + " " + args +
                                                    " 2>/dev/null").c_str(), "r"), pclose);
    size_t n;
    while (p && (n = fread(buf.data(), 1, buf.size(), p.get())) > 0)
        out.append(buf.data(), n);
    return out;
}

} // namespace

TEST_F(PlacementDb, SingleRodResultModesAndSnap)
{
    newProject("одиночный стержневой молниеотвод", {{0, 0}});
    addObject("Склад", 10, 10, 0, 0, 9.2, "Б");
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 10, 1));
    ASSERT_TRUE(addRange(TableId::Diap1, 0.3, 0.3, 1, 3.7, 4.7, 1));
    SearchFeedback fb;
    runSingleRodSearch(*dm, fb);

    const ConductorPositions v = placementResult(*dm, false, ResultMode::Variant);
    ASSERT_TRUE(v.p1);
    EXPECT_EQ(v.p1->x, 10);
    EXPECT_FALSE(v.p2);
    // Range mode reads the current range, which need not be the winner.
    dm->table(TableId::Diap1).last();
    const ConductorPositions r =
        snapToObjectStep(*dm, placementResult(*dm, false, ResultMode::Range));
    ASSERT_TRUE(r.p1);
    EXPECT_EQ(r.p1->x, 0); // 0,3 snapped to the step of 1
    EXPECT_EQ(r.p1->y, 5); // 4,7, the nearer of 3,7 and 4,7
    // Table mode: the header texts of the cell, whatever the cell holds; header cells give none.
    dm->table(TableId::Diap1).first();
    const TableOutcome t = buildSingleRodTable(*dm, fb);
    const ConductorPositions c = placementResult(*dm, false, ResultMode::Table, &t.table, 2, 1);
    ASSERT_TRUE(c.p1);
    EXPECT_EQ(c.p1->x, 5);
    EXPECT_EQ(c.p1->y, 10);
    EXPECT_TRUE(placementResult(*dm, false, ResultMode::Table, &t.table, 0, 1).empty());

    ASSERT_TRUE(setConductorPositions(*dm, snapToObjectStep(*dm, v)));
    const ConductorPositions now = conductorPositions(*dm);
    ASSERT_TRUE(now.p1);
    EXPECT_EQ(now.p1->x, 10);
    EXPECT_EQ(now.p1->y, 10);
}

TEST_F(PlacementDb, ComplexTableModeMovesOnlyTheRangedSupport)
{
    newProject("одиночный тросовый молниеотвод", {{0, 0}, {40, 0}});
    addObject("Цех", 15, 5, 10, 5, 6, "Б");
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    ASSERT_TRUE(addRange(TableId::Diap2MO11, 30, 32, 1, 0, 2, 1, "Юг"));
    SearchFeedback fb;
    const TableOutcome t = buildComplexTable(*dm, fb);
    ASSERT_EQ(t.table.mode, TableMode::Support2);
    const ConductorPositions c = placementResult(*dm, true, ResultMode::Table, &t.table, 3, 2);
    EXPECT_FALSE(c.p1);
    ASSERT_TRUE(c.p2);
    EXPECT_EQ(c.p2->x, 32);
    EXPECT_EQ(c.p2->y, 1);
    ASSERT_TRUE(setConductorPositions(*dm, c));
    const ConductorPositions now = conductorPositions(*dm);
    EXPECT_EQ(now.p1->x, 0);
    EXPECT_EQ(now.p2->x, 32);
}

TEST_F(PlacementDb, CliApplyMovesTheRodToTheVariantResult)
{
    newProject("одиночный стержневой молниеотвод", {{0, 0}});
    addObject("Склад", 10, 10, 0, 0, 9.2, "Б");
    ASSERT_TRUE(addVariant(TableId::Diap0));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 10, 1));
    const int project = dm->project().asInt("Kod");
    const int variant = dm->table(TableId::Diap0).asInt("Kod");
    dm.reset();
    const std::string args = "--data '" + dir + "' place " + std::to_string(project) +
                             " --variant " + std::to_string(variant);
    const nlohmann::json out = nlohmann::json::parse(runCli(args + " --apply --podbor"));
    EXPECT_EQ(out["applied"]["support1"]["MX"], 10);
    EXPECT_EQ(out["applied"]["support1"]["MY"], 10);
    EXPECT_EQ(out["applied"]["H"], 10); // the selection at the new position: 0/1,5 + 9,2/0,92
    dm = std::make_unique<DataModule>(dir, prompter);
    dm->openAll();
    ASSERT_TRUE(locateProject(*dm, project));
    EXPECT_EQ(dm->mo().asDouble("MX"), 10);
    EXPECT_EQ(dm->mo().asDouble("H"), 10);
}

// The move and the selection after it are one command: when the second support's row is refused,
// or the selection cannot store its results, neither support has moved and nothing else changed.
TEST_F(PlacementDb, ApplyingMovesBothSupportsAndTheSelectionOrNothing)
{
    newProject("одиночный тросовый молниеотвод", {{0, 0}, {40, 0}});
    addObject("Цех", 15, 5, 10, 5, 6, "Б");
    const ConductorPositions target{Pt{2, 3}, Pt{38, 3}};
    const auto failSecondSupport = [&] {
        dm->mo().beforePost = [](Table &t) { return t.asDouble("MX") != 38; };
    };
    const auto failSelection = [&] {
        dm->project().beforePost = [](Table &) -> bool { throw TableError("сбой записи"); };
    };
    const std::pair<std::function<void()>, bool> cases[] = {{failSecondSupport, false},
                                                            {failSelection, true}};
    for (const auto &[fail, throws] : cases) {
        const auto moBefore = dm->mo().beforePost;
        const auto projectBefore = dm->project().beforePost;
        fail();
        if (throws)
            EXPECT_THROW(applyConductorPositions(*dm, target, true), TableError);
        else
            EXPECT_FALSE(applyConductorPositions(*dm, target, true));
        dm->mo().beforePost = moBefore;
        dm->project().beforePost = projectBefore;
        // As another program sees the folder.
        RecordingPrompter other;
        DataModule fresh(dir, other);
        fresh.openAll();
        ASSERT_TRUE(locateProject(fresh, dm->project().asInt("Kod")));
        const ConductorPositions now = conductorPositions(fresh);
        EXPECT_EQ(now.p1->x, 0);
        EXPECT_EQ(now.p2->x, 40);
        EXPECT_TRUE(fresh.mo().isNull("H"));
    }
    PodborResult r;
    ASSERT_TRUE(applyConductorPositions(*dm, target, true, &r));
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(conductorPositions(*dm).p2->x, 38);
}
