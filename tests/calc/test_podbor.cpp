// Per-object required heights and the whole-project selection of the three conductor types.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "calc/construction.h"
#include "calc/numfmt.h"
#include "calc/podbor.h"

namespace kv {
namespace {

ObjectRec object(const char *name, double x, double y, double L, double S, double Hx,
                 const char *zona)
{
    ObjectRec o;
    o.Name = name;
    o.MXa = x;
    o.MYa = y;
    o.L = L;
    o.S = S;
    o.Hx = Hx;
    if (zona)
        o.Zona = zona;
    return o;
}

ConductorRec conductor(double x, double y)
{
    ConductorRec c;
    c.MX = x;
    c.MY = y;
    return c;
}

void countZones(ProjectSnapshot &s)
{
    int a = 0, b = 0;
    for (const ObjectRec &o : s.objects) {
        a += o.Zona == kZoneA;
        b += o.Zona == kZoneB;
    }
    s.project.ZonaACnt = a;
    s.project.ZonaBCnt = b;
}

ProjectSnapshot project(const char *tip, std::vector<ConductorRec> mo, std::vector<ObjectRec> objs)
{
    ProjectSnapshot s;
    s.project.TipMO = tip;
    s.conductors = std::move(mo);
    s.objects = std::move(objs);
    countZones(s);
    return s;
}

SettingsRec usualSettings()
{
    SettingsRec st;
    st.A1 = 1;
    st.A2 = 2;
    st.A3 = 4;
    st.B1 = 1;
    st.B2 = 6;
    st.ChkMsgUseAs2 = true;
    return st;
}

// Every number stored anywhere in the snapshot is finite.
void expectFinite(const ProjectSnapshot &s)
{
    auto f = [](const OptD &v) { return !v || std::isfinite(*v); };
    for (const ConductorRec &c : s.conductors)
        for (const OptD *v : {&c.H, &c.Hop, &c.Ho_a, &c.Ho_b, &c.Ro_a, &c.Ro_b, &c.Hc_a, &c.Hc_b,
                              &c.Rc_a, &c.Rc_b, &c.H1, &c.Hop1, &c.Ho_a1, &c.Ho_b1, &c.Ro_a1,
                              &c.Ro_b1, &c.Hc_a1, &c.Hc_b1, &c.Rc_a1, &c.Rc_b1, &c.L_H, &c.L_H1})
            EXPECT_TRUE(f(*v));
    for (const ObjectRec &o : s.objects)
        for (const OptD *v : {&o.R, &o.H, &o.Rx, &o.Rcx, &o.Rx1, &o.Rcx1, &o.Hprior})
            EXPECT_TRUE(f(*v));
}

// ---- Per-object routines --------------------------------------------------------------------

TEST(ObjectHeightRod, GoverningCornerAndHeight)
{
    const ObjGeom o{10, 0, 10, 5, 5, Zone::B};
    const ObjectHeight h = ObjectHeightRod(o, {0, 0});
    ASSERT_TRUE(h.ok);
    EXPECT_DOUBLE_EQ(h.R, 20.62);
    EXPECT_DOUBLE_EQ(h.H, 19.18);
    // Out of reach of any zone A rod.
    const ObjectHeight far = ObjectHeightRod({500, 0, 10, 10, 5, Zone::A}, {0, 0});
    EXPECT_FALSE(far.ok);
}

TEST(ObjectHeightCable, LargestSegmentDistance)
{
    // Cable along y = 0 from 0 to 30; corners at distance 7 and 12 from the cable.
    const ObjGeom o{10, 7, 5, 5, 0, Zone::B};
    const ObjectHeight h = ObjectHeightCable(o, {0, 0}, {30, 0});
    ASSERT_TRUE(h.ok);
    EXPECT_DOUBLE_EQ(h.R, 12);
    EXPECT_DOUBLE_EQ(h.H, CableHeightB(12, 0));
}

class DoubleRodExample : public ::testing::Test {
protected:
    DoubleRodLimits lim;
    ObjGeom obj{5, 10, 10, 5, 5, Zone::B};
};

TEST_F(DoubleRodExample, PointsOfZoneBObject)
{
    const double L = 20;
    const Pt r1{0, 0}, r2{20, 0};
    auto pointH = [&](Pt p) {
        DoubleRodBest b;
        PointHeightDoubleRod(p, "P", Zone::B, 5, L, r1, r2, lim, b);
        return b;
    };
    EXPECT_DOUBLE_EQ(pointH({5, 10}).h, 12.38);
    EXPECT_EQ(pointH({5, 10}).regime, 2);
    EXPECT_DOUBLE_EQ(pointH({15, 10}).h, 12.38);
    EXPECT_DOUBLE_EQ(pointH({15, 15}).h, 15.56);
    EXPECT_DOUBLE_EQ(pointH({5, 15}).h, 15.56);
    EXPECT_DOUBLE_EQ(pointH({10, 10}).h, 12.63);
    EXPECT_DOUBLE_EQ(pointH({10, 15}).h, 15.67);
    const ObjectHeight h = ObjectHeightDoubleRod(obj, r1, r2, lim);
    ASSERT_TRUE(h.ok);
    EXPECT_DOUBLE_EQ(h.H, 15.67);
    EXPECT_DOUBLE_EQ(h.R, 15);
    EXPECT_STREQ(h.PointOt, "Ось");
    EXPECT_STREQ(h.PointDo, "CD");
    EXPECT_EQ(h.Rejim, 2);
}

TEST_F(DoubleRodExample, ZoneAEarlierPointWinsTies)
{
    obj.zone = Zone::A;
    const ObjectHeight h = ObjectHeightDoubleRod(obj, {0, 0}, {20, 0}, lim);
    ASSERT_TRUE(h.ok);
    EXPECT_DOUBLE_EQ(h.H, 20.03);
    EXPECT_DOUBLE_EQ(h.R, 15);
    EXPECT_STREQ(h.PointDo, "C");
    EXPECT_EQ(h.Rejim, 1);
}

TEST_F(DoubleRodExample, ZoneAWideSpanRegimes)
{
    obj.zone = Zone::A;
    const Pt r1{0, 0}, r2{40, 0};
    DoubleRodBest a;
    PointHeightDoubleRod({5, 10}, "A", Zone::A, 5, 40, r1, r2, lim, a);
    EXPECT_DOUBLE_EQ(a.h, 16.08);
    EXPECT_EQ(a.regime, 3);
    const ObjectHeight h = ObjectHeightDoubleRod(obj, r1, r2, lim);
    EXPECT_DOUBLE_EQ(h.H, 21.07);
    EXPECT_STREQ(h.PointDo, "C");
    EXPECT_EQ(h.Rejim, 2);
}

TEST(ObjectHeightTwoRods, SideOfTheMidline)
{
    // Straddling the midline x = 50: governed by a crossing, both rods.
    ObjectHeight h = ObjectHeightTwoRods({45, 10, 10, 5, 5, Zone::B}, {0, 0}, {100, 0});
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(h.NumMO, 12);
    EXPECT_STREQ(h.PointDo1, "CD");
    EXPECT_DOUBLE_EQ(h.R, round2(std::hypot(50.0, 15.0)));
    // Wholly on rod 2's side.
    h = ObjectHeightTwoRods({80, 10, 10, 5, 5, Zone::B}, {0, 0}, {100, 0});
    EXPECT_EQ(h.NumMO, 2);
    EXPECT_STREQ(h.PointDo1, "D");
    EXPECT_DOUBLE_EQ(h.R, round2(std::hypot(20.0, 15.0)));
}

TEST(ObjectHeightTwoRods, FarCornerOfStraddlingObjectGoverns)
{
    // The object reaches past rod 1: its corner D is farther from rod 1 than any crossing point
    // from the rods, so it must govern, or the corner would be left outside the zone.
    const ObjectHeight h = ObjectHeightTwoRods({-60, 0, 120, 100, 0, Zone::B}, {0, 0}, {100, 0});
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(h.NumMO, 12);
    EXPECT_DOUBLE_EQ(h.R, round2(std::hypot(60.0, 100.0)));
    EXPECT_STREQ(h.PointDo1, "D");
}

// ---- Sag --------------------------------------------------------------------------------------

TEST(SagForSpan, RowsAndDefault)
{
    const std::vector<SagRow> table{{0.0, 20.0, 0.5}, {20.0, 40.0, 1.0}};
    CalcMessages m;
    EXPECT_DOUBLE_EQ(SagForSpan(20, table, m), 0.5);
    EXPECT_DOUBLE_EQ(SagForSpan(20.01, table, m), 1.0);
    EXPECT_TRUE(m.empty());
    EXPECT_DOUBLE_EQ(SagForSpan(0, table, m), 3);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].kind, MessageKind::Error);
    EXPECT_EQ(m[0].text, "Ошибка. В таблице стрел провеса троса не найдено значение стрелы "
                         "провеса для расстояния между опорами молниеотвода, равного 0 м. По "
                         "умолчанию будет принята стрела провеса, равная 3 м.");
    m.clear();
    SagForSpan(48.5, {}, m);
    EXPECT_NE(m[0].text.find("равного 48,5 м."), std::string::npos);
}

