// The multiple rod: with two rods it must store exactly what the double rod stores; with more
// rods every object's height is checked against an independent sampling of the zones (each pair's
// common zone, the nearer rod, the triangles) at the found height and just below it.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "calc/multirod.h"
#include "vectorcase.h"

namespace fs = std::filesystem;

namespace kv
{
namespace
{

SettingsRec usualSettings(bool msg)
{
    SettingsRec st;
    st.A1 = 1;
    st.A2 = 2;
    st.A3 = 4;
    st.B1 = 1;
    st.B2 = 6;
    st.ChkMsgUseAs2 = msg;
    return st;
}

void expectSameAsDoubleRod(const ProjectSnapshot &base, const SettingsRec &st,
                           const std::string &what)
{
    ProjectSnapshot d = base, m = base;
    CalcMessages md, mm;
    const PodborResult rd = PodborDoubleRod(d, st, md);
    const MultiRodResult rm = PodborMultiRod(m, st, mm);
    EXPECT_EQ(rd.designHeight, rm.podbor.designHeight) << what;
    EXPECT_EQ(rd.showMemoUseAs2, rm.podbor.showMemoUseAs2) << what;
    EXPECT_TRUE(d.project == m.project) << what;
    EXPECT_TRUE(d.conductors == m.conductors) << what;
    for (size_t i = 0; i < d.objects.size(); ++i)
        EXPECT_TRUE(d.objects[i] == m.objects[i]) << what << " object " << i;
    EXPECT_TRUE(md == mm) << what;
    if (rd.designHeight && rm.podbor.designHeight) {
        // Stored heights must agree in their bits too (0 and −0 compare equal).
        EXPECT_EQ(std::signbit(*rd.designHeight), std::signbit(*rm.podbor.designHeight));
    }
}

TEST(MultiRod, TwoRodsStoreExactlyTheDoubleRodValues)
{
    // Every double-rod calculation vector.
    int vectors = 0;
    const fs::path dir = fs::path(KORVAN_TESTDATA) / "calc";
    for (const auto &e : fs::directory_iterator(dir)) {
        const std::string f = e.path().filename().string();
        if (f.size() != 8 || !f.ends_with(".json"))
            continue;
        std::ifstream in(e.path());
        const nlohmann::json j = nlohmann::json::parse(in);
        if (j["project"].value("TipMO", "") != kTipDoubleRod)
            continue;
        Case c = loadCase(j);
        evaluateObjects(c.snap, j["objects"]);
        expectSameAsDoubleRod(c.snap, c.settings, f);
        ++vectors;
    }
    EXPECT_GT(vectors, 0);

    // Random two-rod projects, spans from touching to far beyond any common zone, so that both
    // modes, unreachable objects and empty zone letters all occur.
    std::mt19937 rng(2026);
    std::uniform_real_distribution<double> u(0, 1);
    int as2 = 0, common = 0;
    for (int t = 0; t < 400; ++t) {
        ProjectSnapshot s;
        s.project.TipMO = kTipMultiRod;
        ConductorRec a, b;
        a.MX = std::round(u(rng) * 100);
        a.MY = std::round(u(rng) * 100);
        b.MX = t % 17 == 0 ? *a.MX : std::round(u(rng) * 300);
        b.MY = t % 13 == 0 ? *a.MY : std::round(u(rng) * 100);
        s.conductors = {a, b};
        int ca = 0, cb = 0;
        for (int k = 0; k < 1 + t % 4; ++k) {
            ObjectRec o;
            o.Name = "О" + std::to_string(k);
            // Most objects stand near a rod, so that long spans need low rods.
            const ConductorRec &near = k % 2 ? a : b;
            const double spread = t % 3 == 0 ? 150 : 15;
            o.MXa = std::round((*near.MX + (u(rng) - 0.5) * spread) * 10) / 10;
            o.MYa = std::round((*near.MY + (u(rng) - 0.5) * spread) * 10) / 10;
            o.L = 1 + std::round(u(rng) * (t % 3 == 0 ? 200 : 50)) / 10;
            o.S = 1 + std::round(u(rng) * (t % 3 == 0 ? 100 : 50)) / 10;
            o.Hx = std::round(u(rng) * (t % 3 == 0 ? 300 : 80)) / 10;
            const double z = u(rng);
            o.Zona = z < 0.45 ? OptS{kZoneA} : z < 0.9 ? OptS{kZoneB} : OptS{};
            ca += o.Zona == kZoneA;
            cb += o.Zona == kZoneB;
            s.objects.push_back(o);
        }
        s.project.ZonaACnt = ca;
        s.project.ZonaBCnt = cb;
        const SettingsRec st = usualSettings(t % 2 == 0);
        expectSameAsDoubleRod(s, st, "random " + std::to_string(t));
        ProjectSnapshot probe = s;
        CalcMessages m;
        PodborDoubleRod(probe, st, m);
        (probe.project.ChkUseAs2.value_or(false) ? as2 : common)++;
    }
    EXPECT_GT(as2, 20);
    EXPECT_GT(common, 20);
}

TEST(MultiRod, FewerThanTwoRodsAreRefused)
{
    for (int n : {0, 1}) {
        ProjectSnapshot s;
        s.conductors.resize(n);
        s.objects.resize(1);
        const ProjectSnapshot before = s;
        CalcMessages m;
        const MultiRodResult r = PodborMultiRod(s, usualSettings(false), m);
        EXPECT_TRUE(r.refused);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].text, kMsgMultiRodTooFew);
        EXPECT_TRUE(s.conductors == before.conductors && s.objects == before.objects);
    }
}

