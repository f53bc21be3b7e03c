#include "plan/sphereenvelope.h"
#include "plan/zonedxf.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kv;

namespace
{

SphereTerminations rods(std::initializer_list<SphereRod> list)
{
    SphereTerminations t;
    t.rods = list;
    return t;
}

} // namespace

// Over a single rod every vertex lies on the closed form of the sphere resting on the ground and
// the rod: at plan distance ρ the height R − √(R² − (a − ρ)²), a = √(h′(2R − h′)), h′ = min(h, R)
// the protective radius on the ground, and the ground beyond a.
TEST(SphereEnvelope, SingleRodVerticesFollowTheClosedForm)
{
    const struct {
        double h, R;
    } cases[] = {{15, 20}, {30, 45}, {8, 60}, {25, 20}, {20, 20}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "h " << c.h << " R " << c.R);
        const double x0 = 12.3, y0 = -4.1;
        const SphereEnvelope env = buildSphereEnvelope(rods({{x0, y0, c.h}}), c.R, 2500);
        ASSERT_FALSE(env.mesh.empty());
        const double hp = std::min(c.h, c.R);
        const double a = std::sqrt(hp * (2 * c.R - hp));
        int inside = 0;
        double top = 0;
        for (const Point3 &v : env.mesh.vertices) {
            const double rho = std::hypot(v.x - x0, v.y - y0);
            const double want = rho < a ? c.R - std::sqrt(c.R * c.R - (a - rho) * (a - rho)) : 0;
            ASSERT_NEAR(v.z, want, 1e-9) << "at " << v.x << ", " << v.y;
            inside += rho < a;
            top = std::max(top, v.z);
        }
        EXPECT_GT(inside, 300);
        EXPECT_LE(top, hp + 1e-9);
        // The rim reaches the ground at the protective radius and not before.
        const SphereEnvelopeField f(rods({{x0, y0, c.h}}), c.R);
        EXPECT_GT(f.height(x0 + a - 1e-3, y0), 0);
        EXPECT_EQ(f.height(x0, y0 + a + 1e-3), 0);
    }
}

// Heights just under the envelope are protected by the rolling-sphere check and heights just
// over it are reached: between rods of mixed heights, tall rods close together where the sphere
// rests on their tops above the ground, and a sagging cable.
TEST(SphereEnvelope, AgreesWithTheCheckBetweenTerminations)
{
    // Rods in several hollows: the lowest reach is where the sphere rests on two short rods
    // above the ground, away from the coarse search's best start.
    const SphereTerminations hollows = rods({{39.49, 37.261, 14.007},
                                             {4.7, 28.092, 19.509},
                                             {35.191, 18.469, 22.939},
                                             {8.835, 30.099, 13.802}});
    // A tall rod's circle on the ground crossing the cable's, the nearest point of it covered.
    SphereTerminations crossing;
    crossing.rods = {{26.474, 0.419, 15.461}, {30.089, 37.5, 32.027}, {0, 0, 20}, {40, 10, 25}};
    crossing.cables = {{{0, 0, 20}, {40, 10, 25}, 2}};
    SphereTerminations cable;
    cable.rods = {{0, 0, 18}, {40, 0, 18}};
    cable.cables = {{{0, 0, 18}, {40, 0, 18}, 3}};
    const struct {
        const char *name;
        SphereTerminations t;
        double R;
        std::vector<std::pair<double, double>> at;
    } cases[] = {
        {"two equal rods",
         rods({{0, 0, 15}, {20, 0, 15}}),
         20,
         {{10, 0}, {10, 4}, {5, 6}, {3, -2}}},
        {"mixed heights",
         rods({{0, 0, 12}, {18, 5, 22}, {6, 20, 17}}),
         30,
         {{9, 2.5}, {8, 9}, {3, 10}, {14, 12}}},
        {"tall rods close together",
         rods({{0, 0, 40}, {12, 0, 40}}),
         20,
         {{6, 0}, {6, 3}, {4, -5}, {9, 1}}},
        {"cable", cable, 45, {{20, 2}, {20, 6}, {10, -8}, {33, 3}}},
        {"hollows", hollows, 30, {{7.63, 29.23}, {19.95, 25.93}}},
        {"crossing", crossing, 30, {{19.92, 33.77}, {9.04, 8.57}}},
    };
    for (const auto &c : cases) {
        const SphereEnvelopeField f(c.t, c.R);
        for (const auto &[x, y] : c.at) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << x << ", " << y);
            const double z = f.height(x, y);
            ASSERT_GT(z, 0.05);
            const SphereObject below{x, y, x, y, z - 0.005};
            const SphereObject above{x, y, x, y, z + 0.005};
            EXPECT_TRUE(SphereCheckObject(c.t, below, c.R).isProtected);
            EXPECT_FALSE(SphereCheckObject(c.t, above, c.R).isProtected);
        }
    }
    // Mid-span of two equal rods: the sphere resting on both tips and the ground,
    // R − √((d/2)² + (R − h)²).
    const SphereEnvelopeField f(rods({{0, 0, 15}, {20, 0, 15}}), 20);
    EXPECT_NEAR(f.height(10, 0), 20 - std::sqrt(100.0 + 25.0), 1e-9);
}

// The DXF plan carries the envelope as 3D faces on its own layer, one for each triangle, in the
// plan's frame (Y negated); without an envelope there is no such layer.
TEST(SphereEnvelope, DxfFacesOnTheirOwnLayer)
{
    const SphereEnvelope env = buildSphereEnvelope(rods({{10, 20, 15}}), 30, 400);
    ASSERT_FALSE(env.mesh.empty());
    const std::string with = zoneDxf(ProjectSnapshot{}, DrawingSettings{}, "", 150, &env.mesh).top;
    std::size_t faces = 0;
    for (std::size_t at = with.find("3DFACE"); at != std::string::npos;
         at = with.find("3DFACE", at + 1))
        faces += with.compare(with.find("\n8\n", at) + 3, 10, "SPHERE_3D\n") == 0;
    EXPECT_EQ(faces, env.mesh.triangles.size());
    // The rod's top, where the envelope peaks, at (10, -20, 15).
    EXPECT_NE(with.find("\n10\n10\n20\n-20\n30\n15\n"), std::string::npos);
    EXPECT_EQ(zoneDxf(ProjectSnapshot{}, DrawingSettings{}, "", 150).top.find("SPHERE_3D"),
              std::string::npos);
}
