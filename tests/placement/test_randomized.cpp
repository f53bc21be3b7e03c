// The fast engine against the sequential reference scan on generated projects: every row,
// winner, table cell and stop must be identical.

#include "calc/placementsearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace kv;

namespace {

struct Gen {
    std::mt19937 rng;
    explicit Gen(unsigned seed) : rng(seed) {}
    double uni(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    int pick(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }
    double half(double a, double b) { return std::round(uni(a, b) * 2) / 2; }
    bool coin() { return pick(0, 1) == 1; }

    ObjGeom object()
    {
        ObjGeom o;
        o.Xa = half(0, 60);
        o.Ya = half(0, 60);
        o.L = half(0, 15);
        o.S = half(0, 15);
        o.Hx = half(2, 25);
        o.zone = coin() ? Zone::A : Zone::B;
        return o;
    }

    PlacementRange range(double cx, double cy)
    {
        static const double steps[] = {0.5, 1, 2.5, 1.0 / 3, 2};
        PlacementRange r;
        r.X1 = half(cx - 10, cx + 10);
        r.X2 = r.X1 + half(0, 6);
        r.DX = steps[pick(0, 4)];
        r.Y1 = half(cy - 10, cy + 10);
        r.Y2 = r.Y1 + half(0, 6);
        r.DY = steps[pick(0, 4)];
        const int ns = pick(0, 2);
        for (int k = 0; k < ns; ++k) {
            SubRange s;
            s.X1 = r.X1 + half(0, r.X2 - r.X1);
            s.X2 = s.X1 + half(0, r.X2 - s.X1);
            s.Y1 = r.Y1 + half(0, r.Y2 - r.Y1);
            s.Y2 = s.Y1 + half(0, r.Y2 - s.Y1);
            s.VklX1 = coin();
            s.VklX2 = coin();
            s.VklY1 = coin();
            s.VklY2 = coin();
            r.subranges.push_back(s);
        }
        return r;
    }
};

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void expectSameOutcome(const SearchOutcome &a, const SearchOutcome &b)
{
    ASSERT_EQ(a.rows.size(), b.rows.size());
    EXPECT_EQ(a.stopped, b.stopped);
    for (std::size_t k = 0; k < a.rows.size(); ++k) {
        const RangeOutcome &x = a.rows[k], &y = b.rows[k];
        EXPECT_EQ(x.done, y.done) << k;
        EXPECT_EQ(x.found, y.found) << k;
        EXPECT_EQ(x.H, y.H) << k;
        EXPECT_EQ(x.p1.x, y.p1.x) << k;
        EXPECT_EQ(x.p1.y, y.p1.y) << k;
        EXPECT_EQ(x.p2.x, y.p2.x) << k;
        EXPECT_EQ(x.p2.y, y.p2.y) << k;
        EXPECT_EQ(x.range1, y.range1);
        EXPECT_EQ(x.range2, y.range2);
    }
    EXPECT_EQ(a.found, b.found);
    EXPECT_EQ(a.best, b.best);
    EXPECT_EQ(a.H, b.H);
}

void expectSameTable(const TableOutcome &a, const TableOutcome &b)
{
    EXPECT_EQ(a.stopped, b.stopped);
    ASSERT_EQ(a.table.cells.size(), b.table.cells.size());
    for (std::size_t k = 0; k < a.table.cells.size(); ++k)
        EXPECT_TRUE(same(a.table.cells[k], b.table.cells[k])) << k;
    EXPECT_EQ(a.table.found, b.table.found);
    EXPECT_EQ(a.table.Hmin, b.table.Hmin);
    EXPECT_EQ(a.table.Hmax, b.table.Hmax);
    EXPECT_EQ(a.table.minCol, b.table.minCol);
    EXPECT_EQ(a.table.minRow, b.table.minRow);
}

} // namespace

TEST(Randomized, SingleRodFastEqualsReference)
{
    for (unsigned seed = 1; seed <= 120; ++seed) {
        Gen g(seed);
        PlacementModel m;
        for (int k = g.pick(0, 6); k > 0; --k)
            m.objects.push_back(g.object());
        std::vector<PlacementRange> rs;
        for (int k = g.pick(1, 3); k > 0; --k)
            rs.push_back(g.range(30, 30));
        SearchFeedback f1, f2;
        SCOPED_TRACE(seed);
        expectSameOutcome(searchSingleRod(m, rs, f1, Engine::Reference),
                          searchSingleRod(m, rs, f2, Engine::Fast));
        expectSameTable(heightTableSingleRod(m, rs[0], f1, Engine::Reference),
                        heightTableSingleRod(m, rs[0], f2, Engine::Fast));
    }
}

TEST(Randomized, ComplexFastEqualsReference)
{
    int fallbacks = 0, commons = 0;
    for (unsigned seed = 1; seed <= 90; ++seed) {
        Gen g(1000 + seed);
        PlacementModel m;
        m.kind = seed % 3 == 0 ? PlacementKind::Cable : PlacementKind::DoubleRod;
        for (int k = g.pick(1, 5); k > 0; --k)
            m.objects.push_back(g.object());
        // Far-apart supports make the double rod fall back to two rods now and then.
        const double far = g.coin() ? 150 : 40;
        std::vector<PlacementRange> r1, r2;
        const int mode = g.pick(0, 2); // 0 both, 1 support 1 only, 2 support 2 only
        if (mode != 2)
            for (int k = g.pick(1, 2); k > 0; --k)
                r1.push_back(g.range(10, 30));
        if (mode != 1)
            for (int k = g.pick(1, 2); k > 0; --k)
                r2.push_back(g.range(10 + far, 30));
        const Pt f1{g.half(0, 20), g.half(20, 40)}, f2{g.half(10 + far, 20 + far), 30};
        SearchFeedback a, b;
        SCOPED_TRACE(seed);
        const SearchOutcome ref = searchComplex(m, r1, r2, f1, f2, a, Engine::Reference);
        expectSameOutcome(ref, searchComplex(m, r1, r2, f1, f2, b, Engine::Fast));
        const PlacementRange *t1 = r1.empty() ? nullptr : &r1[0];
        const PlacementRange *t2 = r2.empty() ? nullptr : &r2[0];
        expectSameTable(heightTableComplex(m, t1, t2, f1, f2, a, Engine::Reference),
                        heightTableComplex(m, t1, t2, f1, f2, b, Engine::Fast));
        if (m.kind == PlacementKind::DoubleRod && ref.found) {
            double hp = 0;
            for (const ObjGeom &o : m.objects) {
                const ObjectHeight h = ObjectHeightDoubleRod(o, ref.p1, ref.p2, m.limits);
                hp = std::max(hp, h.ok ? h.H : kUnreachable);
            }
            const double L = SpanLength(ref.p1, ref.p2);
            (m.limits.A3 * hp >= L && m.limits.B2 * hp >= L) ? ++commons : ++fallbacks;
        }
    }
    // Both ratings of a double-rod pair took part.
    EXPECT_GT(fallbacks, 0);
    EXPECT_GT(commons, 0);
}

TEST(Randomized, StopsAtTheSameRange)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        Gen g(5000 + seed);
        PlacementModel m;
        for (int k = g.pick(1, 4); k > 0; --k)
            m.objects.push_back(g.object());
        std::vector<PlacementRange> rs;
        std::int64_t total = 0;
        for (int k = g.pick(2, 4); k > 0; --k) {
            rs.push_back(g.range(30, 30));
            total += makeGrid(rs.back()).size();
        }
        const std::int64_t n = g.pick(1, static_cast<int>(total) + 1);
        StopAfterFeedback a(n), b(n);
        SCOPED_TRACE(seed);
        expectSameOutcome(searchSingleRod(m, rs, a, Engine::Reference),
                          searchSingleRod(m, rs, b, Engine::Fast));
    }
}

