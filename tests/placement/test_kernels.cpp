// Candidate enumeration, exclusion, required heights and the two search engines.

#include "calc/placementsearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace kv;

namespace {

ObjGeom obj(double x, double y, double L, double S, double Hx, Zone z)
{
    ObjGeom o;
    o.Xa = x;
    o.Ya = y;
    o.L = L;
    o.S = S;
    o.Hx = Hx;
    o.zone = z;
    return o;
}

PlacementRange range(double x1, double x2, double dx, double y1, double y2, double dy,
                     std::vector<SubRange> subs = {})
{
    PlacementRange r;
    r.X1 = x1;
    r.X2 = x2;
    r.DX = dx;
    r.Y1 = y1;
    r.Y2 = y2;
    r.DY = dy;
    r.subranges = std::move(subs);
    return r;
}

SubRange sub(double x1, bool f1, double x2, bool f2, double y1, bool f3, double y2, bool f4)
{
    return SubRange{x1, x2, y1, y2, f1, f2, f3, f4};
}

} // namespace

TEST(Enumeration, SingleColumnRange)
{
    const RangeGrid g = makeGrid(range(10, 10, 1, 0, 5, 2));
    ASSERT_EQ(g.size(), 3);
    EXPECT_EQ(g.point(0).x, 10);
    EXPECT_EQ(g.point(0).y, 0);
    EXPECT_EQ(g.point(1).y, 2);
    EXPECT_EQ(g.point(2).y, 4);
}

TEST(Enumeration, RunningSumDecidesTheLastValue)
{
    // 0.1 + 0.1 + 0.1 is just above 0.3, so the walk stops at 0.2.
    EXPECT_EQ(axisCount(0, 0.3, 0.1), 3);
    const auto v = axisValues(0, 0.7, 0.1);
    ASSERT_EQ(v.size(), 8u); // 0.7999999999999999 ≤ 0.7 fails, 0.7 itself is reached short
    double s = 0;
    for (double x : v) {
        EXPECT_EQ(x, s); // accumulated, not i·step
        s += 0.1;
    }
    EXPECT_EQ(axisCount(70, 80.83333333333333, 2.5), 5);
}

TEST(Enumeration, StepsThatCannotEndGiveFiniteCounts)
{
    EXPECT_EQ(axisCount(0, 10, 0), 0);
    EXPECT_EQ(axisCount(0, 10, -1), 0);
    EXPECT_EQ(axisCount(0, 10, std::nan("")), 0);
    EXPECT_EQ(axisCount(5, 4, 1), 0);
    EXPECT_EQ(axisCount(1e17, 2e17, 1), 1); // the step is lost in the sum
}

TEST(Exclusion, FlagsDecideTheBorders)
{
    const SubRange open = sub(0, false, 10, false, 0, false, 10, false);
    EXPECT_TRUE(excludes(open, 5, 5));
    EXPECT_FALSE(excludes(open, 0, 5));
    EXPECT_FALSE(excludes(open, 10, 5));
    EXPECT_FALSE(excludes(open, 5, 0));
    EXPECT_FALSE(excludes(open, 5, 10));
    const SubRange closed = sub(0, true, 10, true, 0, true, 10, true);
    EXPECT_TRUE(excludes(closed, 0, 0));
    EXPECT_TRUE(excludes(closed, 10, 10));
    EXPECT_FALSE(excludes(closed, 10.0001, 5));
    // Each flag governs its own border only.
    EXPECT_TRUE(excludes(sub(0, true, 10, false, 0, false, 10, false), 0, 5));
    EXPECT_FALSE(excludes(sub(0, true, 10, false, 0, false, 10, false), 10, 5));
    EXPECT_TRUE(excludes(sub(0, false, 10, false, 0, false, 10, true), 5, 10));
}

TEST(Exclusion, OpenSubRangeOnTheRangeBoundsKeepsTheBorder)
{
    const PlacementRange r =
        range(0, 10, 5, 0, 10, 5, {sub(0, false, 10, false, 0, false, 10, false)});
    const RangeGrid g = makeGrid(r);
    int admissibleCount = 0;
    for (std::int64_t k = 0; k < g.size(); ++k) {
        const Pt p = g.point(k);
        const bool interior = p.x == 5 && p.y == 5;
        EXPECT_EQ(g.admissibleAt(k), !interior);
        admissibleCount += g.admissibleAt(k);
    }
    EXPECT_EQ(admissibleCount, 8);
}

