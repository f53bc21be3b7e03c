#include "fixtures.h"
#include "calc/zones.h"
#include "plan/zonesolids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>

using namespace kv;
using namespace kvtest;

namespace {

// Parity of the crossings of an upward vertical ray with the mesh.
bool insideMesh(const Mesh3 &m, double px, double py, double pz)
{
    int crossings = 0;
    for (const auto &t : m.triangles) {
        const Point3 &a = m.vertices[t[0]], &b = m.vertices[t[1]], &c = m.vertices[t[2]];
        const double d = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        if (std::abs(d) < 1e-12)
            continue;
        const double u = ((b.x - px) * (c.y - py) - (c.x - px) * (b.y - py)) / d;
        const double v = ((c.x - px) * (a.y - py) - (a.x - px) * (c.y - py)) / d;
        const double w = 1 - u - v;
        if (u < 0 || v < 0 || w < 0)
            continue;
        if (u * a.z + v * b.z + w * c.z > pz)
            ++crossings;
    }
    return crossings % 2 == 1;
}

// Every edge of a closed surface borders exactly two triangles.
bool closed(const Mesh3 &m)
{
    std::map<std::pair<int, int>, int> edges;
    for (const auto &t : m.triangles)
        for (int i = 0; i < 3; ++i)
            ++edges[{std::min(t[i], t[(i + 1) % 3]), std::max(t[i], t[(i + 1) % 3])}];
    for (const auto &[e, n] : edges)
        if (n != 2)
            return false;
    return !edges.empty();
}

const Mesh3 &solid(const std::vector<ZoneSolid> &all, ZoneLetter z)
{
    for (const ZoneSolid &s : all)
        if (s.zone == z)
            return s.mesh;
    static const Mesh3 none;
    return none;
}

// The allowed distance from the axis of a two-support zone at height z (the zone formulas): the
// rod (support) radius rx at the supports, the middle half-width rcx halfway, linear between;
// beyond the supports the distance to the nearer one.
double pairMargin(Pt p, Pt s1, Pt s2, double rx, double rcx)
{
    const double L = std::hypot(s2.x - s1.x, s2.y - s1.y);
    const double ux = (s2.x - s1.x) / L, uy = (s2.y - s1.y) / L;
    const double along = (p.x - s1.x) * ux + (p.y - s1.y) * uy;
    if (along <= 0)
        return rx - std::hypot(p.x - s1.x, p.y - s1.y);
    if (along >= L)
        return rx - std::hypot(p.x - s2.x, p.y - s2.y);
    const double q = std::min(along, L - along);
    const double r = std::abs((p.x - s1.x) * uy - (p.y - s1.y) * ux);
    return rx * (L / 2 - q) / (L / 2) + rcx * q / (L / 2) - r;
}

struct SolidCase {
    const char *name;
    ProjectSnapshot snap;
    ZoneLetter zone;
    Pt s1, s2;
    double ho, ro;
    // Signed distance of a point inside the zone boundary at its height (positive inside).
    std::function<double(Pt, double)> margin;
};

ProjectSnapshot rodProject(double H)
{
    ProjectSnapshot p = project(kTipSingleRod);
    ConductorRec c = conductor(40, 35, H);
    c.Ho_a = RodHoA(H), c.Ro_a = RodRoA(H), c.Ho_b = RodHoB(H), c.Ro_b = RodRoB(H);
    p.conductors = {c};
    return p;
}

ProjectSnapshot doubleProject(Pt a, Pt b, double H)
{
    ProjectSnapshot p = project(kTipDoubleRod);
    const DoubleRodLimits lim;
    const double L = SpanLength(a, b);
    ConductorRec c = conductor(a.x, a.y, H);
    c.Ho_a = RodHoA(H), c.Ro_a = RodRoA(H), c.Ho_b = RodHoB(H), c.Ro_b = RodRoB(H);
    c.Hc_a = DoubleRodHcA(H, L, *c.Ho_a, lim);
    c.Rc_a = DoubleRodRcA(H, L, *c.Ro_a, lim);
    c.Hc_b = DoubleRodHcB(H, L, *c.Ho_b, lim);
    c.Rc_b = DoubleRodRcB(H, L, *c.Ro_b, lim);
    ConductorRec d = c;
    d.MX = b.x, d.MY = b.y;
    p.conductors = {c, d};
    return p;
}

ProjectSnapshot cableProject(Pt a, Pt b, double H)
{
    ProjectSnapshot p = project(kTipCable);
    ConductorRec c = conductor(a.x, a.y, H);
    c.Hop = H + 1;
    c.Ho_a = CableHoA(H), c.Ro_a = CableRoA(H), c.Ho_b = CableHoB(H), c.Ro_b = CableRoB(H);
    ConductorRec d = c;
    d.MX = b.x, d.MY = b.y;
    p.conductors = {c, d};
    return p;
}

SolidCase doubleCase(const char *name, Pt a, Pt b, double H, ZoneLetter z)
{
    const ProjectSnapshot p = doubleProject(a, b, H);
    const ConductorRec &c = p.conductors.front();
    const bool isA = z == ZoneLetter::A;
    const double ro = isA ? *c.Ro_a : *c.Ro_b;
    const double ho = isA ? *c.Ho_a : *c.Ho_b;
    const double hc = isA ? *c.Hc_a : *c.Hc_b;
    const double rc = isA ? *c.Rc_a : *c.Rc_b;
    return {name, p, z, a, b, ho, ro, [=](Pt q, double zz) {
                const double rx = isA ? RodRxA(H, zz) : RodRxB(H, zz);
                return pairMargin(q, a, b, rx, rc * (hc - zz) / hc);
            }};
}

} // namespace

