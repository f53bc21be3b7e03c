#include "fixtures.h"
#include "plan/planview.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

ProjectSnapshot rodWithObjects()
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(30, 20, 20.0));
    p.objects.push_back(object(1, 10, 5, 10, 6, 8.0));   // depth 11
    p.objects.push_back(object(2, 40, 25, 6, 4, 5.0));   // depth 29, nearer than the rod
    p.objects.push_back(object(3, 0.2, 0.2, 0.2, 0.2, 3.0)); // depth 0.4
    return p;
}

} // namespace

TEST(ShapeModel, MarkersAndObjectShapesInPixels)
{
    PlanViewModel m;
    m.ShowProjectShapes(rodWithObjects());
    EXPECT_EQ(m.shape(kShapeMO)->rect, QRect(228 - 5, 152 - 5, 10, 10));
    EXPECT_FALSE(m.shape(kShapeMO1)->visible);
    EXPECT_EQ(m.shape(kShapeMO)->hint, "Одиночный стержневой молниеотвод");
    const PlanShape *o1 = m.shape("Shape1");
    ASSERT_TRUE(o1);
    EXPECT_EQ(o1->rect, QRect(76, 38, 76, 46)); // px(6) = round(45.6)
    EXPECT_EQ(o1->hint, "Объект 1");
    EXPECT_EQ(o1->fill, QColor(0, 255, 0));
    const PlanShape *o3 = m.shape("Shape3");
    EXPECT_EQ(o3->rect.left() + o3->rect.width(), 4); // not px(0.4) = 3
    EXPECT_EQ(m.shape("Shape1_1")->rect.height(), 61); // px(8) = round(60.8)
}

TEST(ShapeModel, TallestFrontShapeAndGroundLine)
{
    ProjectSnapshot p = rodWithObjects();
    PlanViewModel m;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.tallestFrontShape(), kShapeMO_1);
    EXPECT_EQ(m.frontImageHeight(), 152);
    EXPECT_EQ(m.shape(kShapeMO_1)->rect.top(), 0);
    const PlanShape *f1 = m.shape("Shape1_1");
    EXPECT_EQ(f1->rect.top() + f1->rect.height(), m.groundLine());

    // A taller object becomes the tallest shape and stands at the top.
    p.objects.push_back(object(4, 50, 0, 5, 5, 30.0));
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.tallestFrontShape(), "Shape4_1");
    EXPECT_EQ(m.frontImageHeight(), 228);
    EXPECT_EQ(m.shape("Shape4_1")->rect.top(), 0);
    const PlanShape *mo = m.shape(kShapeMO_1);
    EXPECT_EQ(mo->rect.top() + mo->rect.height(), 228);

    // Equal height does not replace the current tallest shape.
    p.objects.back().Hx = 20.0;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.tallestFrontShape(), kShapeMO_1);
}

TEST(ShapeModel, FrontMarkerHeightPrefersChosenSupport)
{
    ProjectSnapshot p = project(kTipCable);
    p.conductors.push_back(conductor(10, 10));
    p.conductors.push_back(conductor(40, 10));
    PlanViewModel m;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.shape(kShapeMO_1)->rect.height(), 10); // every height empty
    EXPECT_TRUE(m.shape(kShapeMO1)->visible);
    EXPECT_EQ(m.shape(kShapeMO1)->hint, "Опора одиночного тросового молниеотвода 2");
    p.conductors[0].H = 15.0;
    p.conductors[0].Hop = 20.0;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.shape(kShapeMO_1)->rect.height(), 152);
    p.conductors[0].H1 = 25.0;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.shape(kShapeMO_1)->rect.height(), 190);
    p.conductors[0].Hop1 = 30.0;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.shape(kShapeMO_1)->rect.height(), 228);
    EXPECT_EQ(m.shape(kShapeMO1_1)->rect.top(), m.shape(kShapeMO_1)->rect.top());
}