TEST(SingleRod, RequiredHeightAtThePointsOfARow)
{
    PlacementModel m;
    m.objects = {obj(10, 10, 0, 0, 9.2, Zone::B)};
    SearchFeedback fb;
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        const SearchOutcome out = searchSingleRod(m, {range(0, 10, 5, 10, 10, 1)}, fb, e);
        ASSERT_TRUE(out.found);
        EXPECT_EQ(out.p1.x, 10);
        EXPECT_EQ(out.p1.y, 10);
        EXPECT_DOUBLE_EQ(out.H, 10); // 0/1.5 + 9.2/0.92
        EXPECT_EQ(out.progressTotal, 3);
    }
    EXPECT_LT(requiredHeight(m, {5, 10}, {}), requiredHeight(m, {0, 10}, {}));
}

TEST(SingleRod, EmptySnapshotNeedsNoHeightAndFirstPointWins)
{
    PlacementModel m;
    SearchFeedback fb;
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        const SearchOutcome out = searchSingleRod(m, {range(0, 2, 1, 0, 2, 1)}, fb, e);
        ASSERT_TRUE(out.found);
        EXPECT_EQ(out.H, 0);
        // A height of 0 is a result, not "nothing found": the first point keeps it.
        EXPECT_EQ(out.p1.x, 0);
        EXPECT_EQ(out.p1.y, 0);
    }
}

TEST(SingleRod, TiesGoToTheFirstVisitedPointAndRange)
{
    PlacementModel m;
    // Symmetric object: (0, 5) and (10, 5) need the same height.
    m.objects = {obj(4, 4, 2, 2, 5, Zone::B)};
    SearchFeedback fb;
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        const SearchOutcome out = searchSingleRod(
            m, {range(10, 10, 1, 5, 5, 1), range(0, 10, 10, 5, 5, 1)}, fb, e);
        ASSERT_EQ(out.rows.size(), 2u);
        EXPECT_EQ(out.rows[0].H, out.rows[1].H);
        EXPECT_EQ(out.rows[1].p1.x, 0);
        EXPECT_EQ(out.best, 0);
        EXPECT_EQ(out.p1.x, 10);
    }
}

TEST(SingleRod, SubRangeBorderFlagDecidesWhetherTheBestPointStays)
{
    PlacementModel m;
    m.objects = {obj(10, 10, 0, 0, 9.2, Zone::B)};
    SearchFeedback fb;
    const auto best = [&](bool flag) {
        return searchSingleRod(
            m, {range(0, 10, 5, 10, 10, 1, {sub(5, true, 10, flag, 0, true, 20, true)})}, fb,
            Engine::Reference);
    };
    EXPECT_EQ(best(false).p1.x, 10);
    const SearchOutcome skipped = best(true);
    EXPECT_EQ(skipped.p1.x, 0); // 5 and 10 are excluded
}

TEST(SingleRod, RangeWithoutAdmissiblePointHasNoResultAndCannotWin)
{
    PlacementModel m;
    m.objects = {obj(10, 10, 0, 0, 9.2, Zone::B)};
    SearchFeedback fb;
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        const SearchOutcome out = searchSingleRod(
            m,
            {range(0, 0, 1, 10, 10, 1), range(10, 10, 1, 10, 10, 1, {sub(0, true, 20, true, 0, true, 20, true)}),
             range(5, 5, 1, 10, 10, 1)},
            fb, e);
        EXPECT_TRUE(out.rows[1].done);
        EXPECT_FALSE(out.rows[1].found);
        EXPECT_EQ(out.best, 2);
    }
}

