#include "fixtures.h"
#include "calc/zones.h"
#include "plan/scene3d.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

ProjectSnapshot rodSite()
{
    ProjectSnapshot p = project(kTipSingleRod);
    ConductorRec c = conductor(40, 35, 20.0);
    c.Ho_a = RodHoA(20), c.Ro_a = RodRoA(20), c.Ho_b = RodHoB(20), c.Ro_b = RodRoB(20);
    p.conductors = {c};
    ObjectRec near, far;
    near.MXa = 30, near.MYa = 40, near.L = 12, near.S = 8, near.Hx = 6, near.ObjColor = 0x00a000;
    far.MXa = 75, far.MYa = 20, far.L = 10, far.S = 10, far.Hx = 9, far.ObjColor = 0x00a000;
    p.objects = {near, far};
    return p;
}

} // namespace

// The scene's parts stand where the records put them: boxes of the plan rectangles (red when
// unprotected), a concentrated object as a slim column inside its rectangle, the zones only when
// shown, and a cable hanging lowest at mid-span at the design height.
TEST(Scene3D, PartsStandWhereTheRecordsPutThem)
{
    ProjectSnapshot p = rodSite();
    p.objects[0].Tip = 16; // a concentrated structure
    const Scene3D s = buildScene3D(p, DrawingSettings{}, std::string(), {1});
    EXPECT_GT(s.zoneFaces, 0);
    double colLo = 1e9, colHi = -1e9, colTop = 0;
    int red = 0, green = 0;
    for (const Scene3D::Face &f : s.faces) {
        if (f.color.alpha() != 255)
            continue;
        red += f.color == kUnprotectedColor;
        green += f.color == QColor(0, 160, 0);
        for (int k = 0; k < f.corners; ++k) {
            if (f.color == kUnprotectedColor) {
                EXPECT_TRUE(f.p[k].x >= 75 && f.p[k].x <= 85 && f.p[k].y >= 20 && f.p[k].y <= 30
                            && f.p[k].z <= 9);
            } else {
                colLo = std::min(colLo, f.p[k].x), colHi = std::max(colHi, f.p[k].x);
                colTop = std::max(colTop, f.p[k].z);
            }
        }
    }
    EXPECT_EQ(red, 5);  // four walls and the roof
    EXPECT_EQ(green, 9); // eight sides and the roof of the column
    EXPECT_NEAR((colLo + colHi) / 2, 36, 1e-9);
    EXPECT_LE(colHi - colLo, 1.0);
    EXPECT_EQ(colTop, 6);
    EXPECT_FALSE(s.grid.empty());
    EXPECT_LE(s.lo.x, 40 - RodRoB(20));
    EXPECT_GE(s.hi.x, 40 + RodRoB(20));

    // No zones shown: none drawn.
    EXPECT_EQ(buildScene3D(p, DrawingSettings{}, std::nullopt, {}).zoneFaces, 0);

    // The cable: from the support tops down to H in the middle.
    ProjectSnapshot c = project(kTipCable);
    ConductorRec s1 = conductor(10, 20, 15.0), s2 = conductor(70, 20, 15.0);
    s1.Hop = s2.Hop = 16.5;
    c.conductors = {s1, s2};
    const Scene3D cs = buildScene3D(c, DrawingSettings{}, std::nullopt, {});
    double lowest = 1e9, lowestX = 0, highest = 0;
    for (const Scene3D::Segment &g : cs.segments)
        if (g.a.z > 0 && g.b.z > 0) { // the cable's pieces (the supports start on the ground)
            highest = std::max(highest, g.a.z);
            if (g.b.z < lowest)
                lowest = g.b.z, lowestX = g.b.x;
        }
    EXPECT_NEAR(lowest, 15.0, 1e-9);
    EXPECT_NEAR(lowestX, 40.0, 1e-9);
    EXPECT_NEAR(highest, 16.5, 1e-9);
}
