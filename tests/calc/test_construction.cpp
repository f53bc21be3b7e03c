// Catalogue choice of a construction and the clearing command.

#include <gtest/gtest.h>

#include "calc/construction.h"
#include "calc/numfmt.h"

namespace kv {
namespace {

ObjectRec obj(double Hx, const char *zona)
{
    ObjectRec o;
    o.Name = "О";
    o.MXa = 5;
    o.MYa = 5;
    o.L = 2;
    o.S = 2;
    o.Hx = Hx;
    if (zona)
        o.Zona = zona;
    return o;
}

ConductorRec at(double x, double y)
{
    ConductorRec c;
    c.MX = x;
    c.MY = y;
    c.H = 18; // design values stay untouched
    return c;
}

ProjectSnapshot snapOf(const char *tip, std::vector<ConductorRec> mo, std::vector<ObjectRec> o,
                       int a, int b)
{
    ProjectSnapshot s;
    s.project.TipMO = tip;
    s.project.ZonaACnt = a;
    s.project.ZonaBCnt = b;
    s.conductors = std::move(mo);
    s.objects = std::move(o);
    return s;
}

const SettingsRec kSettings = [] {
    SettingsRec s;
    s.A1 = 1;
    s.A2 = 2;
    s.A3 = 4;
    s.B1 = 1;
    s.B2 = 6;
    return s;
}();

TEST(ChooseConstruction, SingleRod)
{
    ProjectSnapshot s = snapOf(kTipSingleRod, {at(0, 0)},
                               {obj(10, kZoneA), obj(10, kZoneB), obj(10, nullptr)}, 1, 1);
    CalcMessages m;
    ChooseConstruction(s, {"М-20", "Каталог", 20}, kSettings, {}, m);
    const ConductorRec &c = s.conductors[0];
    EXPECT_EQ(*c.Tip, "М-20");
    EXPECT_EQ(*c.Prim, "Каталог");
    EXPECT_DOUBLE_EQ(*c.H1, 20);
    EXPECT_FALSE(c.Hop1 || c.L_H1 || c.Hc_a1);
    EXPECT_DOUBLE_EQ(*c.Ho_a1, 17);
    EXPECT_DOUBLE_EQ(*c.Ro_a1, 21.2);
    EXPECT_DOUBLE_EQ(*c.Ho_b1, 18.4);
    EXPECT_DOUBLE_EQ(*c.Ro_b1, 30);
    EXPECT_DOUBLE_EQ(*c.H, 18);
    EXPECT_DOUBLE_EQ(*s.objects[0].Rx1, 8.73);
    EXPECT_DOUBLE_EQ(*s.objects[1].Rx1, 13.7);
    EXPECT_FALSE(s.objects[2].Rx1);
    EXPECT_TRUE(m.empty());
}

TEST(ChooseConstruction, CatenaryWithSag)
{
    ProjectSnapshot s = snapOf(kTipCable, {at(0, 0), at(30, 0)}, {obj(5, kZoneB)}, 0, 1);
    CalcMessages m;
    ChooseConstruction(s, {"Т-16", "Тросы", 16}, kSettings, {{20.0, 40.0, 1.0}}, m);
    EXPECT_TRUE(m.empty());
    for (const ConductorRec &c : s.conductors) {
        EXPECT_DOUBLE_EQ(*c.Hop1, 16);
        EXPECT_DOUBLE_EQ(*c.H1, 15);
        EXPECT_DOUBLE_EQ(*c.Ro_b1, 25.5);
        EXPECT_FALSE(c.Ho_a1 || c.Ro_a1);
    }
    EXPECT_DOUBLE_EQ(*s.objects[0].Rx1, 16.26);
    // A span missing from the table: the message and 3 m.
    ChooseConstruction(s, {"Т-16", "Тросы", 16}, kSettings, {}, m);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_DOUBLE_EQ(*s.conductors[1].H1, 13);
}

TEST(ChooseConstruction, DoubleRodCommonZone)
{
    ProjectSnapshot s = snapOf(kTipDoubleRod, {at(0, 0), at(30, 0)},
                               {obj(5, kZoneA), obj(5, kZoneB)}, 1, 1);
    s.project.ChkUseAs2 = false;
    CalcMessages m;
    ChooseConstruction(s, {"М-20", "Каталог", 20}, kSettings, {}, m);
    for (const ConductorRec &c : s.conductors) {
        EXPECT_DOUBLE_EQ(*c.Hc_a1, 15.24);
        EXPECT_DOUBLE_EQ(*c.Rc_a1, 21.2);
        EXPECT_DOUBLE_EQ(*c.Hc_b1, round2(18.4 - 10 * 0.14));
        EXPECT_DOUBLE_EQ(*c.Rc_b1, 30);
        EXPECT_DOUBLE_EQ(*c.L_H1, 1.5);
    }
    EXPECT_DOUBLE_EQ(*s.objects[0].Rcx1, round2((15.24 - 5) * 21.2 / 15.24));
    EXPECT_TRUE(s.objects[1].Rcx1);
}

TEST(ChooseConstruction, DoubleRodTwoSingleRodsModeAndMissingZoneA)
{
    ProjectSnapshot s = snapOf(kTipDoubleRod, {at(0, 0), at(300, 0)}, {obj(5, kZoneB)}, 0, 1);
    s.project.ChkUseAs2 = true;
    CalcMessages m;
    ChooseConstruction(s, {"М-20", "Каталог", 20}, kSettings, {}, m);
    for (const ConductorRec &c : s.conductors) {
        EXPECT_FALSE(c.Hc_a1 || c.Hc_b1 || c.Rc_a1 || c.Rc_b1 || c.Ho_a1 || c.Ro_a1);
        EXPECT_DOUBLE_EQ(*c.L_H1, 15);
        EXPECT_TRUE(c.Ho_b1 && c.Ro_b1);
    }
    EXPECT_FALSE(s.objects[0].Rcx1);
    EXPECT_TRUE(s.objects[0].Rx1);
}

TEST(ClearChosenConstruction, EmptiesBothRowsAndObjectRadii)
{
    ProjectSnapshot s = snapOf(kTipDoubleRod, {at(0, 0), at(30, 0)}, {obj(5, kZoneA)}, 1, 0);
    s.project.ChkUseAs2 = false;
    CalcMessages m;
    ChooseConstruction(s, {"М-20", "Каталог", 20}, kSettings, {}, m);
    ClearChosenConstruction(s);
    for (const ConductorRec &c : s.conductors) {
        EXPECT_FALSE(c.Tip || c.Prim || c.H1 || c.Hop1 || c.Ho_a1 || c.Ho_b1 || c.Ro_a1 ||
                     c.Ro_b1 || c.Hc_a1 || c.Hc_b1 || c.Rc_a1 || c.Rc_b1 || c.L_H1);
        EXPECT_DOUBLE_EQ(*c.H, 18);
    }
    EXPECT_FALSE(s.objects[0].Rx1 || s.objects[0].Rcx1);
}

} // namespace
} // namespace kv
