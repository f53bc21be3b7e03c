// Zone formulas of the rod, the catenary and the double rod, and the per-point geometry.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "calc/numfmt.h"
#include "calc/podbor.h"
#include "calc/zones.h"

namespace kv {
namespace {

TEST(RodZone, ZoneValuesAndRadii)
{
    EXPECT_DOUBLE_EQ(RodHoA(15), 12.75);
    EXPECT_DOUBLE_EQ(RodRoA(15), 16.05);
    EXPECT_DOUBLE_EQ(RodHoB(15), 13.8);
    EXPECT_DOUBLE_EQ(RodRoB(15), 22.5);
    EXPECT_DOUBLE_EQ(RodRxA(15, 5), 9.76);
    EXPECT_DOUBLE_EQ(RodRxB(15, 5), 14.35);
    // Not clamped: an object above the cone gets a negative radius.
    EXPECT_LT(RodRxB(10, 12), 0);
}

TEST(RodZone, InverseHeights)
{
    EXPECT_DOUBLE_EQ(*RodHeightA(16.05, 0), 15.00);
    EXPECT_DOUBLE_EQ(*RodHeightA(10, 5), 15.23);
    EXPECT_DOUBLE_EQ(*RodHeightA(20, 10), 31.03);
    EXPECT_DOUBLE_EQ(RodHeightB(10, 5), 12.10);
    // The largest zone A radius at ground level is 151.25 m (H = 275 m).
    ASSERT_TRUE(RodHeightA(151.25, 0).has_value());
    EXPECT_NEAR(*RodHeightA(151.25, 0), 275, 0.5);
    EXPECT_FALSE(RodHeightA(151.3, 0).has_value());
    EXPECT_FALSE(RodHeightA(1000, 20).has_value());
}

TEST(RodZone, InverseRoundTripsOverRange)
{
    for (double H = 1; H < 200; H += 3.7)
        for (double Hx : {0.0, 3.0, 10.5}) {
            if (Hx >= 0.85 * H)
                continue;
            const auto h = RodHeightA(RodRxA(H, Hx), Hx);
            ASSERT_TRUE(h.has_value());
            EXPECT_NEAR(*h, H, 0.02) << H << " " << Hx;
            EXPECT_NEAR(RodHeightB(RodRxB(H, Hx), Hx), H, 0.02);
        }
}

TEST(CableZone, ZoneValuesRadiiAndInverse)
{
    EXPECT_DOUBLE_EQ(CableHoA(15), 12.75);
    EXPECT_DOUBLE_EQ(CableRoA(15), 19.69);
    EXPECT_DOUBLE_EQ(CableHoB(15), 13.8);
    EXPECT_DOUBLE_EQ(CableRoB(15), 25.5);
    EXPECT_DOUBLE_EQ(CableRxA(15, 5), 11.97);
    EXPECT_DOUBLE_EQ(CableRxB(15, 5), 16.26);
    EXPECT_DOUBLE_EQ(*CableHeightA(19.69, 0), 15.00);
    EXPECT_DOUBLE_EQ(*CableHeightA(10, 5), 13.48);
    EXPECT_DOUBLE_EQ(CableHeightB(10, 5), 11.32);
    EXPECT_TRUE(CableHeightA(182.25, 0).has_value());
    EXPECT_FALSE(CableHeightA(182.3, 0).has_value());
}

TEST(SegmentDistance, FootOnAndOffTheCable)
{
    const Pt s1{0, 0}, s2{30, 0};
    // Beside the middle of a horizontal cable: perpendicular distance.
    EXPECT_DOUBLE_EQ(SegmentDistance({15, 7}, s1, s2), 7);
    // Foot exactly on a support: measured to the nearer support.
    EXPECT_DOUBLE_EQ(SegmentDistance({30, 4}, s1, s2), 4);
    EXPECT_DOUBLE_EQ(SegmentDistance({33, 4}, s1, s2), 5);
    // Vertical cable.
    EXPECT_DOUBLE_EQ(SegmentDistance({5, 10}, {0, 0}, {0, 30}), 5);
    // Slanted cable: distance from (0, 10) to the line y = x is 7.07.
    EXPECT_DOUBLE_EQ(SegmentDistance({0, 10}, {0, 0}, {20, 20}), 7.07);
    // Supports at one place: every point is measured to that place.
    EXPECT_DOUBLE_EQ(SegmentDistance({3, 4}, {0, 0}, {0, 0}), 5);
    EXPECT_DOUBLE_EQ(SegmentDistance({0, 0}, {0, 0}, {0, 0}), 0);
}

TEST(SegmentDistance, AlmostHorizontalAxisHasNoDivisionByZero)
{
    // The slope rounds to 0 at five decimals: treated as a horizontal axis.
    const double d = SegmentDistance({50, 10}, {0, 0}, {100, 0.0001});
    EXPECT_TRUE(std::isfinite(d));
    EXPECT_NEAR(d, 10, 0.01);
}

TEST(SpanLength, RoundedDistance)
{
    EXPECT_DOUBLE_EQ(SpanLength({0, 0}, {3, 4}), 5);
    EXPECT_DOUBLE_EQ(SpanLength({0, 0}, {1, 1}), 1.41);
}

class DoubleRodMiddleTest : public ::testing::Test {
protected:
    DoubleRodLimits lim; // 1, 2, 4 and 1, 6
    const double H = 20;
};

TEST_F(DoubleRodMiddleTest, ZoneARegimes)
{
    const double Ho = RodHoA(H), Ro = RodRoA(H);
    ASSERT_DOUBLE_EQ(Ho, 17);
    ASSERT_DOUBLE_EQ(Ro, 21.2);
    EXPECT_EQ(RegimeA(H, 20, lim), 1); // exactly A1·H is still regime 1
    EXPECT_DOUBLE_EQ(*DoubleRodHcA(H, 20, Ho, lim), 17);
    EXPECT_DOUBLE_EQ(*DoubleRodRcA(H, 20, Ro, lim), 21.2);
    EXPECT_EQ(RegimeA(H, 30, lim), 2);
    EXPECT_DOUBLE_EQ(*DoubleRodHcA(H, 30, Ho, lim), 15.24);
    EXPECT_DOUBLE_EQ(*DoubleRodRcA(H, 30, Ro, lim), 21.2);
    EXPECT_EQ(RegimeA(H, 60, lim), 3);
    EXPECT_DOUBLE_EQ(*DoubleRodHcA(H, 60, Ho, lim), 9.96);
    EXPECT_DOUBLE_EQ(*DoubleRodRcA(H, 60, Ro, lim), 16.96);
    EXPECT_EQ(RegimeA(H, 80, lim), 3); // exactly A3·H still has a common zone
    EXPECT_TRUE(DoubleRodHcA(H, 80, Ho, lim).has_value());
    EXPECT_EQ(RegimeA(H, 90, lim), 0);
    EXPECT_FALSE(DoubleRodHcA(H, 90, Ho, lim).has_value());
    EXPECT_FALSE(DoubleRodRcA(H, 90, Ro, lim).has_value());
}

TEST_F(DoubleRodMiddleTest, ZoneBRegimes)
{
    const double Ho = RodHoB(H), Ro = RodRoB(H);
    EXPECT_DOUBLE_EQ(*DoubleRodHcB(H, 90, Ho, lim), 8.6);
    EXPECT_DOUBLE_EQ(*DoubleRodRcB(H, 90, Ro, lim), 30);
    EXPECT_DOUBLE_EQ(*DoubleRodHcB(H, 20, Ho, lim), Ho);
    EXPECT_EQ(RegimeB(H, 120, lim), 2);
    EXPECT_EQ(RegimeB(H, 121, lim), 0);
    EXPECT_FALSE(DoubleRodHcB(H, 121, Ho, lim).has_value());
}

TEST_F(DoubleRodMiddleTest, RcxByRegimeAndGuardedDivision)
{
    RcxInput in;
    in.zone = Zone::A;
    in.H = H;
    in.Hx = 5;
    in.Rx = RodRxA(H, 5);
    in.Ro_a = RodRoA(H);
    in.L = 20;
    EXPECT_EQ(DoubleRodRcx(in, lim), in.Rx);
    in.L = 30;
    in.Hc_a = 15.24;
    EXPECT_DOUBLE_EQ(*DoubleRodRcx(in, lim), round2((15.24 - 5) * 21.2 / 15.24));
    in.L = 60;
    in.Hc_a = 9.96;
    in.Rc_a = 16.96;
    EXPECT_DOUBLE_EQ(*DoubleRodRcx(in, lim), round2((9.96 - 5) * 16.96 / 9.96));
    // A zone height in the middle that vanished gives no value instead of a division by zero.
    in.Hc_a = 0;
    EXPECT_FALSE(DoubleRodRcx(in, lim).has_value());
    in.Hc_a = -2;
    EXPECT_FALSE(DoubleRodRcx(in, lim).has_value());
    in.zone = Zone::None;
    EXPECT_FALSE(DoubleRodRcx(in, lim).has_value());
}

TEST(TwoSingleRodsRule, DecidedPerZoneTypePresent)
{
    const DoubleRodLimits lim;
    EXPECT_TRUE(UseAsTwoSingleRods(20, 81, 1, 0, lim));
    EXPECT_FALSE(UseAsTwoSingleRods(20, 80, 1, 0, lim));
    // Without zone A objects the A3 limit never switches the mode.
    EXPECT_FALSE(UseAsTwoSingleRods(20, 100, 0, 1, lim));
    EXPECT_TRUE(UseAsTwoSingleRods(20, 121, 0, 1, lim));
}

TEST(QuarticRoots, RealAndComplexRoots)
{
    // (x − 1)(x − 2)(x − 3)(x − 4) = x⁴ − 10x³ + 35x² − 50x + 24
    auto r = QuarticRoots(1, -10, 35, -50, 24);
    std::vector<double> re;
    for (const Complex &z : r) {
        EXPECT_EQ(z.im, 0);
        re.push_back(z.re);
    }
    std::sort(re.begin(), re.end());
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(re[i], i + 1, 1e-12);
    // (x² + 1)(x − 5)(x + 7): two real roots, one complex pair.
    r = QuarticRoots(1, 2, -34, 2, -35);
    int real = 0;
    for (const Complex &z : r)
        if (z.im == 0) {
            ++real;
            EXPECT_TRUE(std::fabs(z.re - 5) < 1e-12 || std::fabs(z.re + 7) < 1e-12);
        }
    EXPECT_EQ(real, 2);
    // Double root (x − 3)²(x² + 4) is reported real.
    r = QuarticRoots(1, -6, 13, -24, 36);
    real = 0;
    for (const Complex &z : r)
        if (z.im == 0) {
            ++real;
            EXPECT_NEAR(z.re, 3, 1e-6);
        }
    EXPECT_EQ(real, 2);
    // Widely scaled coefficients, as the regime quartics have them.
    r = QuarticRoots(-6e-6, 1e-3 * (1 + 2 + 30 + 100) * 6e-3, 0, 0, 0);
    for (const Complex &z : r)
        EXPECT_TRUE(std::isfinite(z.re) && std::isfinite(z.im));
}

TEST(MidlineCrossings, AxisOrientations)
{
    ObjGeom o{5, 10, 10, 5, 5, Zone::B};
    Crossings c = MidlineCrossings(o, {0, 0}, {20, 0});
    EXPECT_TRUE(c.present[0]);
    EXPECT_FALSE(c.present[1]);
    EXPECT_TRUE(c.present[2]);
    EXPECT_FALSE(c.present[3]);
    EXPECT_DOUBLE_EQ(c.pt[0].x, 10);
    EXPECT_DOUBLE_EQ(c.pt[0].y, 10);
    EXPECT_DOUBLE_EQ(c.pt[2].y, 15);
    // Vertical axis: the horizontal midline y = 12 crosses AD and BC.
    c = MidlineCrossings(o, {0, 0}, {0, 24});
    EXPECT_TRUE(c.present[3] && c.present[1]);
    EXPECT_FALSE(c.present[0] || c.present[2]);
    EXPECT_DOUBLE_EQ(c.pt[3].y, 12);
    // Slanted axis from (0, 0) to (20, 20): midline x + y = 20 crosses the square's sides.
    ObjGeom sq{5, 5, 10, 10, 0, Zone::A};
    c = MidlineCrossings(sq, {0, 0}, {20, 20});
    EXPECT_TRUE(c.present[0] && c.present[1] && c.present[2] && c.present[3]);
    EXPECT_DOUBLE_EQ(c.pt[0].x, 15); // AB at y = 5
    EXPECT_DOUBLE_EQ(c.pt[3].y, 15); // AD at x = 5
    // Rods at one point: no division by zero, the horizontal midline through the point.
    c = MidlineCrossings(o, {7, 12}, {7, 12});
    EXPECT_TRUE(c.present[3] && c.present[1]);
}

} // namespace
} // namespace kv

#include "calc/calcround.h"

namespace kv {
namespace {

TEST(FastRounding, SameAsTheSharedHelpers)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-500, 500);
    for (int i = 0; i < 200000; ++i) {
        double x = d(rng);
        if (i % 4 == 0)
            x = std::round(x * 200) / 200; // half hundredths, the tie cases
        ASSERT_EQ(detail::r2(x), round2(x)) << x;
        ASSERT_EQ(detail::r5(x), round5(x)) << x;
    }
}

} // namespace
} // namespace kv
