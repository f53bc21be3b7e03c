// The searches and height tables over the placement tables of a project.

#include "calc/records.h"
#include "fixture.h"
#include "placement/placementdriver.h"

#include <cmath>

using namespace kv;
using kv::test::PlacementDb;

class SingleDriver : public PlacementDb {
protected:
    void SetUp() override
    {
        PlacementDb::SetUp();
        newProject(kTipSingleRod, {{0, 0}});
        addObject("Объект", 10, 10, 0, 0, 9.2, kZoneB);
        ASSERT_TRUE(addVariant(TableId::Diap0));
    }
    Table &variant() { return dm->table(TableId::Diap0); }
    Table &ranges() { return dm->table(TableId::Diap1); }
};

TEST_F(SingleDriver, ResultsGoToRangesAndVariant)
{
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 10, 1));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 5, 5, 10, 10, 1));
    SearchFeedback fb;
    const SearchOutcome out = runSingleRodSearch(*dm, fb);
    ASSERT_TRUE(out.found);
    EXPECT_EQ(variant().asDouble("X"), 10);
    EXPECT_EQ(variant().asDouble("Y"), 10);
    EXPECT_EQ(variant().asDouble("H"), 10);
    EXPECT_EQ(ranges().recNo(), 0);
    ranges().last();
    EXPECT_EQ(ranges().asDouble("X"), 5);
    EXPECT_EQ(fb.progressMaximum(), 5);
    EXPECT_EQ(fb.progress(), 0);
}

TEST_F(SingleDriver, EqualRangesLeaveTheFirstCurrent)
{
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 10, 1));
    ASSERT_TRUE(addRange(TableId::Diap1, 10, 10, 5, 10, 10, 1));
    ASSERT_EQ(ranges().recNo(), 1);
    SearchFeedback fb;
    runSingleRodSearch(*dm, fb, Engine::Reference);
    EXPECT_EQ(ranges().recNo(), 0);
}

TEST_F(SingleDriver, StopInTheSecondOfThreeRanges)
{
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 11, 1)); // 6 points each
    SearchFeedback first;
    runSingleRodSearch(*dm, first); // stale results that the stopped search must clear
    StopAfterFeedback fb(6 + 2);
    const SearchOutcome out = runSingleRodSearch(*dm, fb);
    EXPECT_TRUE(out.stopped);
    EXPECT_EQ(fb.progress(), 0);
    EXPECT_TRUE(variant().isNull("H"));
    ranges().first();
    EXPECT_EQ(ranges().asDouble("H"), 10);
    ranges().next();
    EXPECT_TRUE(ranges().isNull("H"));
    ranges().next();
    EXPECT_TRUE(ranges().isNull("X"));
    EXPECT_TRUE(ranges().isNull("H"));
}

TEST_F(SingleDriver, RangeWithoutAdmissiblePointStoresNoResult)
{
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 10, 1));
    ASSERT_TRUE(addSub(TableId::Diap2, 0, 10, 10, 10));
    SearchFeedback fb;
    const SearchOutcome out = runSingleRodSearch(*dm, fb);
    EXPECT_FALSE(out.found);
    EXPECT_TRUE(ranges().isNull("H"));
    EXPECT_TRUE(ranges().isNull("X"));
    EXPECT_TRUE(variant().isNull("H"));
}

TEST_F(SingleDriver, HeightTableOfTheCurrentRange)
{
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10, 5, 10, 11, 1)); // 3 × 2 points
    SearchFeedback fb;
    const TableOutcome t = buildSingleRodTable(*dm, fb);
    ASSERT_FALSE(t.stopped);
    EXPECT_EQ(t.table.columnCount(), 4);
    EXPECT_EQ(t.table.rowCount(), 3);
    EXPECT_EQ(heightTableText(t.table, 0, 0), "Y  \\  X");
    EXPECT_EQ(heightTableText(t.table, 2, 0), "5");
    EXPECT_EQ(heightTableText(t.table, 0, 2), "11");
    EXPECT_EQ(heightTableText(t.table, 3, 1), "10");
    EXPECT_EQ(t.table.minCol, 3);
    EXPECT_EQ(t.table.minRow, 1);

    StopAfterFeedback stop(3);
    const TableOutcome s = buildSingleRodTable(*dm, stop);
    EXPECT_TRUE(s.stopped);
    EXPECT_TRUE(s.table.cells.empty());
}