TEST(MultiRod, RegimeRootBelowTheCommonZoneIsNotAPairsHeight)
{
    // The left object's regime root from the long pair is 7.93, where the pair (L = 56) has no
    // common zone. Two rods keep it, as the double rod does, and the other object lifts the pair
    // into its common zone. With a third rod the other object is served by the short pair, and
    // the long pair's height for the left object is the least one at which its common zone
    // exists and covers it, 14.00 (not the root, which would switch the pair to two single rods
    // and raise the design height to the nearer rod's 21.77).
    struct Row {
        int rods;
        double H, left, right;
        bool longPairAs2;
    };
    for (const Row &row : {Row{2, 19.64, 7.93, 19.64, false}, Row{3, 14.00, 14.00, 10.64, false}}) {
        ProjectSnapshot s;
        for (Pt p : {Pt{10, 10}, Pt{66, 10}, Pt{70, 30}}) {
            if (static_cast<int>(s.conductors.size()) == row.rods)
                break;
            ConductorRec c;
            c.MX = p.x;
            c.MY = p.y;
            s.conductors.push_back(c);
        }
        for (auto [x, y, l, w, hx] : {std::array<double, 5>{25, 9, 3, 2, 4}, {66, 20, 3, 3, 6}}) {
            ObjectRec o;
            o.MXa = x;
            o.MYa = y;
            o.L = l;
            o.S = w;
            o.Hx = hx;
            o.Zona = kZoneA;
            s.objects.push_back(o);
        }
        s.project.ZonaACnt = 2;
        s.project.ZonaBCnt = 0;
        CalcMessages m;
        const MultiRodResult r = PodborMultiRod(s, usualSettings(false), m);
        EXPECT_DOUBLE_EQ(r.podbor.designHeight.value_or(0), row.H) << row.rods;
        EXPECT_DOUBLE_EQ(s.objects[0].H.value_or(0), row.left) << row.rods;
        EXPECT_DOUBLE_EQ(s.objects[1].H.value_or(0), row.right) << row.rods;
        EXPECT_EQ(r.pairs[0].useAs2, row.longPairAs2) << row.rods;
        EXPECT_TRUE(m.empty());
    }
}

// ---- Independent check ------------------------------------------------------------------------

using LD = long double;

LD len(Pt a, Pt b)
{
    return std::hypot(static_cast<LD>(a.x) - b.x, static_cast<LD>(a.y) - b.y);
}
// A span as the program measures it, to the centimetre: the regime limits are taken on it.
LD span(Pt a, Pt b)
{
    return static_cast<double>(std::round(len(a, b) * 100) / 100);
}

// Zone radius at Hx, and the common zone's half-width in the middle, written from the zone
// formulas without the program's rounding.
LD rx(Zone z, LD H, LD Hx)
{
    return z == Zone::B ? (H - Hx / 0.92L) * 1.5L : (H - Hx / 0.85L) * (1.1L - 0.002L * H);
}

// Half-width at Hx in the middle of a span L (negative or NaN: no common zone there).
LD rcx(Zone z, LD H, LD L, LD Hx)
{
    if (z == Zone::B) {
        if (L <= H)
            return rx(z, H, Hx);
        if (L > 6 * H)
            return NAN;
        const LD hc = 0.92L * H - 0.14L * (L - H);
        return hc > 0 ? 1.5L * H * (hc - Hx) / hc : NAN;
    }
    if (L <= H)
        return rx(z, H, Hx);
    if (L > 4 * H)
        return NAN;
    const LD hc = 0.85L * H - (0.17L + 0.0003L * H) * (L - H);
    LD rc = (1.1L - 0.002L * H) * H;
    if (L > 2 * H)
        rc *= 1 - 0.2L * (L - 2 * H) / H;
    return hc > 0 ? rc * (hc - Hx) / hc : NAN;
}

