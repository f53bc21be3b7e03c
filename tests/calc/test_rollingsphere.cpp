#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "calc/rollingsphere.h"

using namespace kv;

namespace
{

// The radius a single rod protects at height z: √(h′(2R − h′)) − √(z(2R − z)), h′ = min(h, R).
double rodRadius(double h, double R, double z)
{
    const double hh = std::min(h, R);
    return std::sqrt(hh * (2 * R - hh)) - std::sqrt(z * (2 * R - z));
}

SphereTerminations rods(std::initializer_list<SphereRod> r)
{
    return {std::vector<SphereRod>(r), {}};
}

SphereObject segmentAt(double x, double y, double hx)
{
    return {x, y, x, y, hx};
}

} // namespace

// A vertical segment just inside and just outside the protected radius of a single rod, over
// many heights, radii and object heights; and boxes whose far corner decides.
TEST(RollingSphere, SingleRodMatchesTheClosedForm)
{
    struct Row {
        double h, z;
    };
    const Row rows[] = {{5, 0},   {10, 2}, {15, 5},  {15, 10}, {20, 0},  {25, 8},
                        {30, 12}, {40, 3}, {60, 30}, {75, 44}, {8, 7.5}, {45, 1}};
    for (int level = 0; level < kSphereLevelCount; ++level) {
        const double R = SphereRadius(level);
        for (const Row &row : rows) {
            if (row.z >= std::min(row.h, R))
                continue;
            const double r = rodRadius(row.h, R, row.z);
            const auto t = rods({{3, -4, row.h}});
            SCOPED_TRACE(::testing::Message() << "R=" << R << " h=" << row.h << " z=" << row.z);
            // Exact depth beyond the radius: the sphere centre sits over the ring at height R.
            const auto out = SphereCheckObject(t, segmentAt(3 + r + 0.001, -4, row.z), R);
            EXPECT_FALSE(out.isProtected);
            EXPECT_TRUE(SphereCheckObject(t, segmentAt(3, -4 + r - 0.001, row.z), R).isProtected);
            // A box reaching from the rod outwards is decided by its far corner.
            const double c = (r - 0.001) / std::sqrt(2.0);
            EXPECT_TRUE(SphereCheckObject(t, {3 - c, -4 - c, 3 + c, -4 + c, row.z}, R).isProtected);
            const double c2 = (r + 0.001) / std::sqrt(2.0);
            const auto box = SphereCheckObject(t, {3 - c2, -4 - c2, 3 + c2, -4 + c2, row.z}, R);
            ASSERT_FALSE(box.isProtected);
            ASSERT_TRUE(box.point.has_value());
            EXPECT_NEAR(box.point->z, row.z, 1e-6);
        }
    }
}

// Two equal rods: the sphere resting on both tips and on the ground, tilted sideways, reaches
// down to R − √((d/2)² + (R − h′)²) at mid-span; a segment there is exposed exactly from that
// height up.
TEST(RollingSphere, TwoRodsMidSpanLowestProtectedPoint)
{
    struct Row {
        double R, h, d;
    };
    const Row rows[] = {{20, 15, 20}, {20, 10, 30}, {30, 25, 40}, {45, 30, 20},
                        {60, 70, 50}, {20, 30, 10}, {60, 20, 80}};
    for (const Row &row : rows) {
        const double hh = std::min(row.h, row.R);
        const double zc =
            std::max(0.0, row.R - std::sqrt(std::pow(row.d / 2, 2) + std::pow(row.R - hh, 2)));
        SCOPED_TRACE(::testing::Message() << "R=" << row.R << " h=" << row.h << " d=" << row.d);
        const auto t = rods({{0, 0, row.h}, {row.d, 0, row.h}});
        const auto at = SphereCheckObject(t, segmentAt(row.d / 2, 0, zc + 0.001), row.R);
        EXPECT_FALSE(at.isProtected);
        const double y2 = row.R * row.R - std::pow(row.d / 2, 2) - std::pow(row.R - hh, 2);
        EXPECT_NEAR(at.depth, row.R - std::hypot(std::sqrt(std::max(0.0, y2)), row.R - zc - 0.001),
                    1e-6);
        if (zc > 0.001) {
            EXPECT_TRUE(
                SphereCheckObject(t, segmentAt(row.d / 2, 0, zc - 0.001), row.R).isProtected);
        }
    }
    // The worked case: 8.82 m, not the two-dimensional 12.32 m.
    const auto t = rods({{0, 0, 15}, {20, 0, 15}});
    EXPECT_FALSE(SphereCheckObject(t, segmentAt(10, 0, 8.83), 20).isProtected);
    EXPECT_TRUE(SphereCheckObject(t, segmentAt(10, 0, 8.81), 20).isProtected);
}