// ---- Whole-project selection ------------------------------------------------------------------

TEST(PodborRod, DesignHeightAndZoneCounts)
{
    ProjectSnapshot s = project(kTipSingleRod, {conductor(0, 0)},
                                {object("1", 10, 0, 10, 5, 5, kZoneB),
                                 object("2", -5, -5, 3, 3, 2, kZoneB),
                                 object("3", 0, 30, 2, 2, 2, nullptr)});
    s.conductors[0].H1 = 40; // a former choice is cleared
    s.objects[0].Rx1 = 3;
    CalcMessages m;
    const PodborResult r = PodborRod(s, m);
    EXPECT_TRUE(r.ran);
    EXPECT_TRUE(m.empty());
    const ConductorRec &mo = s.conductors[0];
    EXPECT_DOUBLE_EQ(*mo.H, 19.18);
    EXPECT_DOUBLE_EQ(*r.designHeight, 19.18);
    EXPECT_FALSE(mo.Ho_a || mo.Ro_a || mo.Hop || mo.L_H || mo.H1);
    EXPECT_DOUBLE_EQ(*mo.Ho_b, RodHoB(19.18));
    EXPECT_DOUBLE_EQ(*s.objects[0].R, 20.62);
    EXPECT_DOUBLE_EQ(*s.objects[0].Rx, RodRxB(19.18, 5));
    EXPECT_FALSE(s.objects[0].Rx1);
    // The second object keeps its own, lower height.
    EXPECT_LT(*s.objects[1].H, 19.18);
    // No zone letter: empty results.
    EXPECT_FALSE(s.objects[2].H || s.objects[2].R || s.objects[2].Rx);
}