// The solids hold exactly the points the zone formulas protect: random points of the space
// around each zone are inside the mesh when, and only when, they lie within the formula's
// radius at their height (points within the meshing tolerance of the boundary are skipped).
TEST(ZoneSolids, MeshesHoldThePointsTheFormulasProtect)
{
    const Pt a{20, 30}, b{80, 30}, d1{10, 10}, d2{40, 50};
    const double H = 20;
    std::vector<SolidCase> cases = {
        {"rod A", rodProject(15), ZoneLetter::A, {40, 35}, {40, 35}, RodHoA(15), RodRoA(15),
         [](Pt q, double z) { return RodRxA(15, z) - std::hypot(q.x - 40, q.y - 35); }},
        {"rod B", rodProject(15), ZoneLetter::B, {40, 35}, {40, 35}, RodHoB(15), RodRoB(15),
         [](Pt q, double z) { return RodRxB(15, z) - std::hypot(q.x - 40, q.y - 35); }},
        doubleCase("double A regime 1", {20, 30}, {40, 30}, H, ZoneLetter::A),
        doubleCase("double A regime 2", {20, 30}, {50, 30}, H, ZoneLetter::A),
        doubleCase("double A regime 3", {20, 30}, {80, 30}, H, ZoneLetter::A),
        doubleCase("double A slanted", d1, d2, H, ZoneLetter::A),
        doubleCase("double B regime 2", {20, 30}, {110, 30}, H, ZoneLetter::B),
        {"cable A", cableProject(a, b, 15), ZoneLetter::A, a, b, CableHoA(15), CableRoA(15),
         [=](Pt q, double z) { return CableRxA(15, z) - SegmentDistance(q, a, b); }},
        {"cable B slanted", cableProject(d1, d2, 15), ZoneLetter::B, d1, d2, CableHoB(15),
         CableRoB(15), [=](Pt q, double z) { return CableRxB(15, z) - SegmentDistance(q, d1, d2); }},
    };
    std::mt19937 rng(7);
    for (const SolidCase &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ZoneSolid> all = buildZoneSolids(c.snap, "");
        const Mesh3 &m = solid(all, c.zone);
        ASSERT_FALSE(m.empty());
        EXPECT_TRUE(closed(m));
        const double tol = 0.01 * c.ro + 0.05;
        std::uniform_real_distribution<double> X(std::min(c.s1.x, c.s2.x) - 1.2 * c.ro,
                                                 std::max(c.s1.x, c.s2.x) + 1.2 * c.ro);
        std::uniform_real_distribution<double> Y(std::min(c.s1.y, c.s2.y) - 1.2 * c.ro,
                                                 std::max(c.s1.y, c.s2.y) + 1.2 * c.ro);
        std::uniform_real_distribution<double> Z(0.01, 1.1 * c.ho);
        int inside = 0, wrong = 0;
        for (int i = 0; i < 3000; ++i) {
            const Pt q{X(rng), Y(rng)};
            const double z = Z(rng);
            const double margin = c.margin(q, z);
            if (std::abs(margin) < tol)
                continue;
            const bool in = insideMesh(m, q.x, q.y, z);
            inside += in;
            wrong += in != (margin > 0);
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(inside, 100);
    }
}

// The middle of a double rod's span stands at the stored Hc with the ground half-width Rc, and a
// cable's tent keeps its stored height and half-width all along the span.
TEST(ZoneSolids, MiddleOfSpanHasTheStoredValues)
{
    struct Row {
        const char *name;
        ProjectSnapshot snap;
        ZoneLetter zone;
        double hc, rc;
        std::vector<double> at; // fractions of the span checked
    };
    const std::vector<Row> rows = {
        // H = 20: L = 30 gives Hc_a 15.24 with Rc_a 21.2, L = 60 gives 9.96 and 16.96, zone B
        // at L = 90 gives 8.6 and 30.
        {"regime 2", doubleProject({0, 0}, {30, 0}, 20), ZoneLetter::A, 15.24, 21.2, {0.5}},
        {"regime 3", doubleProject({5, 5}, {5, 65}, 20), ZoneLetter::A, 9.96, 16.96, {0.5}},
        {"zone B", doubleProject({0, 0}, {90, 0}, 20), ZoneLetter::B, 8.6, 30, {0.5}},
        {"cable", cableProject({10, 10}, {58, 46}, 15), ZoneLetter::A, 12.75, 19.69,
         {0.125, 0.25, 0.5, 0.75}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const std::vector<ZoneSolid> all = buildZoneSolids(r.snap, "");
        const Mesh3 &m = solid(all, r.zone);
        const ConductorRec &c1 = r.snap.conductors.front(), &c2 = r.snap.conductors.back();
        const double x1 = *c1.MX, y1 = *c1.MY, x2 = *c2.MX, y2 = *c2.MY;
        const double L = std::hypot(x2 - x1, y2 - y1);
        for (double f : r.at) {
            const double cx = x1 + f * (x2 - x1), cy = y1 + f * (y2 - y1);
            double top = -1, width = -1;
            for (const Point3 &p : m.vertices) {
                const double along = ((p.x - x1) * (x2 - x1) + (p.y - y1) * (y2 - y1)) / L;
                if (std::abs(along - f * L) > 1e-9)
                    continue;
                top = std::max(top, p.z);
                if (p.z == 0)
                    width = std::max(width, std::hypot(p.x - cx, p.y - cy));
            }
            EXPECT_NEAR(top, r.hc, 1e-9) << f;
            EXPECT_NEAR(width, r.rc, 1e-9) << f;
        }
    }
}

// Two single rods (or no middle values) keep a cone for each rod; empty values draw nothing.
TEST(ZoneSolids, SeparateConesAndMissingValues)
{
    ProjectSnapshot p = doubleProject({0, 0}, {100, 0}, 20); // beyond A3: no common zone A
    EXPECT_FALSE(p.conductors.front().Hc_a);
    std::vector<ZoneSolid> all = buildZoneSolids(p, "");
    int conesA = 0;
    for (const ZoneSolid &s : all)
        conesA += s.zone == ZoneLetter::A && s.second == -1;
    EXPECT_EQ(conesA, 2);
    p.project.ChkUseAs2 = true;
    EXPECT_EQ(buildZoneSolids(p, "").size(), 4u);
    // The chosen construction's fields are empty until one is chosen.
    EXPECT_TRUE(buildZoneSolids(p, "1").empty());
    p.conductors.clear();
    EXPECT_TRUE(buildZoneSolids(p, "").empty());
}
