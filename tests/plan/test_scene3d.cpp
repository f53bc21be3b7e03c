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

TEST(Scene3D, Draft)
{
    const ProjectSnapshot p = rodSite();
    const Scene3D s = buildScene3D(p, DrawingSettings{}, std::string(), {1});
    for (auto preset : {Camera3D::Isometric, Camera3D::Top, Camera3D::Front}) {
        Camera3D cam;
        cam.setPreset(preset, s, QSize(800, 600));
        renderScene3DImage(QSize(800, 600), s, cam).save(QString("/tmp/s3d_%1.png").arg(int(preset)));
    }
}