TEST(SingleRod, UnreachableObjectMakesAPointUnusable)
{
    PlacementModel m;
    // Zone A: a rod cannot reach 1000 m at 60 m height; near the object it can.
    m.objects = {obj(0, 0, 1, 1, 60, Zone::A)};
    EXPECT_EQ(requiredHeight(m, {1000, 0}, {}), kUnreachable);
    SearchFeedback fb;
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        const SearchOutcome far = searchSingleRod(m, {range(1000, 1000, 1, 0, 0, 1)}, fb, e);
        EXPECT_FALSE(far.found);
        const SearchOutcome mixed = searchSingleRod(m, {range(0, 1000, 500, 0, 0, 1)}, fb, e);
        ASSERT_TRUE(mixed.found);
        EXPECT_EQ(mixed.p1.x, 0);
    }
}

TEST(Stop, InterruptedRangeAndLaterOnesStayEmpty)
{
    PlacementModel m;
    m.objects = {obj(10, 10, 2, 2, 5, Zone::B)};
    const std::vector<PlacementRange> rs = {range(0, 4, 1, 0, 4, 1), range(0, 4, 1, 0, 4, 1),
                                            range(0, 4, 1, 0, 4, 1)};
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        StopAfterFeedback fb(25 + 7); // the 7th point of the second range
        const SearchOutcome out = searchSingleRod(m, rs, fb, e);
        EXPECT_TRUE(out.stopped);
        EXPECT_TRUE(out.rows[0].done);
        EXPECT_TRUE(out.rows[0].found);
        EXPECT_FALSE(out.rows[1].done);
        EXPECT_FALSE(out.rows[2].done);
        EXPECT_FALSE(out.found);
        EXPECT_EQ(fb.progress(), 0);
    }
}

TEST(Stop, ComplexStopsOnlyAtVisitedPairs)
{
    PlacementModel m;
    m.kind = PlacementKind::Cable;
    m.objects = {obj(10, 10, 2, 2, 5, Zone::B)};
    // Support-1 range of 2 points, the first excluded: its 4 pairs make no stop test.
    const PlacementRange r1 = range(0, 1, 1, 0, 0, 1, {sub(0, true, 0, true, 0, true, 0, true)});
    const PlacementRange r2 = range(20, 23, 1, 0, 0, 1);
    for (Engine e : {Engine::Reference, Engine::Fast}) {
        StopAfterFeedback fb(4);
        const SearchOutcome done = searchComplex(m, {r1}, {r2}, {}, {}, fb, e);
        EXPECT_TRUE(done.stopped);
        StopAfterFeedback fb5(5);
        const SearchOutcome full = searchComplex(m, {r1}, {r2}, {}, {}, fb5, e);
        EXPECT_FALSE(full.stopped);
        EXPECT_EQ(full.progressTotal, 8);
        ASSERT_EQ(full.rows.size(), 1u);
        EXPECT_EQ(full.rows[0].p1.x, 1);
    }
}

TEST(Complex, CombinationsOfAllRangePairs)
{
    PlacementModel m;
    m.kind = PlacementKind::Cable;
    m.objects = {obj(10, 10, 5, 5, 5, Zone::B)};
    const std::vector<PlacementRange> a = {range(0, 2, 1, 0, 2, 1), range(5, 6, 1, 0, 0, 1)};
    const std::vector<PlacementRange> b = {range(20, 22, 1, 20, 20, 1), range(25, 25, 1, 25, 26, 1),
                                           range(0, 0, 1, 30, 30, 1)};
    SearchFeedback fb;
    const SearchOutcome ref = searchComplex(m, a, b, {}, {}, fb, Engine::Reference);
    ASSERT_EQ(ref.rows.size(), 6u);
    EXPECT_EQ(ref.rows[0].range1, 0);
    EXPECT_EQ(ref.rows[0].range2, 0);
    EXPECT_EQ(ref.rows[5].range1, 1);
    EXPECT_EQ(ref.rows[5].range2, 2);
    EXPECT_EQ(ref.progressTotal, (9 + 2) * (3 + 2 + 1));
    const SearchOutcome fast = searchComplex(m, a, b, {}, {}, fb, Engine::Fast);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(fast.rows[k].H, ref.rows[k].H);
        EXPECT_EQ(fast.rows[k].p1.x, ref.rows[k].p1.x);
        EXPECT_EQ(fast.rows[k].p2.y, ref.rows[k].p2.y);
    }
    EXPECT_EQ(fast.best, ref.best);
}

