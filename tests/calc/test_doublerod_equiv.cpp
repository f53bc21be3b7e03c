// The double-rod height routines against the way they were computed before the regime heights
// got their own root isolation: every root of the regime quartic from the general solver
// (QuarticRoots), then the smallest admissible one. The results must agree bit for bit over a
// wide random sweep of spans, object placements and limits, since they are stored rounded and any
// difference would change a saved project.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "calc/calcround.h"
#include "calc/podbor.h"

namespace kv {
namespace {

using detail::r2;
using detail::r5;
using LD = long double;

LD dist(Pt a, Pt b)
{
    const LD dx = static_cast<LD>(a.x) - b.x;
    const LD dy = static_cast<LD>(a.y) - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

// ---- Reference: the previous implementation, kept verbatim ------------------------------------

double refSmallestRoot(double c4, double c3, double c2, double c1, double c0,
                              double Hmin)
{
    const auto roots = QuarticRoots(c4, c3, c2, c1, c0);
    double result = -1;
    for (const Complex &z : roots) {
        if (z.im != 0 || !std::isfinite(z.re))
            continue;
        const double rr = round2(z.re);
        if (rr >= Hmin && z.re <= 150 && (result == -1 || z.re < result))
            result = rr;
    }
    return result == -1 ? Hmin : result;
}

double refZoneARegime2Height(double Ph, double q, double Hx, double r, double Hmin)
{
    const LD P = Ph, Q = q, X = Hx, Rr = r;
    const LD K = 1.02L - 0.0006L * P;
    const LD M = 1.1L + 0.00235L * X;
    const double c4 = static_cast<double>(-6e-7L * P);
    const double c3 = static_cast<double>((0.00033L - 0.002L * K) * Q - 0.002L * (P - Q) * K +
                                          0.0003L * M * (P - Q));
    const double c2 = static_cast<double>((1.1L * K + 0.00068L * P + 0.002L * X) * Q +
                                          0.00068L * P * (P - Q) + M * (P - Q) * K -
                                          0.000388L * X * (P - Q) - 0.0003L * Rr * P);
    const double c1 = static_cast<double>(-(1.1L * Q * X + 0.374L * Q * P +
                                            0.34L * M * (P - Q) * P +
                                            1.294L * X * (P - Q) * K + Rr * P * K));
    const double c0 = static_cast<double>(0.44L * X * (P - Q) * P + 0.34L * Rr * P * P);
    return refSmallestRoot(c4, c3, c2, c1, c0, Hmin);
}

double refZoneARegime3Height(double Ph, double q, double Hx, double r, double Hmin)
{
    const LD P = Ph, Q = q, X = Hx, Rr = r;
    const LD K = 1.02L - 0.0006L * P;
    const LD M = 1.1L + 0.00235L * X;
    const LD N = 1.54L + 0.0008L * P;
    const double c4 = static_cast<double>(-8.4e-7L * Q - 6e-7L * (P - Q));
    const double c3 = static_cast<double>(-0.0028L * Q * K + 0.0003L * Q * N -
                                          0.002L * (P - Q) * K + 0.0003L * M * (P - Q));
    const double c2 = static_cast<double>(0.000952L * Q * P + N * Q * K - 0.000132L * Q * P +
                                          0.0028L * Q * X + 0.00068L * P * (P - Q) +
                                          M * (P - Q) * K - 0.000388L * X * (P - Q) -
                                          0.0003L * Rr * P);
    const double c1 = static_cast<double>(-0.34L * Q * N * P - N * Q * X - 0.44L * Q * P * K -
                                          0.34L * M * (P - Q) * P -
                                          1.294L * X * (P - Q) * K - Rr * P * K);
    const double c0 = static_cast<double>(0.1496L * Q * P * P + 0.44L * Q * P * X +
                                          0.44L * X * (P - Q) * P + 0.34L * Rr * P * P);
    return refSmallestRoot(c4, c3, c2, c1, c0, Hmin);
}


void refPointHeight(Pt P, const char *label, Zone zone, double Hx, double L, Pt rod1,
                          Pt rod2, const DoubleRodLimits &lim, DoubleRodBest &best)
{
    const AxisFoot f = FootOnAxis(P, rod1, rod2);
    const bool atRod = (P.x == rod1.x && P.y == rod1.y) || (P.x == rod2.x && P.y == rod2.y);
    std::optional<double> h;
    double distance = 0;
    const char *origin = nullptr;
    int regime = 1;
    if (f.between && !atRod) {
        const double r = r5(dist(P, f.foot));
        const double d1 = r5(dist(f.foot, rod1));
        const double d2 = r5(dist(f.foot, rod2));
        const double q = d1 > d2 ? d2 : d1;
        const double Ph = L / 2;
        origin = kOriginAxis;
        distance = r;
        if (zone == Zone::B) {
            h = RodHeightB(r, Hx);
            if (!(static_cast<LD>(lim.B1) * *h >= L)) {
                h = ZoneBRegime2Height(Ph, q, Hx, r);
                regime = 2;
            }
        } else {
            const std::optional<double> h1 = RodHeightA(r, Hx);
            h = h1;
            if (h1 && !(static_cast<LD>(lim.A1) * *h1 >= L)) {
                h = refZoneARegime2Height(Ph, q, Hx, r, *h1);
                regime = 2;
                if (!(static_cast<LD>(lim.A2) * *h >= L)) {
                    h = refZoneARegime3Height(Ph, q, Hx, r, *h1);
                    regime = 3;
                }
            }
        }
    } else {
        const double d1 = r5(dist(P, rod1));
        const double d2 = r5(dist(P, rod2));
        if (d1 > d2) {
            distance = d2;
            origin = kOriginRod2;
        } else {
            distance = d1;
            origin = kOriginRod1;
        }
        h = zone == Zone::B ? RodHeightB(distance, Hx) : RodHeightA(distance, Hx);
    }
    if (!h) {
        best.unreachable = true;
        return;
    }
    if (*h > best.h) {
        best.h = *h;
        best.dist = distance;
        best.origin = origin;
        best.label = label;
        best.regime = regime;
    }
}

ObjectHeight refObjectHeight(const ObjGeom &obj, Pt rod1, Pt rod2,
                                   const DoubleRodLimits &lim)
{
    const double L = SpanLength(rod1, rod2);
    DoubleRodBest best;
    const Pt c[4] = {{obj.Xa, obj.Ya}, {obj.Xa + obj.L, obj.Ya}, {obj.Xa + obj.L, obj.Ya + obj.S},
                     {obj.Xa, obj.Ya + obj.S}};
    for (int i = 0; i < 4; ++i)
        refPointHeight(c[i], kPointLabels[i], obj.zone, obj.Hx, L, rod1, rod2, lim, best);
    const Crossings x = MidlineCrossings(obj, rod1, rod2);
    for (int i = 0; i < 4; ++i)
        if (x.present[i])
            refPointHeight(x.pt[i], kPointLabels[4 + i], obj.zone, obj.Hx, L, rod1, rod2,
                                 lim, best);
    ObjectHeight res;
    if (best.unreachable)
        return res;
    res.ok = true;
    res.H = round2(best.h);
    res.R = round2(best.dist);
    res.PointOt = best.origin;
    res.PointDo = best.label;
    res.Rejim = best.regime;
    return res;
}


// ---- Comparison --------------------------------------------------------------------------------

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Point labels are compared as texts: equal literals of two files need not share an address.
bool sameLabel(const char *a, const char *b) { return a == b || (a && b && std::strcmp(a, b) == 0); }

::testing::AssertionResult sameHeight(const ObjectHeight &ref, const ObjectHeight &got)
{
    if (ref.ok != got.ok)
        return ::testing::AssertionFailure() << "ok " << ref.ok << " vs " << got.ok;
    if (!ref.ok)
        return ::testing::AssertionSuccess();
    if (!sameBits(ref.H, got.H) || !sameBits(ref.R, got.R) || !sameLabel(ref.PointOt, got.PointOt)
        || !sameLabel(ref.PointDo, got.PointDo) || ref.Rejim != got.Rejim)
        return ::testing::AssertionFailure()
               << "H " << ref.H << " vs " << got.H << ", R " << ref.R << " vs " << got.R
               << ", point " << ref.PointDo << " vs " << got.PointDo << ", regime " << ref.Rejim
               << " vs " << got.Rejim;
    return ::testing::AssertionSuccess();
}

DoubleRodLimits randomLimits(std::mt19937_64 &rng)
{
    DoubleRodLimits lim; // the program's defaults half of the time
    if (rng() % 2) {
        std::uniform_real_distribution<double> u(0.5, 1.5);
        lim.A1 = round2(u(rng));
        lim.A2 = round2(lim.A1 + u(rng));
        lim.A3 = round2(lim.A2 + 2 * u(rng));
        lim.B1 = round2(u(rng));
        lim.B2 = round2(lim.B1 + 5 * u(rng));
    }
    return lim;
}

// Objects of both zones all around and across the span, with coordinates either on the entry
// grid (hundredths, halves) or arbitrary, spans from a few metres to far beyond the common zone.
TEST(DoubleRodHeightEquivalence, ObjectHeightsMatchThePreviousSolver)
{
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> u(0, 1);
    const auto snap = [&](double v) {
        switch (rng() % 3) {
        case 0: return round2(v);
        case 1: return std::round(v * 2) / 2;
        default: return v;
        }
    };
    int regimeCount[4] = {};
    int unreachable = 0;
    for (int n = 0; n < 200000; ++n) {
        const double span = snap(n % 5 == 0 ? 1 + 300 * u(rng) : 2 + 120 * u(rng));
        const double ang = (rng() % 4 == 0) ? 0 : 6.283185307179586 * u(rng);
        const Pt r1{snap(200 * u(rng) - 100), snap(200 * u(rng) - 100)};
        const Pt r2{snap(r1.x + span * std::cos(ang)), snap(r1.y + span * std::sin(ang))};
        ObjGeom o;
        const double t = 1.4 * u(rng) - 0.2, side = (u(rng) - 0.5) * (0.2 + 1.5 * u(rng)) * span;
        const double dx = r2.x - r1.x, dy = r2.y - r1.y, len = std::hypot(dx, dy);
        const double nx = len > 0 ? -dy / len : 0, ny = len > 0 ? dx / len : 1;
        o.Xa = snap(r1.x + t * dx + side * nx);
        o.Ya = snap(r1.y + t * dy + side * ny);
        o.L = snap(rng() % 8 == 0 ? 60 * u(rng) : 0.1 + 12 * u(rng));
        o.S = snap(rng() % 8 == 0 ? 60 * u(rng) : 0.1 + 12 * u(rng));
        o.Hx = snap(rng() % 10 == 0 ? 0 : 40 * u(rng));
        o.zone = rng() % 2 ? Zone::A : Zone::B;
        const DoubleRodLimits lim = randomLimits(rng);
        const ObjectHeight ref = refObjectHeight(o, r1, r2, lim);
        const ObjectHeight got = ObjectHeightDoubleRod(o, r1, r2, lim);
        ASSERT_TRUE(sameHeight(ref, got))
            << "case " << n << ": rods (" << r1.x << ", " << r1.y << ") (" << r2.x << ", "
            << r2.y << "), object " << o.Xa << ' ' << o.Ya << ' ' << o.L << ' ' << o.S << ' '
            << o.Hx << " zone " << (o.zone == Zone::B ? 'B' : 'A');
        if (ref.ok)
            ++regimeCount[ref.Rejim & 3];
        else
            ++unreachable;
    }
    // The sweep must really reach the quartic regimes and the unreachable case.
    EXPECT_GT(regimeCount[2], 10000);
    EXPECT_GT(regimeCount[3], 5000);
    EXPECT_GT(unreachable, 100);
}

// The regime heights directly, over the whole range of their arguments and of the lower bound,
// including points right at a rod, at the middle of the span and far off the axis.
TEST(DoubleRodHeightEquivalence, RegimeHeightsMatchThePreviousSolver)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (int n = 0; n < 200000; ++n) {
        const double Ph = round2(0.5 + 150 * u(rng));
        double q;
        switch (rng() % 4) {
        case 0: q = Ph; break;
        case 1: q = round2(0.01 + 0.05 * u(rng)); break;
        default: q = round2(Ph * u(rng)); break;
        }
        const double Hx = rng() % 10 == 0 ? 0 : round2(50 * u(rng));
        const double r = round2(rng() % 3 == 0 ? 0.5 * u(rng) : 120 * u(rng));
        const double Hmin = rng() % 2 ? RodHeightA(r, Hx).value_or(0) : round2(160 * u(rng));
        const double a2 = refZoneARegime2Height(Ph, q, Hx, r, Hmin);
        const double a3 = refZoneARegime3Height(Ph, q, Hx, r, Hmin);
        ASSERT_TRUE(sameBits(a2, ZoneARegime2Height(Ph, q, Hx, r, Hmin)))
            << "regime 2, Ph " << Ph << " q " << q << " Hx " << Hx << " r " << r << " Hmin "
            << Hmin;
        ASSERT_TRUE(sameBits(a3, ZoneARegime3Height(Ph, q, Hx, r, Hmin)))
            << "regime 3, Ph " << Ph << " q " << q << " Hx " << Hx << " r " << r << " Hmin "
            << Hmin;
    }
}

} // namespace
} // namespace kv