// The bound that rules out whole stretches of candidates must never exceed the height of any
// position it covers, whatever the conductor, the zones, the span (two-rods fallback) and the
// regime limits.
TEST(Randomized, LowerBoundNeverAboveTheHeight)
{
    const PlacementKind kinds[] = {PlacementKind::SingleRod, PlacementKind::DoubleRod,
                                   PlacementKind::Cable};
    for (unsigned seed = 1; seed <= 60; ++seed) {
        Gen g(9000 + seed);
        PlacementModel m;
        m.kind = kinds[seed % 3];
        if (seed % 4 == 0)
            m.limits = {0.8, 1.5, 3, 0.7, 4}; // zone B regime below the single-rod span
        for (int k = g.pick(1, 6); k > 0; --k)
            m.objects.push_back(g.object());
        const double far = g.coin() ? 150 : 40;
        const Pt fixed{g.uni(-10, 20), g.uni(0, 60)};
        const double x1 = g.uni(far - 20, far + 20), y1 = g.uni(-10, 60);
        const Box box{x1, y1, x1 + g.uni(0, 12), y1 + g.uni(0, 12)};
        const double lb = heightLowerBound(m, fixed, box);
        SCOPED_TRACE(seed);
        for (int k = 0; k < 40; ++k) {
            const Pt p{k == 0 ? box.x1 : g.uni(box.x1, box.x2),
                       k == 0 ? box.y1 : g.uni(box.y1, box.y2)};
            if (m.kind == PlacementKind::SingleRod) {
                EXPECT_LE(lb, requiredHeight(m, p, p));
            } else {
                EXPECT_LE(lb, requiredHeight(m, fixed, p));
                EXPECT_LE(lb, requiredHeight(m, p, fixed));
            }
        }
    }
}

// Searches large enough for the fast engine to start from a sampled height and to rule out
// stretches of candidates by their lower bound.
TEST(Randomized, LargeComplexFastEqualsReference)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        Gen g(7000 + seed);
        PlacementModel m;
        m.kind = seed % 2 ? PlacementKind::DoubleRod : PlacementKind::Cable;
        for (int k = g.pick(2, 4); k > 0; --k)
            m.objects.push_back(g.object());
        PlacementRange a = g.range(10, 30), b = g.range(50, 30);
        a.X2 = a.X1 + 13 * 0.5;
        a.DX = a.DY = b.DX = b.DY = 0.5;
        a.Y2 = a.Y1 + 13 * 0.5;
        b.X2 = b.X1 + 13 * 0.5;
        b.Y2 = b.Y1 + 13 * 0.5;
        a.subranges.clear();
        SearchFeedback f1, f2;
        SCOPED_TRACE(seed);
        expectSameOutcome(searchComplex(m, {a}, {b}, {}, {}, f1, Engine::Reference),
                          searchComplex(m, {a}, {b}, {}, {}, f2, Engine::Fast));
    }
}
