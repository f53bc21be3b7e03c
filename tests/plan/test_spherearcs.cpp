#include "fixtures.h"
#include "plan/spherearcs.h"
#include "plan/zoneoverlay.h"
#include "plan/zonepictures.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kv;
using namespace kvtest;

namespace
{

// The reach of the sphere at plan X, read off the polylines (0 where the sphere lies on the
// ground), by linear interpolation between samples.
double reachAt(const std::vector<std::vector<QPointF>> &runs, double x)
{
    for (const auto &run : runs) {
        for (std::size_t i = 1; i < run.size(); ++i) {
            const QPointF a = run[i - 1], b = run[i];
            if (x >= a.x() && x <= b.x()) {
                const double t = b.x() > a.x() ? (x - a.x()) / (b.x() - a.x()) : 0;
                return a.y() + t * (b.y() - a.y());
            }
        }
    }
    return 0;
}

struct ReachCase {
    const char *name;
    std::vector<ElevationTop> tops;
    double R;
    double x;
    double expected;
};

} // namespace

// In the elevation the sphere rests on the tops and on the ground; the lowest point it reaches
// over each X follows the arcs of radius R, worked here by hand.
TEST(SphereArcs, ReachFollowsTheArcsOfRadiusR)
{
    const double R = 20;
    const auto ground = [&](double h) { return std::sqrt(h * (2 * R - h)); }; // foot from a tip
    const double d15 = ground(15);
    const ReachCase cases[] = {
        {"rod tip", {{0, 15}}, R, 0, 15},
        {"rod foot of the arc", {{0, 15}}, R, d15, 0},
        {"beyond the foot", {{0, 15}}, R, d15 + 3, 0},
        // Halfway to the foot: the circle centred at (d15, R).
        {"rod arc halfway", {{0, 15}}, R, d15 / 2, R - std::sqrt(R * R - d15 * d15 / 4)},
        {"rod arc on the left", {{0, 15}}, R, -d15 / 2, R - std::sqrt(R * R - d15 * d15 / 4)},
        // A rod taller than R: the sphere touches its side at the height R.
        {"tall rod", {{0, 30}}, R, 0, 20},
        // Two equal rods 20 m apart: the circle through both tips, lowest midway.
        {"two rods midway", {{0, 15}, {20, 15}}, R, 10, 15 - (R - std::sqrt(R * R - 100))},
        // Far apart: each rod has its own arcs, the ground between them.
        {"two rods far apart", {{0, 15}, {100, 15}}, R, 50, 0},
        // Unsorted tops and a lower rod between two taller: still the arc of the outer pair.
        {"low rod under the arc",
         {{20, 15}, {10, 12}, {0, 15}},
         R,
         10,
         15 - (R - std::sqrt(R * R - 100))},
    };
    for (const ReachCase &c : cases) {
        const auto runs = SphereReach(c.tops, c.R, 0.05);
        EXPECT_NEAR(reachAt(runs, c.x), c.expected, 0.02) << c.name;
    }
    EXPECT_TRUE(SphereReach({}, R, 0.01).empty());
    EXPECT_TRUE(SphereReach({{0, 10}}, 0, 0.01).empty());
    EXPECT_TRUE(SphereReach({{0, 10}}, std::nan(""), 0.01).empty());
}

TEST(SphereArcs, TopsOfEachConductorType)
{
    ProjectSnapshot rod = project(kTipSingleRod);
    rod.conductors.push_back(conductor(30, 25, 20.0));
    rod.conductors.back().H1 = 24.0;
    EXPECT_EQ(SphereElevationTops(rod, "").size(), 1u);
    EXPECT_DOUBLE_EQ(SphereElevationTops(rod, "1").at(0).z, 24.0);

    ProjectSnapshot cable = project(kTipCable);
    ConductorRec a = conductor(10, 5, 18.0), b = conductor(50, 5);
    a.Hop = 20.0;
    cable.conductors = {a, b};
    const auto tops = SphereElevationTops(cable, "");
    ASSERT_GT(tops.size(), 3u);
    // Both support tops at Hop (the second row takes the first row's), the middle sags to H.
    EXPECT_DOUBLE_EQ(tops.front().z, 20.0);
    EXPECT_DOUBLE_EQ(tops.back().z, 20.0);
    EXPECT_NEAR(tops[tops.size() / 2].z, 18.0, 1e-9);
    EXPECT_NEAR(tops[tops.size() / 2].x, 30.0, 1e-9);
}

// The arcs of a rod in the project window's front bitmap: sphere-coloured pixels on the arc, the
// zone outline and the rest left alone; the marks of an exposed object outside its shape.
TEST(SphereArcs, DrawnInTheirOwnColourOnBothViews)
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(30, 25, 15.0));
    p.objects.push_back(object(1, 40, 20, 6, 6, 5));
    PlanViewModel model;
    model.LoadDrawingSettings(solidSettings());
    model.ShowProjectShapes(p);
    ViewBitmaps views;
    views.topSize = QSize(600, 400);
    model.RedrawGrids(views.top, views.front, views.topSize);
    const QColor colour = model.settings().sphereColour();
    DrawSphereArcs(views.front, model, SphereElevationTops(p, ""), 20);
    ASSERT_GT(countColor(views.front, colour), 50);
    // At 1:500 a metre is 7,6 pixels: the arc's foot lies d = √(15·25) m right of the rod, and
    // halfway there the arc is 3,5 m high.
    const PlanScale &s = model.scale();
    const double d = std::sqrt(15.0 * 25.0);
    const int x = s.px(30 + d / 2);
    const int z = model.groundLine() - s.px(20 - std::sqrt(400 - d * d / 4));
    EXPECT_TRUE(anyNear(ysInColumn(views.front, x, colour), z, 3));
    EXPECT_TRUE(ysInColumn(views.front, s.px(30 + d + 2), colour).empty()) << "past the foot";

    DrawExposedMarks(views.top, model, {p.objects[0].ShapeName.value_or("")});
    const QRect r = model.shape(p.objects[0].ShapeName.value_or(""))->rect;
    EXPECT_TRUE(isColor(views.top, r.left() - 4, r.top() - 4, colour));
    EXPECT_FALSE(isColor(views.top, r.center().x(), r.center().y(), colour));
}

TEST(SphereArcs, ReportPictureCarriesTheArcs)
{
    ProjectSnapshot p = project(kTipSingleRod);
    p.conductors.push_back(conductor(30, 25, 15.0));
    p.conductors.back().Ro_b = 22.0;
    p.objects.push_back(object(1, 40, 20, 6, 6, 5));
    std::string refused;
    const QImage img = RenderSphereFront(p, solidSettings(), "", 20, refused);
    EXPECT_TRUE(refused.empty());
    ASSERT_FALSE(img.isNull());
    const QImage plain = RenderZonePictures(p, solidSettings(), "").front;
    EXPECT_EQ(img.size(), plain.size());
    EXPECT_GT(countColor(img, solidSettings().sphereColour()), 50);
    EXPECT_EQ(countColor(plain, solidSettings().sphereColour()), 0);
}