std::vector<Pt> outline(const ObjGeom &g)
{
    std::vector<Pt> pts;
    const Pt c[5] = {{g.Xa, g.Ya},
                     {g.Xa + g.L, g.Ya},
                     {g.Xa + g.L, g.Ya + g.S},
                     {g.Xa, g.Ya + g.S},
                     {g.Xa, g.Ya}};
    for (int s = 0; s < 4; ++s)
        for (int k = 0; k < 40; ++k) {
            const double t = k / 40.0;
            pts.push_back({c[s].x + (c[s + 1].x - c[s].x) * t, c[s].y + (c[s + 1].y - c[s].y) * t});
        }
    return pts;
}

// Whether the pair protects every sampled point at height H, within `slack` metres.
bool pairCovers(const std::vector<Pt> &pts, Pt a, Pt b, Zone z, LD H, LD Hx, bool alone, LD slack)
{
    const LD L = span(a, b), R = rx(z, H, Hx);
    const LD Rc = rcx(z, H, L, Hx);
    if (!alone && !(Rc == Rc))
        return false;
    for (const Pt &p : pts) {
        const LD d = std::min(len(p, a), len(p, b));
        if (d <= R + slack)
            continue;
        if (alone)
            return false;
        // Along-axis position and distance from the axis.
        const LD ux = (static_cast<LD>(b.x) - a.x) / L, uy = (static_cast<LD>(b.y) - a.y) / L;
        const LD s = (p.x - a.x) * ux + (p.y - a.y) * uy;
        if (!(s > 0 && s < L))
            return false;
        const LD r = std::fabs((p.x - a.x) * uy - (p.y - a.y) * ux);
        const LD q = std::min(s, L - s);
        if (r > R * (L / 2 - q) / (L / 2) + Rc * q / (L / 2) + slack)
            return false;
    }
    return true;
}

bool inside(Pt p, Pt a, Pt b, Pt c)
{
    auto cr = [](Pt o, Pt u, Pt v) {
        return (static_cast<LD>(u.x) - o.x) * (v.y - o.y) -
               (static_cast<LD>(u.y) - o.y) * (v.x - o.x);
    };
    const LD d1 = cr(a, b, p), d2 = cr(b, c, p), d3 = cr(c, a, p);
    return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

bool triangleCovers(const ObjGeom &g, Pt a, Pt b, Pt c, LD H, LD slack)
{
    for (const Pt &p : outline(g))
        if (!inside(p, a, b, c))
            return false;
    for (auto [u, v] : {std::pair{a, b}, {a, c}, {b, c}})
        if (!(rcx(g.zone, H, span(u, v), g.Hx) > -slack))
            return false;
    return true;
}

// Whether some element protects the object at H, with the pairs' modes as the selection left
// them (a pair acting as two single rods protects only by its nearer rod).
bool protectedAt(const ObjGeom &g, const std::vector<Pt> &rods, const MultiRodResult &r, LD H,
                 LD slack)
{
    const std::vector<Pt> pts = outline(g);
    for (const MultiRodPair &p : r.pairs)
        if (pairCovers(pts, rods[p.i], rods[p.j], g.zone, H, g.Hx, p.useAs2, slack))
            return true;
    const int n = static_cast<int>(rods.size());
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int c = b + 1; c < n; ++c) {
                const auto as2 = [&](int i, int j) {
                    return r.pairs[MultiRodPairIndex(n, i, j)].useAs2;
                };
                if (!as2(a, b) && !as2(a, c) && !as2(b, c) &&
                    triangleCovers(g, rods[a], rods[b], rods[c], H, slack))
                    return true;
            }
    return false;
}

struct Layout {
    const char *name;
    std::vector<Pt> rods;
};