namespace
{

// The hanging cable sampled densely: the independent model of the tests.
std::vector<SpherePoint> sampledTerminations(const SphereTerminations &t, int n)
{
    std::vector<SpherePoint> pts;
    for (const SphereRod &r : t.rods)
        for (int i = 0; i <= n; ++i)
            pts.push_back({r.x, r.y, r.h * i / n});
    for (const SphereCable &c : t.cables)
        for (int i = 0; i <= 4 * n; ++i) {
            const double s = double(i) / (4 * n);
            pts.push_back({c.a.x + (c.b.x - c.a.x) * s, c.a.y + (c.b.y - c.a.y) * s,
                           c.a.z + (c.b.z - c.a.z) * s - 4 * c.sag * s * (1 - s)});
        }
    return pts;
}

double nearest(const std::vector<SpherePoint> &pts, double x, double y, double z)
{
    double d = 1e300;
    for (const SpherePoint &p : pts)
        d = std::min(d, std::hypot(p.x - x, p.y - y, p.z - z));
    return d;
}

// A few sites: rods of mixed heights, a low and a high cable on their supports.
std::vector<SphereTerminations> sites()
{
    return {
        rods({{0, 0, 12}}),
        rods({{0, 0, 15}, {20, 0, 15}}),
        rods({{0, 0, 8}, {25, 5, 35}, {10, 30, 18}, {-15, 20, 60}}),
        {{{0, 0, 18}, {40, 10, 18}}, {{{0, 0, 18}, {40, 10, 18}, 3}}},
        {{{0, 0, 70}, {60, 0, 70}}, {{{0, 0, 70}, {60, 0, 70}, 6}}}, // a sphere passes under it
        // A short deep span: the tube's top is not concave along the cable.
        {{{0, 0, 25}, {12, 4, 22}}, {{{0, 0, 25}, {12, 4, 22}, 3}}},
        // Two crossing cables, the high one first: a centre lifted over the low cable's tube
        // lands in the high one's, which it first lay below.
        {{{20, -15, 52}, {22, 25, 48}, {0, 0, 18}, {40, 10, 18}},
         {{{20, -15, 52}, {22, 25, 48}, 4}, {{0, 0, 18}, {40, 10, 18}, 3}}},
    };
}

} // namespace

// The lowest resting centre on a vertical line is admissible, and every height below it down
// to R is not (checked against densely sampled terminations, to their sampling error).
TEST(RollingSphere, LowestCentreAgreesWithSampledTerminations)
{
    for (const SphereTerminations &t : sites()) {
        const auto pts = sampledTerminations(t, 150);
        // A plan grid, and lines along and beside each cable where its tube decides.
        std::vector<std::pair<double, double>> plan;
        for (double x = -30; x <= 70; x += 9.7)
            for (double y = -25; y <= 35; y += 8.3)
                plan.emplace_back(x, y);
        for (const SphereCable &c : t.cables)
            for (double f = -0.1; f <= 1.1; f += 0.05)
                for (double off : {0.0, 4.0, 11.0}) {
                    const double dx = c.b.x - c.a.x, dy = c.b.y - c.a.y;
                    const double len = std::hypot(dx, dy);
                    plan.emplace_back(c.a.x + dx * f - dy / len * off,
                                      c.a.y + dy * f + dx / len * off);
                }
        for (double R : {20.0, 45.0})
            for (const auto &[x, y] : plan) {
                const double z = SphereLowestCentre(t, R, x, y);
                ASSERT_GE(z, R);
                ASSERT_GE(nearest(pts, x, y, z), R - 1e-6) << x << " " << y;
                for (double zz = R; zz < z - 0.05; zz += 0.7)
                    ASSERT_LT(nearest(pts, x, y, zz), R + 0.05) << x << " " << y << " " << zz;
            }
    }
}

// The search finds the deepest reach that a fine plan grid over the same resting centres finds
// (or a deeper one), to a millimetre.
TEST(RollingSphere, SearchMatchesAFineGrid)
{
    const SphereObject objects[] = {
        {8, -3, 12, 3, 6}, {30, 8, 34, 20, 12}, {18, -1, 22, 1, 9}, {-8, -8, -4, -2, 14}};
    const auto all = sites();
    for (size_t site = 0; site < all.size(); ++site)
        for (const SphereObject &o : objects)
            for (double R : {20.0, 45.0}) {
                const SphereTerminations &t = all[site];
                const double step = R / 150;
                const auto res = SphereCheckObject(t, o, R);
                double best = 1e300;
                for (double x = o.x1 - R; x <= o.x2 + R; x += step)
                    for (double y = o.y1 - R; y <= o.y2 + R; y += step) {
                        const double dx = std::max({o.x1 - x, 0.0, x - o.x2});
                        const double dy = std::max({o.y1 - y, 0.0, y - o.y2});
                        const double dz = std::max(0.0, SphereLowestCentre(t, R, x, y) - o.hx);
                        best = std::min(best, std::sqrt(dx * dx + dy * dy + dz * dz));
                    }
                SCOPED_TRACE(::testing::Message()
                             << "site " << site << " R=" << R << " object at " << o.x1);
                const double found = res.isProtected ? R + 1 : R - res.depth;
                if (best <= R) {
                    EXPECT_LE(found, best + 1e-3);
                } else {
                    EXPECT_TRUE(res.isProtected || found > best - 1e-3);
                }
            }
}