TEST_F(SingleDriver, TooLargeTableIsRefusedWithItsSize)
{
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 10000, 1, 0, 10000, 1));
    SearchFeedback fb;
    const TableOutcome t = buildSingleRodTable(*dm, fb);
    ASSERT_FALSE(t.refused.empty());
    EXPECT_EQ(prompter.errors().back(), t.refused);
    EXPECT_NE(t.refused.find("10002 столбцов на 10002 строк"), std::string::npos);
}

TEST_F(SingleDriver, ObjectBandAddsRangeAndSubRange)
{
    dm->param().first();
    ASSERT_TRUE(dm->param().edit());
    dm->param().setValue("ObjShag", 0.5);
    ASSERT_TRUE(dm->param().post());
    ASSERT_TRUE(addObjectBandRange(*dm, TableId::Diap1, "Объект", 2));
    EXPECT_EQ(ranges().asDouble("X1"), 8);
    EXPECT_EQ(ranges().asDouble("X2"), 12);
    EXPECT_EQ(ranges().asDouble("DX"), 0.5);
    EXPECT_EQ(ranges().asDouble("DY"), 0.5);
    ASSERT_TRUE(addObjectBandSubRange(*dm, TableId::Diap2, "Объект", 1, {true, false, true, false}));
    Table &s = dm->table(TableId::Diap2);
    EXPECT_EQ(s.asDouble("Y1"), 9);
    EXPECT_FALSE(s.asBool("VklX2"));
    EXPECT_FALSE(addObjectBandRange(*dm, TableId::Diap1, "Нет такого", 2));
}

class ComplexDriver : public PlacementDb {
protected:
    Table &variant() { return dm->table(TableId::Diap2MO0); }
    Table &combos() { return dm->table(TableId::Diap2MO3); }
};

TEST_F(ComplexDriver, SixCombinationsNamedAfterTheirRanges)
{
    newProject(kTipCable, {{0, 0}, {40, 0}});
    addObject("Объект", 15, 5, 10, 5, 5, kZoneB);
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    ASSERT_TRUE(addRange(TableId::Diap2MO1, 0, 2, 1, 0, 2, 1, "А1"));
    ASSERT_TRUE(addRange(TableId::Diap2MO1, 5, 6, 1, 0, 0, 1, "А2"));
    for (const char *n : {"Б1", "Б2", "Б3"})
        ASSERT_TRUE(addRange(TableId::Diap2MO11, 35, 37, 1, 0, 1, 1, n));
    SearchFeedback fb;
    const ComplexRun run = runComplexSearch(*dm, fb);
    ASSERT_TRUE(run.refused.empty());
    ASSERT_EQ(combos().recordCount(), 6);
    combos().first();
    EXPECT_EQ(combos().asText("DiapName1"), "А1");
    EXPECT_EQ(combos().asText("DiapName2"), "Б1");
    for (combos().first(); !combos().eof(); combos().next())
        EXPECT_EQ(combos().asDouble("H1"), combos().asDouble("H2"));
    combos().last();
    EXPECT_EQ(combos().asText("DiapName1"), "А2");
    EXPECT_EQ(combos().asText("DiapName2"), "Б3");
    EXPECT_EQ(variant().asDouble("H1"), run.outcome.H);
    EXPECT_EQ(combos().recNo(), run.outcome.best == 5 ? 5 : combos().recNo());

    // A new search starts from an empty combination table.
    runComplexSearch(*dm, fb);
    EXPECT_EQ(combos().recordCount(), 6);
}