TEST(MultiRod, HeightsAgreeWithSampledZones)
{
    const std::vector<Layout> layouts = {
        {"row of 3", {{10, 50}, {40, 50}, {70, 50}}},
        {"row of 5", {{0, 40}, {25, 40}, {50, 40}, {75, 40}, {100, 40}}},
        {"square", {{20, 20}, {60, 20}, {60, 60}, {20, 60}}},
        {"triangle", {{10, 10}, {70, 10}, {40, 62}}},
        {"wide triangle", {{0, 0}, {120, 0}, {60, 100}}},
        {"2 x 3 grid", {{0, 0}, {35, 0}, {70, 0}, {0, 35}, {35, 35}, {70, 35}}},
        {"irregular 7", {{5, 7}, {48, 3}, {90, 20}, {72, 66}, {30, 80}, {8, 50}, {50, 40}}},
        {"irregular 8",
         {{0, 0}, {30, 5}, {64, 0}, {95, 12}, {90, 55}, {52, 70}, {15, 60}, {45, 33}}},
    };
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> u(0, 1);
    const SettingsRec st = usualSettings(false);
    int byTriangle = 0, byPair = 0, alone = 0;
    for (const Layout &lay : layouts) {
        for (int rep = 0; rep < 6; ++rep) {
            ProjectSnapshot s;
            s.project.TipMO = kTipMultiRod;
            for (const Pt &p : lay.rods) {
                ConductorRec c;
                c.MX = p.x;
                c.MY = p.y;
                s.conductors.push_back(c);
            }
            int ca = 0, cb = 0;
            for (int k = 0; k < 6; ++k) {
                ObjectRec o;
                o.Name = "О" + std::to_string(k);
                o.MXa = std::round(u(rng) * 1100) / 10 - 5;
                o.MYa = std::round(u(rng) * 900) / 10 - 5;
                o.L = 1 + std::round(u(rng) * 120) / 10;
                o.S = 1 + std::round(u(rng) * 80) / 10;
                o.Hx = std::round(u(rng) * 120) / 10;
                o.Zona = (k + rep) % 2 ? kZoneA : kZoneB;
                (o.Zona == kZoneA ? ca : cb)++;
                s.objects.push_back(o);
            }
            s.project.ZonaACnt = ca;
            s.project.ZonaBCnt = cb;
            CalcMessages m;
            const MultiRodResult r = PodborMultiRod(s, st, m);
            ASSERT_TRUE(r.podbor.ran);
            double hmax = 0;
            for (size_t k = 0; k < s.objects.size(); ++k) {
                const MultiRodObject &ob = r.objects[k];
                const std::string what = std::string(lay.name) + " #" + std::to_string(rep) +
                                         " object " + std::to_string(k);
                if (ob.unreachable)
                    continue;
                ASSERT_TRUE(ob.H) << what;
                hmax = std::max(hmax, *ob.H);
                const ObjGeom g = objGeomOf(s.objects[k]);
                if (ob.by == MultiRodElement::Triangle) {
                    ++byTriangle;
                    for (int a = 0; a < 3; ++a)
                        for (int b = a + 1; b < 3; ++b)
                            EXPECT_FALSE(
                                r.pairs[MultiRodPairIndex(static_cast<int>(lay.rods.size()),
                                                          ob.rods[a], ob.rods[b])]
                                    .useAs2)
                                << what;
                } else {
                    const bool as2 = r.pairs[MultiRodPairIndex(static_cast<int>(lay.rods.size()),
                                                               ob.rods[0], ob.rods[1])]
                                         .useAs2;
                    (as2 ? alone : byPair)++;
                }
                // Protected at its height (the stored radii are rounded to centimetres) and at
                // the design height; not protected 5 cm lower.
                EXPECT_TRUE(protectedAt(g, lay.rods, r, *ob.H, 0.03))
                    << what << " H " << *ob.H << " by " << int(ob.by) << " " << ob.rods[0]
                    << ob.rods[1] << ob.rods[2] << " " << s.objects[k].PointOt.value_or("")
                    << s.objects[k].PointDo.value_or("") << s.objects[k].Rejim.value_or(0)
                    << " obj " << g.Xa << " " << g.Ya << " " << g.L << " " << g.S << " " << g.Hx
                    << " " << int(g.zone);
                EXPECT_TRUE(protectedAt(g, lay.rods, r, *r.podbor.designHeight, 0.03)) << what;
                // Not protected 10 cm lower: the double rod's regime inversions use rounded
                // constants, worth a few centimetres against the outline sampled here.
                EXPECT_FALSE(protectedAt(g, lay.rods, r, *ob.H - 0.1, 0)) << what;
            }
            EXPECT_EQ(r.podbor.designHeight, hmax == 0 ? 15 : hmax);
        }
    }
    EXPECT_GT(byTriangle, 5);
    EXPECT_GT(byPair, 5);
    EXPECT_GT(alone, 0);
}

} // namespace
} // namespace kv
