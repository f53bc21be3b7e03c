#include "calc/zones.h"

#include <algorithm>
#include <cmath>

#include "calc/calcround.h"
#include "calc/podbor.h"

namespace kv {

using detail::r2;
using detail::r5;
using LD = long double;

Zone zoneOf(const OptS &zona)
{
    if (!zona || zona->empty())
        return Zone::None;
    return *zona == kZoneB ? Zone::B : Zone::A;
}

DoubleRodLimits limitsOf(const SettingsRec &s)
{
    DoubleRodLimits lim;
    lim.A1 = s.A1.value_or(lim.A1);
    lim.A2 = s.A2.value_or(lim.A2);
    lim.A3 = s.A3.value_or(lim.A3);
    lim.B1 = s.B1.value_or(lim.B1);
    lim.B2 = s.B2.value_or(lim.B2);
    return lim;
}

// ---- Single rod -------------------------------------------------------------------------------

double RodHoA(double H) { return r2(0.85L * H); }
double RodRoA(double H) { return r2((1.1L - 0.002L * H) * H); }
double RodHoB(double H) { return r2(0.92L * H); }
double RodRoB(double H) { return r2(1.5L * H); }
double RodRxA(double H, double Hx) { return r2((H - Hx / 0.85L) * (1.1L - 0.002L * H)); }
double RodRxB(double H, double Hx) { return r2((H - Hx / 0.92L) * 1.5L); }
double RodRx(Zone zone, double H, double Hx)
{
    return zone == Zone::B ? RodRxB(H, Hx) : RodRxA(H, Hx);
}

namespace {

// Smaller root of a·H² + b·H + c = 0 with a < 0: the height on the rising branch of the radius.
std::optional<double> risingRoot(double a, double b, double c)
{
    const double D = static_cast<double>(static_cast<LD>(b) * b - 4.0L * a * c);
    if (!(D >= 0) || !std::isfinite(D))
        return std::nullopt;
    const LD h = (std::sqrt(static_cast<LD>(D)) - b) / 2.0L / a;
    if (!std::isfinite(static_cast<double>(h)))
        return std::nullopt;
    return r2(h);
}

} // namespace

std::optional<double> RodHeightA(double R, double Hx)
{
    constexpr double k1 = 0.0023529411764705882; // 0.002 / 0.85
    constexpr double k2 = 1.2941176470588235;    // 1.1 / 0.85
    const double a = -0.002;
    const double b = static_cast<double>(1.1L + static_cast<LD>(k1) * Hx);
    const double c = static_cast<double>(-(static_cast<LD>(k2) * Hx + R));
    return risingRoot(a, b, c);
}

double RodHeightB(double R, double Hx) { return r2(R / 1.5L + Hx / 0.92L); }

// ---- Single catenary --------------------------------------------------------------------------

double CableHoA(double H) { return r2(0.85L * H); }
double CableRoA(double H) { return r2(H * (1.35L - 0.0025L * H)); }
double CableHoB(double H) { return r2(0.92L * H); }
double CableRoB(double H) { return r2(1.7L * H); }
double CableRxA(double H, double Hx) { return r2((H - Hx / 0.85L) * (1.35L - 0.0025L * H)); }
double CableRxB(double H, double Hx) { return r2((H - Hx / 0.92L) * 1.7L); }
double CableRx(Zone zone, double H, double Hx)
{
    return zone == Zone::B ? CableRxB(H, Hx) : CableRxA(H, Hx);
}

std::optional<double> CableHeightA(double R, double Hx)
{
    constexpr double k3 = 0.0029411764705882353; // 0.0025 / 0.85
    constexpr double k4 = 1.588235294117647;     // 1.35 / 0.85
    const double a = -0.0025;
    const double b = static_cast<double>(1.35L + static_cast<LD>(k3) * Hx);
    const double c = static_cast<double>(-(static_cast<LD>(k4) * Hx + R));
    return risingRoot(a, b, c);
}

double CableHeightB(double R, double Hx) { return r2(R / 1.7L + Hx / 0.92L); }

// ---- Geometry ---------------------------------------------------------------------------------

namespace {
LD dist(Pt a, Pt b)
{
    const LD dx = static_cast<LD>(a.x) - b.x;
    const LD dy = static_cast<LD>(a.y) - b.y;
    return std::sqrt(dx * dx + dy * dy);
}
} // namespace

double SpanLength(Pt p1, Pt p2) { return r2(dist(p1, p2)); }

AxisFoot FootOnAxis(Pt P, Pt p1, Pt p2)
{
    AxisFoot f;
    double k = 0;
    if (p1.x != p2.x && p1.y != p2.y)
        k = r5((static_cast<LD>(p2.y) - p1.y) / (static_cast<LD>(p2.x) - p1.x));
    if (p1.x == p2.x) {
        f.foot = {p1.x, P.y};
    } else if (p1.y == p2.y || k == 0) {
        // A slope that rounds to 0 is a horizontal axis.
        f.foot = {P.x, p1.y};
    } else {
        const LD kk = k;
        const LD xp = (kk * p1.x + P.x / kk - p1.y + P.y) / (1.0L / kk + kk);
        f.foot.x = static_cast<double>(xp);
        f.foot.y = static_cast<double>(kk * f.foot.x - kk * p1.x + p1.y);
    }
    const double xp = f.foot.x, yp = f.foot.y;
    f.between = (p1.x < xp && xp < p2.x) || (p1.y < yp && yp < p2.y) ||
                (p2.x < xp && xp < p1.x) || (p2.y < yp && yp < p1.y);
    return f;
}

double SegmentDistance(Pt P, Pt p1, Pt p2)
{
    const AxisFoot f = FootOnAxis(P, p1, p2);
    if (f.between)
        return r2(dist(P, f.foot));
    const double d1 = r2(dist(P, p1));
    const double d2 = r2(dist(P, p2));
    return d1 < d2 ? d1 : d2;
}

// ---- Double rod middle-of-span values --------------------------------------------------------

namespace {
inline bool within(double setting, double H, double L)
{
    return static_cast<LD>(setting) * H >= L;
}
} // namespace

int RegimeA(double H, double L, const DoubleRodLimits &lim)
{
    if (within(lim.A1, H, L))
        return 1;
    if (within(lim.A2, H, L))
        return 2;
    if (within(lim.A3, H, L))
        return 3;
    return 0;
}

int RegimeB(double H, double L, const DoubleRodLimits &lim)
{
    if (within(lim.B1, H, L))
        return 1;
    if (within(lim.B2, H, L))
        return 2;
    return 0;
}

OptD DoubleRodHcA(double H, double L, double Ho_a, const DoubleRodLimits &lim)
{
    switch (RegimeA(H, L, lim)) {
    case 1:
        return Ho_a;
    case 2:
    case 3:
        return r2(Ho_a - (0.0003L * H + 0.17L) * (static_cast<LD>(L) - H));
    default:
        return std::nullopt;
    }
}

OptD DoubleRodRcA(double H, double L, double Ro_a, const DoubleRodLimits &lim)
{
    if (within(lim.A2, H, L))
        return Ro_a;
    if (within(lim.A3, H, L) && H != 0)
        return r2(Ro_a * (1.0L - ((L - 2.0L * H) * 0.2L) / H));
    return std::nullopt;
}

OptD DoubleRodHcB(double H, double L, double Ho_b, const DoubleRodLimits &lim)
{
    switch (RegimeB(H, L, lim)) {
    case 1:
        return Ho_b;
    case 2:
        return r2(Ho_b - (static_cast<LD>(L) - H) * 0.14L);
    default:
        return std::nullopt;
    }
}

OptD DoubleRodRcB(double H, double L, double Ro_b, const DoubleRodLimits &lim)
{
    if (within(lim.B2, H, L))
        return Ro_b;
    return std::nullopt;
}

namespace {
// (Hc − Hx)·Ro/Hc, rounded; empty when the zone height in the middle is not positive.
OptD waist(OptD Ro, OptD Hc, double Hx)
{
    if (!Ro || !Hc || !(*Hc > 0))
        return std::nullopt;
    return r2((static_cast<LD>(*Hc) - Hx) * *Ro / *Hc);
}
} // namespace

OptD DoubleRodRcx(const RcxInput &in, const DoubleRodLimits &lim)
{
    if (in.zone == Zone::None)
        return std::nullopt;
    if (in.zone == Zone::B) {
        if (within(lim.B1, in.H, in.L))
            return in.Rx;
        if (within(lim.B2, in.H, in.L))
            return waist(in.Ro_b, in.Hc_b, in.Hx);
        return std::nullopt;
    }
    if (within(lim.A1, in.H, in.L))
        return in.Rx;
    if (within(lim.A2, in.H, in.L))
        return waist(in.Ro_a, in.Hc_a, in.Hx);
    if (within(lim.A3, in.H, in.L))
        return waist(in.Rc_a, in.Hc_a, in.Hx);
    return std::nullopt;
}

bool UseAsTwoSingleRods(double Hmax, double L, int zonaACnt, int zonaBCnt,
                        const DoubleRodLimits &lim)
{
    return (static_cast<LD>(lim.A3) * Hmax < L && zonaACnt > 0) ||
           (static_cast<LD>(lim.B2) * Hmax < L && zonaBCnt > 0);
}

// ---- Quartic ----------------------------------------------------------------------------------

namespace {
// Plain extended-precision complex numbers for the root iteration; the divisor is never zero
// where they are divided (checked by the caller), so no special-value handling is needed.
struct CL {
    LD re, im;
};
inline CL operator+(CL a, CL b) { return {a.re + b.re, a.im + b.im}; }
inline CL operator-(CL a, CL b) { return {a.re - b.re, a.im - b.im}; }
inline CL operator*(CL a, CL b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
inline LD norm(CL a) { return a.re * a.re + a.im * a.im; }
inline CL operator/(CL a, CL b)
{
    const LD n = norm(b);
    return {(a.re * b.re + a.im * b.im) / n, (a.im * b.re - a.re * b.im) / n};
}
} // namespace

std::array<Complex, 4> QuarticRoots(double c4, double c3, double c2, double c1, double c0)
{
    std::array<Complex, 4> out{};
    // Vanishing leading coefficients lower the degree; the missing roots are reported as
    // (0, 1), which is not real.
    const LD p[5] = {c4, c3, c2, c1, c0};
    int lead = 0;
    while (lead < 4 && p[lead] == 0)
        ++lead;
    const int n = 4 - lead;
    for (int i = 0; i < 4; ++i)
        out[i] = {0, 1};
    if (n <= 0)
        return out;
    LD a[5]; // monic, a[0] = 1
    for (int i = 0; i <= n; ++i)
        a[i] = p[lead + i] / p[lead];
    if (n == 1) {
        out[0] = {static_cast<double>(-a[1]), 0};
        return out;
    }
    // Aberth-Ehrlich simultaneous iteration, started on a circle of the Fujiwara radius.
    LD rad = 0;
    for (int i = 1; i <= n; ++i) {
        const LD t = std::pow(std::fabs(a[i]) * (i == n ? 0.5L : 1.0L), 1.0L / i);
        if (t > rad)
            rad = t;
    }
    rad = 2 * rad;
    if (!(rad > 0) || !std::isfinite(rad))
        rad = 1;
    CL z[4];
    for (int k = 0; k < n; ++k) {
        const LD ang = 6.283185307179586476925L * k / n + 0.4L;
        z[k] = {rad * std::cos(ang), rad * std::sin(ang)};
    }
    for (int iter = 0; iter < 200; ++iter) {
        LD maxStep = 0;
        for (int k = 0; k < n; ++k) {
            CL v{1, 0}, d{0, 0};
            for (int i = 1; i <= n; ++i) {
                d = d * z[k] + v;
                v = v * z[k] + CL{a[i], 0};
            }
            if (norm(v) == 0 || norm(d) == 0)
                continue;
            const CL ratio = v / d;
            CL sum{0, 0};
            bool clash = false;
            for (int j = 0; j < n; ++j)
                if (j != k) {
                    const CL diff = z[k] - z[j];
                    if (norm(diff) == 0) {
                        clash = true;
                        break;
                    }
                    sum = sum + CL{1, 0} / diff;
                }
            if (clash) {
                z[k] = z[k] + CL{rad * 1e-9L, rad * 1e-9L};
                maxStep = 1;
                continue;
            }
            const CL den = CL{1, 0} - ratio * sum;
            if (norm(den) == 0)
                continue;
            const CL w = ratio / den;
            if (!std::isfinite(w.re) || !std::isfinite(w.im))
                continue;
            z[k] = z[k] - w;
            const LD rel = norm(w) / std::max<LD>(1, norm(z[k]));
            if (rel > maxStep)
                maxStep = rel;
        }
        if (maxStep < 1e-30L) // relative step below 1e-15
            break;
    }
    for (int k = 0; k < n; ++k) {
        const CL r = z[k];
        // A root with a vanishing imaginary part is real: polish it on the real line.
        if (std::fabs(r.im) <= 1e-7L * std::max<LD>(1, std::fabs(r.re))) {
            LD x = r.re;
            for (int it = 0; it < 8; ++it) {
                LD v = 1, d = 0;
                for (int i = 1; i <= n; ++i) {
                    d = d * x + v;
                    v = v * x + a[i];
                }
                if (d == 0 || v == 0)
                    break;
                const LD step = v / d;
                x -= step;
                if (std::fabs(step) <= 1e-19L * std::max<LD>(1, std::fabs(x)))
                    break;
            }
            out[k] = {static_cast<double>(x), 0};
        } else {
            out[k] = {static_cast<double>(r.re), static_cast<double>(r.im)};
        }
    }
    return out;
}

// ---- Regime heights ---------------------------------------------------------------------------

std::optional<double> ZoneBRegime2Height(double Ph, double q, double Hx, double r)
{
    const LD P = Ph, Q = q, X = Hx, Rr = r;
    const double a = static_cast<double>(1.59L * Q + 1.59L * (P - Q));
    const double b = static_cast<double>(-(0.42L * P * Q + 1.5L * X * Q + 1.06L * Rr * P +
                                           0.42L * P * (P - Q) + 1.72826L * X * (P - Q)));
    const double c = static_cast<double>(P * P * (0.28L * Rr) + 0.45652L * X * P * (P - Q));
    const double D = static_cast<double>(static_cast<LD>(b) * b - 4.0L * a * c);
    if (!(a > 0) || !(D >= 0) || !std::isfinite(D))
        return std::nullopt;
    return r2((std::sqrt(static_cast<LD>(D)) - b) / 2.0L / a);
}

namespace {

// The old way of choosing among the roots: every root from the simultaneous iteration, the
// smallest real one whose rounded value reaches Hmin and that does not exceed 150 m.
double smallestAdmissibleRootAll(double c4, double c3, double c2, double c1, double c0,
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

// Newton polishing of a real root of the monic quartic a (a[0] = 1), exactly as the general
// solver finishes its real roots, so that a root found here ends on the same bits.
LD polishReal(const LD (&a)[5], LD x)
{
    for (int it = 0; it < 8; ++it) {
        LD v = 1, d = 0;
        for (int i = 1; i <= 4; ++i) {
            d = d * x + v;
            v = v * x + a[i];
        }
        if (d == 0 || v == 0)
            break;
        const LD step = v / d;
        x -= step;
        if (std::fabs(step) <= 1e-19L * std::max<LD>(1, std::fabs(x)))
            break;
    }
    return x;
}

// Root of a function monotone on [l, r] whose ends have values of opposite signs (fl at l):
// Newton steps, bisection whenever a step leaves the bracket. f(x, df) returns the value.
template <class F>
LD bracketedRoot(F f, LD l, LD r, LD fl, LD tol)
{
    LD x = 0.5L * (l + r);
    const bool negLeft = fl < 0;
    for (int it = 0; it < 200; ++it) {
        LD df = 0;
        const LD v = f(x, df);
        if (v == 0)
            return x;
        if ((v < 0) == negLeft)
            l = x;
        else
            r = x;
        LD xn = df != 0 ? x - v / df : l;
        if (!(xn > l && xn < r))
            xn = 0.5L * (l + r);
        const LD scale = std::max<LD>(1, std::fabs(xn));
        if (std::fabs(xn - x) <= tol * scale || r - l <= tol * scale)
            return xn;
        x = xn;
    }
    return x;
}

// The same choice for the quartics of the regime heights, found by isolating the real roots
// between the critical points instead of computing all four roots. The quartic is tested for
// configurations where the general solver's real/complex decision is delicate (a nearly double
// root or a complex pair close to the real axis, which shows as a critical value close to zero,
// and clustered critical points); those are left to the general solver, so the answer is always
// the one it would give.
double smallestAdmissibleRoot(double c4, double c3, double c2, double c1, double c0,
                              double Hmin)
{
    if (c4 == 0 || !(Hmin >= 0) || !std::isfinite(c4) || !std::isfinite(c3) ||
        !std::isfinite(c2) || !std::isfinite(c1) || !std::isfinite(c0) || !std::isfinite(Hmin))
        return smallestAdmissibleRootAll(c4, c3, c2, c1, c0, Hmin);
    const LD p[5] = {c4, c3, c2, c1, c0};
    LD a[5];
    for (int i = 0; i < 5; ++i)
        a[i] = p[i] / p[0];
    const auto fallback = [&] { return smallestAdmissibleRootAll(c4, c3, c2, c1, c0, Hmin); };

    // Monic quartic m, its derivative d (a cubic, leading 4) and second derivative dd.
    const auto m = [&](LD x, LD &dm) {
        LD v = 1, d = 0;
        for (int i = 1; i <= 4; ++i) {
            d = d * x + v;
            v = v * x + a[i];
        }
        dm = d;
        return v;
    };
    const auto dcub = [&](LD x, LD &ddx) {
        ddx = (12 * x + 6 * a[1]) * x + 2 * a[2];
        return ((4 * x + 3 * a[1]) * x + 2 * a[2]) * x + a[3];
    };

    // Critical points: the real roots of d, isolated by the roots of dd.
    LD crit[3];
    int nc = 0;
    {
        // Bound of the roots of d (Fujiwara, on d/4).
        const LD b1 = std::fabs(0.75L * a[1]), b2 = std::fabs(0.5L * a[2]),
                 b3 = std::fabs(0.125L * a[3]);
        const LD B = 2 * std::max({b1, std::sqrt(b2), std::cbrt(b3)}) + 1;
        if (!std::isfinite(B))
            return fallback();
        LD tmp;
        const LD disc = 36 * a[1] * a[1] - 96 * a[2];
        LD ends[4];
        int ne = 0;
        ends[ne++] = -B;
        if (disc > 0) {
            const LD sq = std::sqrt(disc);
            ends[ne++] = (-6 * a[1] - sq) / 24;
            ends[ne++] = (-6 * a[1] + sq) / 24;
        }
        ends[ne++] = B;
        LD vals[4];
        for (int i = 0; i < ne; ++i) {
            vals[i] = dcub(ends[i], tmp);
            if (vals[i] == 0)
                return fallback();
        }
        if (!(vals[0] < 0) || !(vals[ne - 1] > 0))
            return fallback();
        for (int i = 0; i + 1 < ne; ++i)
            if ((vals[i] < 0) != (vals[i + 1] < 0))
                crit[nc++] = bracketedRoot(dcub, ends[i], ends[i + 1], vals[i], 1e-9L);
    }
    for (int i = 0; i < nc; ++i) {
        const LD c = crit[i];
        const LD scale = std::max<LD>(1, std::fabs(c));
        if (i > 0 && crit[i] - crit[i - 1] <= 1e-3L * scale)
            return fallback();
        LD tmp, ddc;
        const LD mc = m(c, tmp);
        dcub(c, ddc);
        // Near a critical point the quartic looks like dd/2·((x − c)² ± δ²); a small δ is a
        // nearly double root or a complex pair close to the real axis.
        const LD delta = 1e-4L * scale;
        if (!(std::fabs(ddc) > 0) || 2 * std::fabs(mc) <= std::fabs(ddc) * delta * delta)
            return fallback();
    }

    // Real roots in the only range where one can be admissible, in ascending order; m is
    // monotone between consecutive critical points.
    const LD lo = static_cast<LD>(Hmin) - 0.5L, hi = 151;
    LD pts[5];
    int np = 0;
    pts[np++] = lo;
    for (int i = 0; i < nc; ++i)
        if (crit[i] > lo && crit[i] < hi)
            pts[np++] = crit[i];
    pts[np++] = hi;
    LD tmp;
    LD vPrev = m(pts[0], tmp);
    if (vPrev == 0 || !std::isfinite(vPrev))
        return fallback();
    for (int i = 0; i + 1 < np; ++i) {
        const LD vNext = m(pts[i + 1], tmp);
        if (vNext == 0 || !std::isfinite(vNext))
            return fallback();
        if ((vPrev < 0) != (vNext < 0)) {
            const LD x0 = bracketedRoot(m, pts[i], pts[i + 1], vPrev, 1e-9L);
            const double x = static_cast<double>(polishReal(a, x0));
            if (!std::isfinite(x))
                return fallback();
            const double rr = round2(x);
            // A root at (or rounding to) zero keeps the sign the general solver's iteration
            // happens to end with; leave it to that solver.
            if (rr == 0)
                return fallback();
            if (rr >= Hmin && x <= 150)
                return rr;
        }
        vPrev = vNext;
    }
    return Hmin;
}

} // namespace

double ZoneARegime2Height(double Ph, double q, double Hx, double r, double Hmin)
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
    return smallestAdmissibleRoot(c4, c3, c2, c1, c0, Hmin);
}

double ZoneARegime3Height(double Ph, double q, double Hx, double r, double Hmin)
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
    return smallestAdmissibleRoot(c4, c3, c2, c1, c0, Hmin);
}

// ---- Midline crossings ------------------------------------------------------------------------

Crossings MidlineCrossings(const ObjGeom &o, Pt rod1, Pt rod2)
{
    Crossings c;
    const double X0 = r2((static_cast<LD>(rod1.x) + rod2.x) / 2);
    const double Y0 = r2((static_cast<LD>(rod1.y) + rod2.y) / 2);
    const double xR = o.Xa + o.L, yB = o.Ya + o.S;
    enum { AB, BC, CD, AD };
    double k = 0;
    if (rod1.x != rod2.x && rod1.y != rod2.y)
        k = r5((static_cast<LD>(rod2.y) - rod1.y) / (static_cast<LD>(rod2.x) - rod1.x));
    if (rod1.x == rod2.x) {
        // Vertical axis: horizontal midline y = Y0.
        if (o.Ya <= Y0 && Y0 <= yB) {
            c.present[AD] = c.present[BC] = true;
            c.pt[AD] = {o.Xa, Y0};
            c.pt[BC] = {xR, Y0};
        }
    } else if (rod1.y == rod2.y || k == 0) {
        // Horizontal axis: vertical midline x = X0.
        if (o.Xa <= X0 && X0 <= xR) {
            c.present[AB] = c.present[CD] = true;
            c.pt[AB] = {X0, o.Ya};
            c.pt[CD] = {X0, yB};
        }
    } else {
        const LD kk = k;
        const double xAB = r2((o.Ya - X0 / kk - Y0) * (-1) * kk);
        const double yBC = r2((-1 / kk) * xR + (1 / kk) * X0 + Y0);
        const double xCD = r2((yB - X0 / kk - Y0) * (-1) * kk);
        const double yAD = r2((-1 / kk) * o.Xa + (1 / kk) * X0 + Y0);
        c.pt[AB] = {xAB, o.Ya};
        c.present[AB] = o.Xa <= xAB && xAB <= xR;
        c.pt[BC] = {xR, yBC};
        c.present[BC] = o.Ya <= yBC && yBC <= yB;
        c.pt[CD] = {xCD, yB};
        c.present[CD] = o.Xa <= xCD && xCD <= xR;
        c.pt[AD] = {o.Xa, yAD};
        c.present[AD] = o.Ya <= yAD && yAD <= yB;
    }
    return c;
}

} // namespace kv