TEST(PodborRod, AllZoneAProjectHasNoZoneBValues)
{
    ProjectSnapshot s = project(kTipSingleRod, {conductor(0, 0)},
                                {object("1", 2, 2, 3, 3, 3, kZoneA)});
    CalcMessages m;
    PodborRod(s, m);
    EXPECT_TRUE(s.conductors[0].Ho_a && s.conductors[0].Ro_a);
    EXPECT_FALSE(s.conductors[0].Ho_b || s.conductors[0].Ro_b);
}

TEST(PodborRod, NoObjectsChangesNothing)
{
    ProjectSnapshot s = project(kTipSingleRod, {conductor(0, 0)}, {});
    s.conductors[0].H = 33;
    CalcMessages m;
    EXPECT_FALSE(AutoPodbor(s, usualSettings(), {}, m).ran);
    EXPECT_DOUBLE_EQ(*s.conductors[0].H, 33);
}

TEST(PodborRod, OnlyObjectsWithoutZoneGive15)
{
    ProjectSnapshot s = project(kTipSingleRod, {conductor(0, 0)},
                                {object("1", 2, 2, 3, 3, 3, nullptr)});
    CalcMessages m;
    PodborRod(s, m);
    EXPECT_DOUBLE_EQ(*s.conductors[0].H, 15);
}