TEST(ShapeModel, StackingOrders)
{
    const ProjectSnapshot p = rodWithObjects();
    PlanViewModel m;
    m.ShowProjectShapes(p);
    // Top: lowest object first, markers last with ShapeMO on top.
    const auto &top = m.topOrder();
    ASSERT_GE(top.size(), 5u);
    EXPECT_EQ(top[top.size() - 1], kShapeMO);
    EXPECT_EQ(top[top.size() - 2], kShapeMO1);
    const auto pos = [&](const std::vector<std::string> &v, const std::string &n) {
        return std::find(v.begin(), v.end(), n) - v.begin();
    };
    EXPECT_LT(pos(top, "Shape3"), pos(top, "Shape2"));
    EXPECT_LT(pos(top, "Shape2"), pos(top, "Shape1"));
    // Front: the rod covers objects behind it and is covered by the nearer one.
    const auto &front = m.frontOrder();
    EXPECT_LT(pos(front, "Shape3_1"), pos(front, kShapeMO_1));
    EXPECT_LT(pos(front, "Shape1_1"), pos(front, kShapeMO_1));
    EXPECT_LT(pos(front, kShapeMO_1), pos(front, "Shape2_1"));
}

TEST(ShapeModel, FrontOrderOfTwoSupportsPutsMarkerAfterEqualDepth)
{
    ProjectSnapshot p = project(kTipDoubleRod);
    p.conductors.push_back(conductor(10, 11, 20.0)); // same depth as object 1
    p.conductors.push_back(conductor(40, 0, 20.0));  // farthest of all
    p.objects.push_back(object(1, 10, 5, 10, 6, 8.0)); // depth 11
    p.objects.push_back(object(2, 40, 25, 6, 4, 5.0)); // depth 29
    PlanViewModel m;
    m.ShowProjectShapes(p);
    const auto &f = m.frontOrder();
    const std::vector<std::string> tail(f.end() - 4, f.end());
    EXPECT_EQ(tail, (std::vector<std::string>{kShapeMO1_1, "Shape1_1", kShapeMO_1, "Shape2_1"}));
}

TEST(ShapeModel, SelectShapeRecord)
{
    const ProjectSnapshot p = rodWithObjects();
    PlanViewModel m;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.SelectShapeRecord(kShapeMO, p).kind, ShapeRecordRef::FirstConductor);
    EXPECT_EQ(m.SelectShapeRecord(kShapeMO1, p).kind, ShapeRecordRef::LastConductor);
    const ShapeRecordRef r = m.SelectShapeRecord("Shape2", p);
    EXPECT_EQ(r.kind, ShapeRecordRef::Object);
    EXPECT_EQ(r.objectIndex, 1);
    EXPECT_EQ(m.SelectShapeRecord("Shape99", p).kind, ShapeRecordRef::None);
}

TEST(ShapeModel, ScaleIsClampedAndEmptyPlanHidesMarkers)
{
    ProjectSnapshot p = rodWithObjects();
    p.project.IScale = 0;
    PlanViewModel m;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.scale().n(), 50);
    p.project.IScale = 100000;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.scale().n(), 2000);
    m.ShowEmptyPlan(200);
    EXPECT_FALSE(m.shape(kShapeMO)->visible);
    EXPECT_EQ(m.frontImageHeight(), 197);
    EXPECT_FALSE(m.shape("Shape1"));
}

TEST(ShapeModel, NoObjectsKeepsTheMarkerAsTallest)
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(10, 10, 20.0));
    PlanViewModel m;
    m.ShowProjectShapes(p);
    EXPECT_EQ(m.frontImageHeight(), 152);
    EXPECT_EQ(m.tallestFrontShape(), kShapeMO_1);
    EXPECT_FALSE(m.shape(kShapeMO1_1)->visible);
}

TEST(ShapeModel, MarkerSizeFollowsSettings)
{
    DrawingSettings s;
    s.sizeMO = 16;
    s.moColor = 0xFF0000;
    PlanViewModel m;
    m.LoadDrawingSettings(s);
    EXPECT_EQ(m.shape(kShapeMO)->rect.size(), QSize(16, 16));
    EXPECT_EQ(m.shape(kShapeMO_1)->rect.width(), 16);
    EXPECT_EQ(m.shape(kShapeMO1_1)->fill, QColor(0, 0, 255));
}