// A cable protects at mid-span as a horizontal wire at its lowest height H = Hop − sag would
// (the supports stand too far away to matter): a project's stored Hop and H give the sag.
TEST(RollingSphere, CableUnderItsOwnSag)
{
    ProjectSnapshot snap;
    snap.project.TipMO = kTipCable;
    ConductorRec c1, c2;
    c1.MX = 0, c1.MY = 0, c2.MX = 100, c2.MY = 0;
    c1.H = c2.H = 12;
    c1.Hop = c2.Hop = 15;
    snap.conductors = {c1, c2};
    const SphereTerminations t = SphereTerminationsOf(snap);
    ASSERT_EQ(t.cables.size(), 1u);
    EXPECT_DOUBLE_EQ(t.cables[0].sag, 3);
    for (double z : {0.0, 4.0, 9.0}) {
        const double R = 20, r = rodRadius(12, R, z);
        SCOPED_TRACE(z);
        EXPECT_TRUE(SphereCheckObject(t, segmentAt(50, r - 0.002, z), R).isProtected);
        EXPECT_FALSE(SphereCheckObject(t, segmentAt(50, r + 0.002, z), R).isProtected);
    }
    // Without a stored Hop the sag table gives the sag of the span.
    snap.conductors[0].Hop.reset();
    snap.conductors[1].Hop.reset();
    const SphereTerminations fromTable = SphereTerminationsOf(snap, {{0.0, 200.0, 2.5}});
    EXPECT_DOUBLE_EQ(fromTable.cables[0].sag, 2.5);
    EXPECT_DOUBLE_EQ(fromTable.cables[0].a.z, 14.5);
}

// Properties over varied sites and objects: a larger sphere never reaches where a smaller one
// does not, taller rods never expose more, a taller object is never reached less deeply.
TEST(RollingSphere, MonotoneInLevelRodHeightAndObjectHeight)
{
    auto raised = [](SphereTerminations t, double dh) {
        for (SphereRod &r : t.rods)
            r.h += dh;
        for (SphereCable &c : t.cables)
            c.a.z += dh, c.b.z += dh;
        return t;
    };
    const SphereObject objects[] = {{6, 4, 9, 8, 4},
                                    {14, -6, 26, 6, 10},
                                    {35, 6, 38, 9, 7},
                                    {-6, 12, -2, 14, 16},
                                    {20, 3, 20, 3, 12}};
    for (const SphereTerminations &t : sites())
        for (const SphereObject &o : objects) {
            SphereObject taller = o;
            taller.hx += 2;
            const auto higher = raised(t, 3);
            bool before = false;
            for (int k = 0; k < kSphereLevelCount; ++k) {
                const double R = SphereRadius(k);
                const auto base = SphereCheckObject(t, o, R);
                SCOPED_TRACE(::testing::Message() << "R=" << R << " object at " << o.x1);
                EXPECT_TRUE(!before || base.isProtected);
                before = base.isProtected;
                const auto h = SphereCheckObject(higher, o, R);
                EXPECT_LE(h.depth, base.depth + 1e-6);
                const auto tall = SphereCheckObject(t, taller, R);
                EXPECT_GE(tall.depth, base.depth - 1e-6);
            }
        }
}