TEST_F(ComplexDriver, SupportOneOnlyKeepsSupportTwoWhereItStands)
{
    newProject(kTipDoubleRod, {{0, 0}, {30, 2}});
    addObject("Объект", 10, 5, 5, 5, 5, kZoneA);
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    ASSERT_TRUE(addRange(TableId::Diap2MO1, 0, 4, 2, 0, 0, 1, "А1"));
    SearchFeedback fb;
    runComplexSearch(*dm, fb);
    ASSERT_EQ(combos().recordCount(), 1);
    combos().first();
    EXPECT_TRUE(combos().isNull("DiapName2"));
    EXPECT_EQ(combos().asDouble("X2"), 30);
    EXPECT_EQ(combos().asDouble("Y2"), 2);
    EXPECT_EQ(variant().asDouble("X2"), 30);
}

TEST_F(ComplexDriver, OneConductorRecordIsRefused)
{
    newProject(kTipCable, {{0, 0}});
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    ASSERT_TRUE(addRange(TableId::Diap2MO1, 0, 4, 2, 0, 0, 1, "А1"));
    SearchFeedback fb;
    const ComplexRun run = runComplexSearch(*dm, fb);
    EXPECT_FALSE(run.refused.empty());
    EXPECT_EQ(prompter.errors().back(), run.refused);
    EXPECT_EQ(combos().recordCount(), 0);
}

TEST_F(ComplexDriver, StopKeepsFinishedCombinationsOnly)
{
    newProject(kTipCable, {{0, 0}, {40, 0}});
    addObject("Объект", 15, 5, 10, 5, 5, kZoneB);
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    ASSERT_TRUE(addRange(TableId::Diap2MO1, 0, 1, 1, 0, 0, 1, "А1")); // 2 points
    ASSERT_TRUE(addRange(TableId::Diap2MO11, 35, 36, 1, 0, 0, 1, "Б1"));
    ASSERT_TRUE(addRange(TableId::Diap2MO11, 35, 36, 1, 0, 0, 1, "Б2"));
    StopAfterFeedback fb(4 + 1);
    const ComplexRun run = runComplexSearch(*dm, fb);
    EXPECT_TRUE(run.outcome.stopped);
    EXPECT_EQ(combos().recordCount(), 1);
    EXPECT_TRUE(variant().isNull("H1"));
    EXPECT_TRUE(variant().isNull("X2"));
}

TEST_F(ComplexDriver, TwoSupportTableHeaders)
{
    newProject(kTipCable, {{0, 0}, {40, 0}});
    addObject("Объект", 15, 5, 10, 5, 5, kZoneB);
    ASSERT_TRUE(addVariant(TableId::Diap2MO0));
    ASSERT_TRUE(addRange(TableId::Diap2MO1, 0, 1, 1, 0, 0, 1, "А1"));
    ASSERT_TRUE(addRange(TableId::Diap2MO11, 35, 36, 1, 0, 2, 2, "Б1"));
    SearchFeedback fb;
    const TableOutcome t = buildComplexTable(*dm, fb);
    EXPECT_EQ(t.table.columnCount(), 4);
    EXPECT_EQ(t.table.rowCount(), 6);
    EXPECT_EQ(heightTableText(t.table, 1, 0), "X1");
    EXPECT_EQ(heightTableText(t.table, 0, 1), "X2");
    EXPECT_EQ(heightTableText(t.table, 1, 1), "Y2/Y1");
    EXPECT_EQ(heightTableText(t.table, 3, 0), "1");
    EXPECT_EQ(heightTableText(t.table, 0, 4), "36");
    EXPECT_EQ(heightTableText(t.table, 1, 4), "0");
    EXPECT_EQ(heightTableText(t.table, 1, 5), "2");
}
