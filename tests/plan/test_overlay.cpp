#include "fixtures.h"
#include "plan/zoneoverlay.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

struct Overlay {
    PlanViewModel model;
    ViewBitmaps views;
    explicit Overlay(const ProjectSnapshot &p, const std::string &suffix = "")
    {
        model.LoadDrawingSettings(solidSettings());
        model.ShowProjectShapes(p);
        views.topSize = QSize(600, 400);
        DrawZones(views, model, p, suffix);
    }
};

} // namespace

TEST(ZoneOverlay, SingleRodConeApexAndFeet)
{
    ProjectSnapshot p = project(kTipSingleRod);
    ConductorRec c = conductor(30, 25, 20.0);
    c.Ho_a = 17.0;
    c.Ro_a = 20.2;
    p.conductors.push_back(c);
    Overlay o(p);
    const QImage &f = o.views.front;
    ASSERT_EQ(f.height(), 152);
    const int axis = 228;
    // Apex 23 pixels below the marker top (the marker is the tallest shape, top 0).
    const auto ys = ysInColumn(f, axis, kRed);
    ASSERT_FALSE(ys.empty());
    EXPECT_EQ(ys.front(), 23);
    // The feet are 154 pixels either side of the axis, on the ground line.
    const auto bottom = xsInRow(f, 151, kRed);
    ASSERT_FALSE(bottom.empty());
    EXPECT_NEAR(bottom.front(), axis - 154, 2);
    EXPECT_NEAR(bottom.back(), axis + 154, 2);
    // Top view: circle of radius px(20.2) = 154 around (228, 190).
    const auto row = xsInRow(o.views.top, 190, kRed);
    EXPECT_TRUE(anyNear(row, 228 - 154));
    EXPECT_TRUE(anyNear(row, 228 + 154));
}

TEST(ZoneOverlay, SingleRodObjectCircleInObjectColour)
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(30, 25, 20.0));
    ObjectRec ob = object(1, 35, 20, 4, 4, 5.0);
    ob.Rx1 = 10.0;
    p.objects.push_back(ob);
    Overlay design(p, "");
    EXPECT_EQ(countColor(design.views.top, kGreen), 0); // only the chosen field is set
    Overlay chosen(p, "1");
    EXPECT_TRUE(anyNear(xsInRow(chosen.views.top, 190, kGreen), 228 + 76));
}

TEST(ZoneOverlay, CatenaryCableSagsBetweenSupportTops)
{
    ProjectSnapshot p = project(kTipCable);
    for (double mx : {10.0, 40.0}) {
        ConductorRec c = conductor(mx, 20, 17.0);
        c.Hop = 20.0;
        p.conductors.push_back(c);
    }
    Overlay o(p);
    const QImage &f = o.views.front;
    ASSERT_EQ(f.height(), 152);
    // Lowest point at the middle: 23 pixels below the cable ends (y = 1).
    const auto mid = ysInColumn(f, 190, kRed);
    ASSERT_FALSE(mid.empty());
    EXPECT_NEAR(mid.front(), 24, 1);
    EXPECT_TRUE(anyNear(ysInColumn(f, 78, kRed), 1, 2));
    EXPECT_TRUE(anyNear(ysInColumn(f, 302, kRed), 1, 2));
    // No cable beyond the supports.
    EXPECT_TRUE(ysInColumn(f, 60, kRed).empty());
    EXPECT_TRUE(ysInColumn(f, 320, kRed).empty());
}

TEST(ZoneOverlay, CatenaryWithoutSagOrWithAlignedSupports)
{
    ProjectSnapshot p = project(kTipCable);
    for (double mx : {10.0, 40.0}) {
        ConductorRec c = conductor(mx, 20, 20.0);
        c.Hop = 20.0;
        p.conductors.push_back(c);
    }
    Overlay flat(p);
    EXPECT_TRUE(anyNear(ysInColumn(flat.views.front, 190, kRed), 1, 1));

    p.conductors[1].MX = 10.0;
    p.conductors[1].MY = 40.0;
    Overlay aligned(p);
    EXPECT_EQ(countColor(aligned.views.front, kRed), 0);
}