// The least common rod height is the first hundredth that protects: a single rod and a segment
// at plan distance 5 m and height 5 m at level I, against the closed form; then two rods.
TEST(RollingSphere, RodHeightForALevel)
{
    const std::vector<SphereObject> one{segmentAt(5, 0, 5)};
    const auto H = SphereRodHeight(std::vector<Pt>{{0, 0}}, one, 0);
    ASSERT_TRUE(H.has_value());
    EXPECT_GT(rodRadius(*H, 20, 5), 5);
    EXPECT_LE(rodRadius(*H - 0.01, 20, 5), 5);
    // Out of reach of any rod at level I: 10 m away at 5 m the radius never exceeds 6.77 m.
    EXPECT_FALSE(SphereRodHeight(std::vector<Pt>{{0, 0}}, {segmentAt(10, 0, 5)}, 0).has_value());
    // Two rods and a box between them.
    const std::vector<Pt> two{{0, 0}, {24, 0}};
    const std::vector<SphereObject> box{{9, -3, 15, 3, 6}};
    const auto H2 = SphereRodHeight(two, box, 1);
    ASSERT_TRUE(H2.has_value());
    auto check = [&](double h) {
        return SphereCheckObject(rods({{0, 0, h}, {24, 0, h}}), box[0], 30).isProtected;
    };
    EXPECT_TRUE(check(*H2));
    EXPECT_FALSE(check(*H2 - 0.01));
    // Every conductor row of a rod project is a rod; a cable project has no rod height.
    ProjectSnapshot snap;
    snap.project.TipMO = kTipMultiRod;
    snap.conductors.resize(2);
    snap.conductors[1].MX = 24;
    snap.objects.resize(1);
    snap.objects[0].MXa = 9, snap.objects[0].MYa = -3, snap.objects[0].L = 6, snap.objects[0].S = 6;
    snap.objects[0].Hx = 6;
    EXPECT_EQ(SphereRodHeight(snap, 1), H2);
    snap.project.TipMO = kTipCable;
    EXPECT_FALSE(SphereRodHeight(snap, 1).has_value());
}

// A cable alone, over random spans, sags, slopes and radii (short deep spans included, where
// the tube's top has several humps along the cable): the resting height on each line is the
// one a dense sampling of the parabola gives.
TEST(RollingSphere, CableTubeAgreesWithDenseSampling)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (int it = 0; it < 200; ++it) {
        const double L = 4 + u(rng) * 20, sag = u(rng) * 4, za = 5 + u(rng) * 40;
        const double zb = za + (u(rng) - 0.5) * 6, R = 20 + u(rng) * 40;
        const SphereTerminations t{{}, {{{0, 0, za}, {L, 0, zb}, sag}}};
        for (int j = 0; j < 40; ++j) {
            const double x = -5 + u(rng) * (L + 10), y = u(rng) * R;
            double lo = 1e300, hi = -1e300;
            for (int i = 0; i <= 20000; ++i) {
                const double s = i / 20000.0, pz = za + (zb - za) * s - 4 * sag * s * (1 - s);
                const double r2 = (x - L * s) * (x - L * s) + y * y;
                if (r2 < R * R) {
                    lo = std::min(lo, pz - std::sqrt(R * R - r2));
                    hi = std::max(hi, pz + std::sqrt(R * R - r2));
                }
            }
            ASSERT_NEAR(SphereLowestCentre(t, R, x, y), lo < R && R < hi ? hi : R, 1e-4)
                << "L=" << L << " sag=" << sag << " R=" << R << " at " << x << ", " << y;
        }
    }
}

// The certificate completes on the varied sites (no object left to the safe side, the distance
// proven to a millimetre), and it catches a narrow basin: a 1 cm gap between a cable's reach
// and two tall rods, through which the sphere reaches an object beside it.
TEST(RollingSphere, CertifiedDistance)
{
    const SphereObject objects[] = {
        {8, -3, 12, 3, 6}, {30, 8, 34, 20, 12}, {18, -1, 22, 1, 9}, {-8, -8, -4, -2, 14}};
    for (const SphereTerminations &t : sites())
        for (const SphereObject &o : objects)
            for (int level = 0; level < kSphereLevelCount; ++level) {
                const auto res = SphereCheckObject(t, o, SphereRadius(level));
                EXPECT_FALSE(res.unresolved);
                EXPECT_LE(res.gap, kSphereCertainty + 1e-12);
            }
    const double R = 20, s = 36, Y = R + std::sqrt(R * R - s * s / 4) + 0.01;
    for (double off : {0.0, 0.37, 0.71}) {
        const SphereTerminations t{
            {{-100, 0, 20}, {100, 0, 20}, {-s / 2 + off, Y, 30}, {s / 2 + off, Y, 30}},
            {{{-100, 0, 20}, {100, 0, 20}, 0}}};
        const SphereObject o = segmentAt(off + 5, 14, 12);
        // A centre in the gap: the reach found is at least as deep as from there.
        const double hx = off, hy = R + 0.005;
        const double through =
            std::hypot(std::hypot(hx - o.x1, hy - o.y1), SphereLowestCentre(t, R, hx, hy) - o.hx);
        const auto res = SphereCheckObject(t, o, R);
        ASSERT_FALSE(res.isProtected);
        EXPECT_GE(res.depth, R - through - 1e-9);
        EXPECT_LE(res.gap, kSphereCertainty + 1e-12);
    }
}
