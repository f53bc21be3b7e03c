#include "plan/drawingsettings.h"
#include "plan/plancoords.h"
#include "plan/recordfields.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(PlanScale, PixelsPerMetreAtCommonScales)
{
    const PlanScale s500(500);
    EXPECT_EQ(s500.px(1), 8);
    EXPECT_EQ(s500.px(10), 76);
    EXPECT_EQ(s500.px(5), 38); // one grid step
    EXPECT_EQ(s500.px(45), 342);
    EXPECT_EQ(s500.px(20.2), 154);
    EXPECT_EQ(s500.px(3), 23);
    const PlanScale s2000(2000);
    EXPECT_EQ(s2000.px(0.26), 0);
    EXPECT_EQ(s2000.px(0.27), 1);
    EXPECT_EQ(s2000.px(20), 38);
    EXPECT_EQ(PlanScale(50).px(0.5), 38);
}

TEST(PlanScale, EachValueIsRoundedOnItsOwn)
{
    const PlanScale s(500);
    EXPECT_EQ(s.px(0.2), 2);
    EXPECT_EQ(s.px(0.2) + s.px(0.2), 4);
    EXPECT_EQ(s.px(0.4), 3);
}

TEST(PlanScale, PixelsBackToMetres)
{
    const PlanScale s(500);
    EXPECT_DOUBLE_EQ(s.m(38), 5.0);
    EXPECT_DOUBLE_EQ(s.m(1), 0.13);
    EXPECT_DOUBLE_EQ(s.mPlus(1, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(s.mPlus(38 * 3 + 4, 0.5), 15.5); // m = 15.53
}

TEST(PlanScale, AbsurdValuesAreClamped)
{
    const PlanScale s(50);
    EXPECT_EQ(s.px(1e300), PlanScale::kPxLimit);
    EXPECT_EQ(s.px(-1e300), -PlanScale::kPxLimit);
    EXPECT_EQ(s.px(std::nan("")), 0);
}

TEST(Snap, GridInsideEachMetre)
{
    EXPECT_DOUBLE_EQ(snap(2.37, 0.25), 2.25);
    EXPECT_DOUBLE_EQ(snap(2.375, 0.25), 2.5);
    EXPECT_DOUBLE_EQ(snap(2.25, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(snap(2.95, 0.1), 3.0);
    EXPECT_DOUBLE_EQ(snap(-0.3, 1), 0.0);
    EXPECT_DOUBLE_EQ(snap(-0.7, 1), 0.0); // a negative remainder never rounds up
    EXPECT_DOUBLE_EQ(snap(7.5, 1), 8.0);
    EXPECT_DOUBLE_EQ(snap(7.49, 1), 7.0);
    EXPECT_DOUBLE_EQ(snap(3.3, 0.0), 3.3); // no step: left alone
}

TEST(GridLabel, TextByScale)
{
    EXPECT_EQ(gridLabel(1, 500), " 5 ");
    EXPECT_EQ(gridLabel(2, 500), " 10 ");
    EXPECT_EQ(gridLabel(1, 250), " 2,5 ");
    EXPECT_EQ(gridLabel(3, 250), " 7,5 ");
    EXPECT_EQ(gridLabel(1, 50), " 0,5 ");
    EXPECT_EQ(gridLabel(1, 2000), " 20 ");
    EXPECT_EQ(gridLabel(-2, 250), " -5 ");
    EXPECT_EQ(gridLabel(0, 250), " 0 ");
    EXPECT_EQ(gridLabel(3, 155), " 4,65 ");
}

TEST(DirAngle, AxesAndQuadrants)
{
    EXPECT_DOUBLE_EQ(dirAngle(0, 0, 0, 0), 0);
    EXPECT_DOUBLE_EQ(dirAngle(0, 0, 5, 0), 0);
    EXPECT_DOUBLE_EQ(dirAngle(0, 0, 0, 5), 90);
    EXPECT_DOUBLE_EQ(dirAngle(0, 0, -5, 0), 180);
    EXPECT_DOUBLE_EQ(dirAngle(0, 0, 0, -5), 270);
    EXPECT_NEAR(dirAngle(0, 0, 1, 1), 45, 1e-9);
    EXPECT_NEAR(dirAngle(0, 0, -1, 1), 135, 1e-9);
    EXPECT_NEAR(dirAngle(0, 0, -1, -1), 225, 1e-9);
    EXPECT_NEAR(dirAngle(0, 0, 1, -1), 315, 1e-9);
}

TEST(Colours, RedInTheLowByte)
{
    EXPECT_EQ(colorFromRgbInt(255), QColor(255, 0, 0));
    EXPECT_EQ(colorFromRgbInt(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(colorFromRgbInt(0x00FF00), QColor(0, 255, 0));
}

TEST(DrawingSettings, DefaultsForMissingRowAndEmptyFields)
{
    for (const DrawingSettings &s : {LoadDrawingSettings(nullptr), LoadDrawingSettings(SettingsRec{})}) {
        EXPECT_DOUBLE_EQ(s.objShag, 1.0);
        EXPECT_EQ(s.scaleShag, 100);
        EXPECT_EQ(s.moColor, 255);
        EXPECT_EQ(s.sizeMO, 10);
        EXPECT_EQ(s.halfMarker(), 5);
        EXPECT_EQ(s.podPen.style, Qt::DotLine);
        EXPECT_EQ(s.podPen.width, 1);
        EXPECT_EQ(s.selPen.style, Qt::SolidLine);
        EXPECT_EQ(s.selPen.width, 2);
        EXPECT_EQ(s.gridPen.style, Qt::DotLine);
        EXPECT_EQ(s.gridLineColor, 0);
        EXPECT_FALSE(s.useKlav);
    }
}

TEST(DrawingSettings, StoredValuesAndLineStyles)
{
    SettingsRec r;
    r.ObjShag = 0.25;
    r.SizeMO = 7;
    r.PodLineStyle = "штриховая";
    r.PodLineWidth = 3;
    r.SelLineStyle = "штрих - два пунктира";
    r.GridLineStyle = "нечто";
    r.GridLineColor = 0x808080;
    const DrawingSettings s = LoadDrawingSettings(r);
    EXPECT_DOUBLE_EQ(s.objShag, 0.25);
    EXPECT_EQ(s.halfMarker(), 3);
    EXPECT_EQ(s.podPen.style, Qt::DashLine);
    EXPECT_EQ(s.podPen.width, 3);
    EXPECT_EQ(s.selPen.style, Qt::DashDotDotLine);
    EXPECT_EQ(s.selPen.width, 2);
    EXPECT_EQ(s.gridPen.style, Qt::SolidLine);
    EXPECT_EQ(&s.zonePen("1"), &s.selPen);
    EXPECT_EQ(&s.zonePen(""), &s.podPen);
    EXPECT_EQ(penStyleFromName("сплошная"), Qt::SolidLine);
    EXPECT_EQ(penStyleFromName("пунктирная"), Qt::DotLine);
    EXPECT_EQ(penStyleFromName("штрих - пунктирная"), Qt::DashDotLine);
}

TEST(RecordFields, BaseNameAndSuffix)
{
    ConductorRec c;
    c.Ro_a = 12.5;
    c.Ro_a1 = 14.0;
    EXPECT_EQ(conductorField(c, "Ro_a", ""), 12.5);
    EXPECT_EQ(conductorField(c, "Ro_a", "1"), 14.0);
    EXPECT_FALSE(conductorField(c, "Ro_b", "1"));
    EXPECT_FALSE(conductorField(c, "Nope", ""));
    ObjectRec o;
    o.Rx1 = 3.0;
    o.Rcx = 2.0;
    EXPECT_EQ(objectField(o, "Rx", "1"), 3.0);
    EXPECT_EQ(objectField(o, "Rcx", ""), 2.0);
    EXPECT_FALSE(objectField(o, "Rx", ""));
}