TEST(ZoneOverlay, CatenaryZoneTrapezoid)
{
    ProjectSnapshot p = project(kTipCable);
    for (double mx : {10.0, 40.0}) {
        ConductorRec c = conductor(mx, 20, 17.0);
        c.Hop = 20.0;
        c.Ho_a = 15.0;
        c.Ro_a = 10.0;
        p.conductors.push_back(c);
    }
    Overlay o(p);
    const QImage &f = o.views.front;
    // Top edge at the height Ho_a above the ground: 152 - px(15) = 38.
    EXPECT_TRUE(anyNear(ysInColumn(f, 250, kRed), 38, 0));
    const auto bottom = xsInRow(f, 151, kRed);
    ASSERT_FALSE(bottom.empty());
    EXPECT_NEAR(bottom.front(), 76 - 76, 2);
    EXPECT_NEAR(bottom.back(), 304 + 76, 2);
}

TEST(ZoneOverlay, DoubleRodMirroredSlopesAndDip)
{
    ProjectSnapshot p = project(kTipDoubleRod);
    for (double mx : {40.0, 10.0}) { // rod 1 on the right
        ConductorRec c = conductor(mx, 20, 20.0);
        c.Ho_a = 17.0;
        c.Ro_a = 10.0;
        c.Hc_a = 12.0;
        c.Rc_a = 4.0;
        p.conductors.push_back(c);
    }
    Overlay o(p);
    const QImage &f = o.views.front;
    const auto bottom = xsInRow(f, 151, kRed);
    ASSERT_FALSE(bottom.empty());
    EXPECT_NEAR(bottom.front(), 0, 2);     // rod 2 (left) slopes out to the left
    EXPECT_NEAR(bottom.back(), 380, 2);    // rod 1 (right) slopes out to the right
    // The outline dips to Hc midway: 152 - px(12) = 61.
    EXPECT_TRUE(anyNear(ysInColumn(f, 190, kRed), 61, 1));
    // Top view: waisted outline, half-width px(4) = 30 at the midpoint.
    EXPECT_TRUE(anyNear(ysInColumn(o.views.top, 190, kRed), 152 - 30, 1));
    EXPECT_TRUE(anyNear(ysInColumn(o.views.top, 190, kRed), 152 + 30, 1));
}

TEST(ZoneOverlay, TwoRodsModeDrawsObjectsByTheirRod)
{
    ProjectSnapshot p = project(kTipDoubleRod);
    p.project.ChkUseAs2 = true;
    p.conductors.push_back(conductor(10, 20, 20.0));
    p.conductors.push_back(conductor(50, 20, 20.0));
    ObjectRec ob = object(1, 25, 30, 4, 4, 5.0);
    ob.Rx = 8.0;
    ob.Zona = kZoneA;
    p.objects.push_back(ob);
    Overlay none(p);
    EXPECT_EQ(countColor(none.views.top, kGreen), 0);

    p.objects[0].NumMO = 12;
    Overlay both(p);
    const auto row = xsInRow(both.views.top, 152, kGreen);
    EXPECT_TRUE(anyNear(row, 76 - 61));
    EXPECT_TRUE(anyNear(row, 380 + 61));

    p.objects[0].NumMO = 2;
    Overlay second(p);
    const auto row2 = xsInRow(second.views.top, 152, kGreen);
    EXPECT_FALSE(anyNear(row2, 76 - 61));
    EXPECT_TRUE(anyNear(row2, 380 + 61));
}

TEST(ZoneOverlay, EmptyRadiiDrawNothingAndDoNotFail)
{
    ProjectSnapshot p = project(kTipDoubleRod);
    p.conductors.push_back(conductor(10, 20));
    p.conductors.push_back(conductor(50, 20));
    p.conductors[0].Ho_a = 10.0; // apex without a radius
    Overlay o(p);
    EXPECT_EQ(countColor(o.views.top, kRed), 0);
    EXPECT_EQ(countColor(o.views.front, kRed), 0);
}