TEST(Complex, OneSupportMovesAgainstTheFixedOther)
{
    PlacementModel m;
    m.kind = PlacementKind::Cable;
    m.objects = {obj(10, 10, 5, 5, 5, Zone::B)};
    SearchFeedback fb;
    const SearchOutcome out =
        searchComplex(m, {range(0, 4, 2, 0, 0, 1)}, {}, {1, 1}, {30, 30}, fb, Engine::Fast);
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].range2, -1);
    EXPECT_EQ(out.rows[0].p2.x, 30);
    EXPECT_EQ(out.rows[0].p2.y, 30);
    const SearchOutcome two =
        searchComplex(m, {}, {range(0, 4, 2, 0, 0, 1)}, {1, 1}, {30, 30}, fb, Engine::Fast);
    EXPECT_EQ(two.rows[0].range1, -1);
    EXPECT_EQ(two.rows[0].p1.x, 1);
    EXPECT_EQ(requiredHeight(m, two.rows[0].p1, two.rows[0].p2), two.rows[0].H);
}

TEST(DoubleRod, WideSpanIsRatedAsTwoRods)
{
    PlacementModel m;
    m.kind = PlacementKind::DoubleRod;
    m.objects = {obj(0, 0, 2, 2, 5, Zone::B), obj(200, 0, 2, 2, 5, Zone::B)};
    const Pt p1{1, 5}, p2{201, 5};
    double hp = 0, h2 = 0;
    for (const ObjGeom &o : m.objects) {
        hp = std::max(hp, ObjectHeightDoubleRod(o, p1, p2, m.limits).H);
        h2 = std::max(h2, ObjectHeightTwoRods(o, p1, p2).H);
    }
    ASSERT_LT(m.limits.B2 * hp, SpanLength(p1, p2));
    EXPECT_EQ(requiredHeight(m, p1, p2), h2);
    // A close pair keeps the common-zone height.
    const Pt q1{0, 0}, q2{20, 0};
    PlacementModel near = m;
    near.objects = {obj(5, 10, 10, 5, 5, Zone::B)};
    EXPECT_DOUBLE_EQ(requiredHeight(near, q1, q2), 15.67);
}

TEST(Tables, SingleRodTableLayoutAndMinimum)
{
    PlacementModel m;
    m.objects = {obj(10, 10, 0, 0, 9.2, Zone::B)};
    SearchFeedback fb;
    const TableOutcome t =
        heightTableSingleRod(m, range(0, 10, 5, 10, 11, 1, {sub(0, true, 0, true, 11, true, 11, true)}),
                             fb, Engine::Fast);
    ASSERT_TRUE(t.refused.empty());
    EXPECT_EQ(t.table.columnCount(), 4);
    EXPECT_EQ(t.table.rowCount(), 3);
    EXPECT_TRUE(std::isnan(t.table.cell(0, 1))); // (0, 11) excluded
    EXPECT_EQ(t.table.Hmin, 10);
    EXPECT_EQ(t.table.minCol, 3);
    EXPECT_EQ(t.table.minRow, 1);
    EXPECT_EQ(t.table.Hmax, t.table.cell(0, 0));
}

TEST(Tables, TooLargeTableIsRefusedBeforeAnyWork)
{
    PlacementModel m;
    m.objects = {obj(10, 10, 0, 0, 9.2, Zone::B)};
    SearchFeedback fb;
    const TableOutcome t = heightTableSingleRod(m, range(0, 1e6, 0.01, 0, 1e6, 0.01), fb,
                                                Engine::Fast);
    EXPECT_NE(t.refused.find("Таблица высот слишком велика"), std::string::npos);
    EXPECT_TRUE(t.table.cells.empty());
    // Two supports: 101·101 columns by 101·101 rows.
    const PlacementRange big = range(0, 100, 1, 0, 100, 1);
    const TableOutcome both = heightTableComplex(m, &big, &big, {}, {}, fb, Engine::Fast);
    EXPECT_NE(both.refused.find("ячеек"), std::string::npos);
    EXPECT_TRUE(both.table.cells.empty());
}