TEST(PodborRod, UnreachableObjectStoresNoHeightAndIsNamed)
{
    ProjectSnapshot s = project(kTipSingleRod, {conductor(0, 0)},
                                {object("Склад", 400, 0, 10, 10, 5, kZoneA),
                                 object("Дом", 10, 0, 10, 5, 5, kZoneA)});
    CalcMessages m;
    PodborRod(s, m);
    EXPECT_FALSE(s.objects[0].H);
    ASSERT_TRUE(s.objects[1].H);
    EXPECT_DOUBLE_EQ(*s.conductors[0].H, *s.objects[1].H);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].kind, MessageKind::Error);
    EXPECT_NE(m[0].text.find("\"Склад\""), std::string::npos);
    EXPECT_EQ(m[0].text.find("\"Дом\""), std::string::npos);
    expectFinite(s);
}

TEST(PodborCable, SupportsSagAndMessagesPerRow)
{
    ProjectSnapshot s = project(kTipCable, {conductor(0, 0), conductor(48, 0)},
                                {object("1", 10, 5, 10, 5, 5, kZoneB)});
    CalcMessages m;
    PodborCable(s, {}, m);
    ASSERT_EQ(m.size(), 2u); // looked up for each support row
    EXPECT_EQ(m[0], m[1]);
    const double H = *s.objects[0].H;
    for (const ConductorRec &c : s.conductors) {
        EXPECT_DOUBLE_EQ(*c.H, H);
        EXPECT_DOUBLE_EQ(*c.Hop, H + 3);
        EXPECT_DOUBLE_EQ(*c.Ro_b, CableRoB(H));
        EXPECT_FALSE(c.Hc_a || c.Rc_b || c.L_H);
    }
    EXPECT_DOUBLE_EQ(*s.objects[0].R, 10);
}

TEST(PodborCable, SupportsAtOnePoint)
{
    ProjectSnapshot s = project(kTipCable, {conductor(5, 5), conductor(5, 5)},
                                {object("1", 10, 5, 10, 5, 5, kZoneB)});
    CalcMessages m;
    const std::vector<SagRow> sag{{-1.0, 10.0, 0.5}};
    PodborCable(s, sag, m);
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m[0].kind, MessageKind::Warning);
    EXPECT_DOUBLE_EQ(*s.objects[0].R, round2(std::hypot(15.0, 5.0)));
    expectFinite(s);
}

class PodborDoubleRodTest : public ::testing::Test {
protected:
    SettingsRec st = usualSettings();
    CalcMessages m;
};

TEST_F(PodborDoubleRodTest, CommonZoneExample)
{
    ProjectSnapshot s = project(kTipDoubleRod, {conductor(0, 0), conductor(20, 0)},
                                {object("1", 5, 10, 10, 5, 5, kZoneB)});
    s.project.ChkUseAs2 = true; // decided again by the selection
    s.objects[0].NumMO = 12;
    const PodborResult r = PodborDoubleRod(s, st, m);
    EXPECT_FALSE(r.showMemoUseAs2);
    EXPECT_FALSE(*s.project.ChkUseAs2);
    const ObjectRec &o = s.objects[0];
    EXPECT_DOUBLE_EQ(*o.H, 15.67);
    EXPECT_DOUBLE_EQ(*o.Hprior, 15.67);
    EXPECT_DOUBLE_EQ(*o.R, 15);
    EXPECT_EQ(*o.PointOt, "Ось");
    EXPECT_EQ(*o.PointDo, "CD");
    EXPECT_EQ(*o.Rejim, 2);
    EXPECT_FALSE(o.NumMO);
    for (const ConductorRec &c : s.conductors) {
        EXPECT_DOUBLE_EQ(*c.H, 15.67);
        EXPECT_DOUBLE_EQ(*c.L_H, round2(20 / 15.67));
        EXPECT_TRUE(c.Hc_b && c.Rc_b);
        EXPECT_FALSE(c.Hc_a || c.Rc_a || c.Hop);
    }
    EXPECT_TRUE(o.Rcx);
    EXPECT_TRUE(m.empty());
}

