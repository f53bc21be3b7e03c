#include <gtest/gtest.h>

#include <cmath>

#include "calc/rollingsphere.h"

using namespace kv;

namespace {

// The radius a single rod protects at height z: √(h′(2R − h′)) − √(z(2R − z)), h′ = min(h, R).
double rodRadius(double h, double R, double z)
{
    const double hh = std::min(h, R);
    return std::sqrt(hh * (2 * R - hh)) - std::sqrt(z * (2 * R - z));
}

SphereTerminations rods(std::initializer_list<SphereRod> r) { return {std::vector<SphereRod>(r), {}}; }

SphereObject segmentAt(double x, double y, double hx) { return {x, y, x, y, hx}; }

} // namespace

// A vertical segment just inside and just outside the protected radius of a single rod, over
// many heights, radii and object heights; and boxes whose far corner decides.
TEST(RollingSphere, SingleRodMatchesTheClosedForm)
{
    struct Row {
        double h, z;
    };
    const Row rows[] = {{5, 0}, {10, 2}, {15, 5}, {15, 10}, {20, 0}, {25, 8}, {30, 12},
                        {40, 3}, {60, 30}, {75, 44}, {8, 7.5}, {45, 1}};
    for (int level = 0; level < kSphereLevelCount; ++level) {
        const double R = SphereRadius(level);
        for (const Row &row : rows) {
            if (row.z >= std::min(row.h, R))
                continue;
            const double r = rodRadius(row.h, R, row.z);
            const auto t = rods({{3, -4, row.h}});
            SCOPED_TRACE(::testing::Message() << "R=" << R << " h=" << row.h << " z=" << row.z);
            // Exact depth beyond the radius: the sphere centre sits over the ring at height R.
            const auto out = SphereCheckObject(t, segmentAt(3 + r + 0.001, -4, row.z), R);
            EXPECT_FALSE(out.isProtected);
            EXPECT_TRUE(SphereCheckObject(t, segmentAt(3, -4 + r - 0.001, row.z), R).isProtected);
            // A box reaching from the rod outwards is decided by its far corner.
            const double c = (r - 0.001) / std::sqrt(2.0);
            EXPECT_TRUE(SphereCheckObject(t, {3 - c, -4 - c, 3 + c, -4 + c, row.z}, R).isProtected);
            const double c2 = (r + 0.001) / std::sqrt(2.0);
            const auto box = SphereCheckObject(t, {3 - c2, -4 - c2, 3 + c2, -4 + c2, row.z}, R);
            ASSERT_FALSE(box.isProtected);
            ASSERT_TRUE(box.point.has_value());
            EXPECT_NEAR(box.point->z, row.z, 1e-6);
        }
    }
}

// Two equal rods: the sphere resting on both tips and on the ground, tilted sideways, reaches
// down to R − √((d/2)² + (R − h′)²) at mid-span; a segment there is exposed exactly from that
// height up.
TEST(RollingSphere, TwoRodsMidSpanLowestProtectedPoint)
{
    struct Row {
        double R, h, d;
    };
    const Row rows[] = {{20, 15, 20}, {20, 10, 30}, {30, 25, 40}, {45, 30, 20}, {60, 70, 50},
                        {20, 30, 10}, {60, 20, 80}};
    for (const Row &row : rows) {
        const double hh = std::min(row.h, row.R);
        const double zc = std::max(0.0, row.R - std::sqrt(std::pow(row.d / 2, 2) + std::pow(row.R - hh, 2)));
        SCOPED_TRACE(::testing::Message() << "R=" << row.R << " h=" << row.h << " d=" << row.d);
        const auto t = rods({{0, 0, row.h}, {row.d, 0, row.h}});
        const auto at = SphereCheckObject(t, segmentAt(row.d / 2, 0, zc + 0.001), row.R);
        EXPECT_FALSE(at.isProtected);
        const double y2 = row.R * row.R - std::pow(row.d / 2, 2) - std::pow(row.R - hh, 2);
        EXPECT_NEAR(at.depth, row.R - std::hypot(std::sqrt(std::max(0.0, y2)), row.R - zc - 0.001),
                    1e-6);
        if (zc > 0.001) {
            EXPECT_TRUE(SphereCheckObject(t, segmentAt(row.d / 2, 0, zc - 0.001), row.R).isProtected);
        }
    }
    // The worked case: 8.82 m, not the two-dimensional 12.32 m.
    const auto t = rods({{0, 0, 15}, {20, 0, 15}});
    EXPECT_FALSE(SphereCheckObject(t, segmentAt(10, 0, 8.83), 20).isProtected);
    EXPECT_TRUE(SphereCheckObject(t, segmentAt(10, 0, 8.81), 20).isProtected);
}