TEST_F(PodborDoubleRodTest, SwitchesToTwoSingleRods)
{
    ProjectSnapshot s = project(kTipDoubleRod, {conductor(0, 0), conductor(100, 0)},
                                {object("1", 49, -0.5, 2, 1, 0, kZoneA),
                                 object("2", 95, -2, 2, 2, 0, kZoneA),
                                 object("3", 80, 40, 1, 1, 1, nullptr)});
    const PodborResult r = PodborDoubleRod(s, st, m);
    EXPECT_TRUE(r.showMemoUseAs2);
    EXPECT_TRUE(*s.project.ChkUseAs2);
    EXPECT_TRUE(MemoUseAs2Visible(s.project));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, kMsgUseAs2);
    EXPECT_EQ(m[0].kind, MessageKind::Info);
    EXPECT_EQ(*s.objects[0].NumMO, 12);
    EXPECT_EQ(*s.objects[1].NumMO, 2);
    // The double-rod pass is kept beside the two-rods result.
    EXPECT_TRUE(s.objects[0].Hprior && s.objects[0].PointDo && s.objects[0].Rejim);
    EXPECT_TRUE(s.objects[0].PointDo1);
    EXPECT_FALSE(s.objects[2].H || s.objects[2].NumMO || s.objects[2].PointDo1);
    for (const ConductorRec &c : s.conductors) {
        EXPECT_FALSE(c.Hc_a || c.Hc_b || c.Rc_a || c.Rc_b);
        EXPECT_TRUE(c.Ho_a && c.Ro_a && c.L_H);
    }
    for (const ObjectRec &o : s.objects)
        EXPECT_FALSE(o.Rcx);
    // Without the setting the switch is silent.
    m.clear();
    st.ChkMsgUseAs2 = false;
    PodborDoubleRod(s, st, m);
    EXPECT_TRUE(m.empty());
}

TEST_F(PodborDoubleRodTest, NoZoneAObjectsNeverSwitchOnA3)
{
    // L/H well past A3 but within B2 for zone B objects.
    ProjectSnapshot s = project(kTipDoubleRod, {conductor(0, 0), conductor(60, 0)},
                                {object("1", 28, 0, 4, 4, 2, kZoneB)});
    PodborDoubleRod(s, st, m);
    EXPECT_FALSE(*s.project.ChkUseAs2);
    EXPECT_GT(60 / *s.conductors[0].H, 4);
}

TEST_F(PodborDoubleRodTest, RodsAtOnePoint)
{
    ProjectSnapshot s = project(kTipDoubleRod, {conductor(0, 0), conductor(0, 0)},
                                {object("1", 10, 0, 10, 5, 5, kZoneB)});
    PodborDoubleRod(s, st, m);
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m[0].kind, MessageKind::Warning);
    // The pair acts as one rod.
    EXPECT_DOUBLE_EQ(*s.objects[0].H, 19.18);
    EXPECT_DOUBLE_EQ(*s.conductors[0].L_H, 0);
    expectFinite(s);
}

TEST(DoubleRodZones, VanishingMiddleHeightGivesEmptyRcx)
{
    // Settings that let the zone height in the middle reach zero before the regime ends.
    SettingsRec st = usualSettings();
    st.B1 = 1;
    st.B2 = 20;
    ProjectSnapshot s = project(kTipDoubleRod, {conductor(0, 0), conductor(200, 0)},
                                {object("1", 0, 5, 2, 2, 2, kZoneB)});
    s.project.ChkUseAs2 = false;
    DoubleRodZones(s, 15, st);
    ASSERT_TRUE(s.conductors[0].Hc_b);
    EXPECT_LE(*s.conductors[0].Hc_b, 0);
    EXPECT_FALSE(s.objects[0].Rcx);
    expectFinite(s);
}

// ---- Properties over generated projects -------------------------------------------------------

struct Gen {
    std::mt19937 rng{20240611};
    double uni(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    double grid(double a, double b) { return std::round(uni(a, b) * 4) / 4; }
    // A project around one or two supports; `far` puts two rods far apart with the objects
    // near them, the layout that makes a double rod act as two single rods.
    ProjectSnapshot make(const char *tip, int nObjects, bool far = false)
    {
        std::vector<ConductorRec> mo{conductor(grid(40, 60), grid(40, 60))};
        if (far)
            mo[0] = conductor(0, 50);
        if (tip != std::string(kTipSingleRod))
            mo.push_back(far ? conductor(grid(150, 250), grid(0, 100))
                             : conductor(grid(30, 90), grid(30, 90)));
        std::vector<ObjectRec> objs;
        for (int i = 0; i < nObjects; ++i) {
            const double r = uni(0, 1);
            const char *z = r < 0.45 ? kZoneA : r < 0.9 ? kZoneB : nullptr;
            double x = grid(10, 90), y = grid(10, 90);
            if (far) {
                const ConductorRec &near = mo[static_cast<std::size_t>(i) % mo.size()];
                x = *near.MX + grid(-15, 10);
                y = *near.MY + grid(-15, 10);
            }
            objs.push_back(object(("О" + std::to_string(i)).c_str(), x, y, grid(0, 15),
                                  grid(0, 15), grid(0, 20), z));
        }
        return project(tip, std::move(mo), std::move(objs));
    }
};

Pt cornerOf(const ObjectRec &o, int i)
{
    const double x = *o.MXa, y = *o.MYa;
    switch (i) {
    case 0: return {x, y};
    case 1: return {x + *o.L, y};
    case 2: return {x + *o.L, y + *o.S};
    default: return {x, y + *o.S};
    }
}

TEST(PodborProperty, RodAndCableCoverEveryCorner)
{
    Gen g;
    for (int n = 0; n < 150; ++n) {
        for (const char *tip : {kTipSingleRod, kTipCable}) {
            ProjectSnapshot s = g.make(tip, 1 + n % 6);
            CalcMessages m;
            AutoPodbor(s, usualSettings(), {{0.0, 1000.0, 1.0}}, m);
            ASSERT_TRUE(m.empty());
            const double H = *s.conductors[0].H;
            const Pt p1{*s.conductors[0].MX, *s.conductors[0].MY};
            const Pt p2 = s.conductors.size() > 1
                              ? Pt{*s.conductors[1].MX, *s.conductors[1].MY}
                              : p1;
            for (const ObjectRec &o : s.objects) {
                if (!o.Zona) {
                    EXPECT_FALSE(o.H || o.R || o.Rx);
                    continue;
                }
                ASSERT_TRUE(o.H && o.Rx);
                EXPECT_LE(*o.H, H);
                const Zone z = zoneOf(o.Zona);
                const double Rx = tip == std::string(kTipCable) ? CableRx(z, H, *o.Hx)
                                                                 : RodRx(z, H, *o.Hx);
                EXPECT_DOUBLE_EQ(*o.Rx, Rx);
                // Distances are measured in hundredths, as the selection measures them.
                for (int i = 0; i < 4; ++i) {
                    const Pt c = cornerOf(o, i);
                    const double d = tip == std::string(kTipCable)
                                         ? SegmentDistance(c, p1, p2)
                                         : round2(std::hypot(c.x - p1.x, c.y - p1.y));
                    EXPECT_LE(d, Rx + 0.01 + 1e-9) << tip << " case " << n << " " << *o.Name;
                }
            }
            expectFinite(s);
        }
    }
}

// Whether P at the object's height lies inside the stored design zone of the double rod.
bool insideDoubleRodZone(Pt P, const ObjectRec &o, Pt r1, Pt r2, bool as2, double tol)
{
    const double Rx = *o.Rx;
    const double d1 = std::hypot(P.x - r1.x, P.y - r1.y), d2 = std::hypot(P.x - r2.x, P.y - r2.y);
    if (std::min(d1, d2) <= Rx + tol)
        return true;
    if (as2 || !o.Rcx)
        return false;
    const AxisFoot f = FootOnAxis(P, r1, r2);
    if (!f.between)
        return false;
    const double L = std::hypot(r2.x - r1.x, r2.y - r1.y), Ph = L / 2;
    const double q = std::min(std::hypot(f.foot.x - r1.x, f.foot.y - r1.y),
                              std::hypot(f.foot.x - r2.x, f.foot.y - r2.y));
    const double r = std::hypot(P.x - f.foot.x, P.y - f.foot.y);
    return r <= Rx * (Ph - q) / Ph + *o.Rcx * q / Ph + tol;
}

TEST(PodborProperty, DoubleRodCoversCornersAndMidlinePoints)
{
    Gen g;
    const SettingsRec st = usualSettings();
    int switched = 0;
    for (int n = 0; n < 300; ++n) {
        ProjectSnapshot s = g.make(kTipDoubleRod, 1 + n % 5, n % 3 == 0);
        CalcMessages m;
        AutoPodbor(s, st, {}, m);
        const bool as2 = *s.project.ChkUseAs2;
        switched += as2;
        const Pt r1{*s.conductors[0].MX, *s.conductors[0].MY};
        const Pt r2{*s.conductors[1].MX, *s.conductors[1].MY};
        for (const ObjectRec &o : s.objects) {
            if (!o.Zona)
                continue;
            ASSERT_TRUE(o.H && o.Rx);
            EXPECT_LE(*o.H, *s.conductors[0].H);
            const ObjGeom geo = objGeomOf(o);
            std::vector<Pt> pts;
            for (int i = 0; i < 4; ++i)
                pts.push_back(cornerOf(o, i));
            const Crossings x = MidlineCrossings(geo, r1, r2);
            for (int i = 0; i < 4; ++i)
                if (x.present[i])
                    pts.push_back(x.pt[i]);
            for (const Pt &p : pts)
                EXPECT_TRUE(insideDoubleRodZone(p, o, r1, r2, as2, 0.02))
                    << "case " << n << " " << *o.Name << " (" << p.x << ", " << p.y << ")";
        }
        expectFinite(s);
    }
    EXPECT_GT(switched, 0);
}

TEST(PodborProperty, IndependentOfOrderAndStartingValues)
{
    Gen g;
    const SettingsRec st = usualSettings();
    for (int n = 0; n < 60; ++n) {
        for (const char *tip : {kTipSingleRod, kTipCable, kTipDoubleRod}) {
            ProjectSnapshot a = g.make(tip, 5, n % 2 == 0);
            ProjectSnapshot b = a;
            std::shuffle(b.objects.begin(), b.objects.end(), g.rng);
            for (ObjectRec &o : b.objects) {
                o.H = 999;
                o.R = -1;
                o.Rx = 7;
                o.Rcx = 7;
                o.PointDo1 = "AD";
            }
            b.conductors[0].H = 1;
            b.conductors[0].Hc_a = 3;
            CalcMessages ma, mb;
            AutoPodbor(a, st, {}, ma);
            AutoPodbor(b, st, {}, mb);
            EXPECT_EQ(a.conductors[0].H, b.conductors[0].H);
            EXPECT_EQ(a.conductors[0].Hc_a, b.conductors[0].Hc_a);
            EXPECT_EQ(a.project.ChkUseAs2, b.project.ChkUseAs2);
            for (const ObjectRec &oa : a.objects) {
                const auto it = std::find_if(b.objects.begin(), b.objects.end(),
                                             [&](const ObjectRec &o) { return o.Name == oa.Name; });
                ASSERT_NE(it, b.objects.end());
                EXPECT_EQ(oa.H, it->H);
                EXPECT_EQ(oa.R, it->R);
                EXPECT_EQ(oa.Rx, it->Rx);
                EXPECT_EQ(oa.Rcx, it->Rcx);
                EXPECT_EQ(oa.NumMO, it->NumMO);
            }
        }
    }
}

} // namespace
} // namespace kv
