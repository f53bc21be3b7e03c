#include "calc/rollingsphere.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

namespace kv
{

namespace
{

constexpr double kRadii[kSphereLevelCount] = {20, 30, 45, 60};
constexpr const char *kNames[kSphereLevelCount] = {"I", "II", "III", "IV"};
constexpr double kInf = std::numeric_limits<double>::infinity();

double sq(double v)
{
    return v * v;
}

// ---- The admissible region, one vertical line at a time --------------------------------------
//
// Every rod excludes, on the vertical line through (x, y), the heights 0 <= z < h + sqrt(R² − ρ²)
// (ρ its plan distance, ρ < R); the ground excludes z < R. A cable excludes one open interval of
// heights (its tube around the hanging curve, which is connected along the line). The lowest
// admissible centre on the line is therefore the top of the rods' and the ground's exclusion,
// lifted over the cable's interval when it falls inside it. The distance of a centre to an
// object only grows with its height above the object, so that lowest centre is the one nearest
// to every object: the search runs over the plan alone.

// A cable in its own plan frame: s along the axis from support a (0..L), the hanging height
// zc(s) = za + (zb − za)·t − 4·sag·t·(1 − t), t = s / L.
struct CableModel {
    double ax = 0, ay = 0; // support a in the plan
    double ux = 0, uy = 0; // unit axis
    double L = 0;
    double za = 0, zb = 0, sag = 0;
    double ztop = 0, zlow = 0; // the curve's highest and lowest heights

    double z(double s) const
    {
        const double t = s / L;
        return za + (zb - za) * t - 4 * sag * t * (1 - t);
    }
    double dz(double s) const // dzc/ds
    {
        const double t = s / L;
        return ((zb - za) - 4 * sag * (1 - 2 * t)) / L;
    }
};

// Root of a monotone function f (derivative df) on [lo, hi] whose ends have opposite signs:
// Newton's steps kept inside the shrinking bracket, bisection when a step leaves it.
template <typename Fn, typename Dn>
double monotoneRoot(Fn &&f, Dn &&df, double lo, double hi, bool increasing, double guess)
{
    double x = guess > lo && guess < hi ? guess : 0.5 * (lo + hi);
    for (int i = 0; i < 100; ++i) {
        const double v = f(x);
        if (v == 0)
            return x;
        if ((v < 0) == increasing)
            lo = x;
        else
            hi = x;
        const double d = df(x);
        double next = d != 0 ? x - v / d : 0.5 * (lo + hi);
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        const double tol = 1e-10 * std::max(1.0, std::abs(next));
        if (std::abs(next - x) < tol || hi - lo < tol)
            return next;
        x = next;
    }
    return x;
}

// The open interval of heights on the vertical line at plan offset (s along the axis, a across)
// lying closer than R to the cable curve; false when there is none or when it lies wholly above
// the height zq.
bool cableInterval(const CableModel &c, double s, double a, double R, double zq, double &lo,
                   double &hi, double *sLo = nullptr, double *sHi = nullptr)
{
    const double K = R * R - a * a;
    if (K <= 0)
        return false;
    const double rk = std::sqrt(K);
    // u = s' − s over the part of the cable within reach.
    const double u0 = std::max(-rk, -s), u1 = std::min(rk, c.L - s);
    if (!(u0 < u1))
        return false;
    auto root = [&](double u) { return std::sqrt(std::max(0.0, K - u * u)); };
    auto top = [&](double u) { return c.z(s + u) + root(u); };
    auto bottom = [&](double u) { return c.z(s + u) - root(u); };
    bool knownBelow = false;
    if (!sLo && zq < kInf) {
        // Only whether the height zq lies inside the tube and its top then matter: the curve's
        // extremes over the part within reach (it is convex: the highest at an end, the lowest
        // at its vertex) rule the tube out cheaply, and any point of its bottom below zq proves
        // that its lowest point is below. The margin keeps rounding on the exact path.
        const double margin = 1e-9 * (1 + std::abs(zq) + rk);
        const double zEnds = std::max(c.z(s + u0), c.z(s + u1));
        if (zq >= zEnds + rk + margin)
            return false;
        const double tv = c.sag > 0 ? 0.5 * c.L - (c.zb - c.za) * c.L / (8 * c.sag) : -kInf;
        const double sv = std::clamp(tv, s + u0, s + u1);
        const double zMin = c.sag > 0 ? c.z(sv) : std::min(c.z(s + u0), c.z(s + u1));
        if (zq <= zMin - rk - margin)
            return false;
        const double uc = std::clamp(0.0, u0, u1);
        if (bottom(uc) < zq - margin) {
            lo = bottom(uc); // not the tube's bottom, but a point of it below zq
            knownBelow = true;
        }
    }
    // Bottom: zc − √(K − u²) is convex (zc is convex for a hanging cable): one minimum, where
    // zc'(s + u) + u / √(K − u²) = 0 (increasing in u).
    auto dBottom = [&](double u) {
        const double r = root(u);
        return r > 0 ? c.dz(s + u) + u / r : (u > 0 ? kInf : -kInf);
    };
    const double curv = 8 * c.sag / (c.L * c.L); // zc''
    auto ddBottom = [&](double u) {
        const double r = root(u);
        return curv + K / (r * r * r);
    };
    // Where a straight cable of the local slope would have its extreme: Newton's first guess.
    const double m = c.dz(s);
    const double straight = m * rk / std::sqrt(1 + m * m);
    if (!knownBelow) {
        double ub;
        if (dBottom(u0) >= 0)
            ub = u0;
        else if (dBottom(u1) <= 0)
            ub = u1;
        else
            ub = monotoneRoot(dBottom, ddBottom, u0, u1, true, -straight);
        lo = bottom(ub);
        if (sLo)
            *sLo = s + ub;
        if (!(lo < zq))
            return false; // the height asked about is below the tube: its top does not matter
    }
    // Top: zc + √(K − u²); its derivative zc' − u/√(K − u²) changes monotonicity at most at
    // |u| = w where (K − w²)^{3/2} = K / zc'' (zc'' constant), so it has at most three
    // stationary points, one in each monotone piece. The maximum is among them and the ends.
    double uHi = top(u0) >= top(u1) ? u0 : u1;
    hi = top(uHi);
    auto keep = [&](double u) {
        const double v = top(u);
        if (v > hi)
            hi = v, uHi = u;
    };
    auto dTop = [&](double u) {
        const double r = root(u);
        return r > 0 ? c.dz(s + u) - u / r : (u > 0 ? -kInf : kInf);
    };
    auto ddTop = [&](double u) {
        const double r = root(u);
        return curv - K / (r * r * r);
    };
    double cuts[4] = {u0, u1, u1, u1};
    int n = 2;
    if (curv > 0 && curv * curv * K > 1) {             // otherwise the top is concave: one maximum
        const double w2 = K - std::cbrt(sq(K / curv)); // (K − w²)^{3/2} = K / curv
        if (w2 > 0) {
            const double w = std::sqrt(w2);
            n = 1;
            for (double p : {-w, w})
                if (p > u0 && p < u1)
                    cuts[n++] = p;
            cuts[n++] = u1;
        }
    }
    for (int i = 0; i + 1 < n; ++i) {
        const double p = cuts[i], q = cuts[i + 1];
        if (!(p < q))
            continue;
        keep(q); // a piece's end may itself be the extreme
        // The piece cannot beat the top found when its highest curve point (an end) plus the
        // largest radius across it stays below: no Newton's steps there.
        const double reach = root(std::clamp(0.0, p, q));
        if (std::max(c.z(s + p), c.z(s + q)) + reach < hi - 1e-9 * (1 + std::abs(hi)))
            continue;
        const double fp = dTop(p), fq = dTop(q);
        if ((fp > 0 && fq < 0) || (fp < 0 && fq > 0)) {
            const double r = monotoneRoot(dTop, ddTop, p, q, fp < 0, straight);
            keep(r);
        }
    }
    if (sHi)
        *sHi = s + uHi;
    return lo < hi;
}

// The terminations at one sphere radius, prepared for the line-by-line evaluation.
struct Field {
    double R = 0;
    std::vector<SphereRod> rods;
    std::vector<CableModel> cables;

    // The lowest admissible centre height on the vertical line at (x, y).
    double lowest(double x, double y) const { return liftOverCables(x, y, restOnRods(x, y)); }

    // The top of the ground's and the rods' exclusion on the line (the cables only lift it).
    double restOnRods(double x, double y) const
    {
        double z = R;
        const double R2 = R * R;
        for (const SphereRod &r : rods) {
            const double d2 = sq(x - r.x) + sq(y - r.y);
            if (d2 < R2)
                z = std::max(z, r.h + std::sqrt(R2 - d2));
        }
        return z;
    }

    // The height z lifted over the cables' tubes that contain it.
    double liftOverCables(double x, double y, double z) const
    {
        // Lift over the cables' intervals until none contains z (each lift only goes up).
        // The cable that lifted last is skipped: the centre already rests on its tube's top.
        size_t last = cables.size();
        for (int pass = 0; pass < 4 && !cables.empty(); ++pass) {
            bool moved = false;
            for (size_t k = 0; k < cables.size(); ++k) {
                if (k == last)
                    continue;
                const CableModel &c = cables[k];
                const double dx = x - c.ax, dy = y - c.ay;
                const double s = dx * c.ux + dy * c.uy;
                const double a = -dx * c.uy + dy * c.ux;
                // The tube's slice lies between the curve's lowest point − √(R² − a²) and its
                // top + √(R² − a²).
                if (std::abs(a) >= R)
                    continue;
                const double rk = std::sqrt(R * R - a * a);
                if (z >= c.ztop + rk || z <= c.zlow - rk)
                    continue;
                double lo, hi;
                if (cableInterval(c, s, a, R, z, lo, hi) && lo < z && z < hi) {
                    z = hi;
                    moved = true;
                    last = k;
                }
            }
            if (!moved)
                break;
        }
        return z;
    }

    // A lower bound of the lowest admissible centre over the plan cell x1..x2, y1..y2: the
    // ground, every rod whose reach covers the whole cell at its farthest corner, and every cable
    // whose tube provably reaches below that height over the whole cell, taken at its top. The
    // cable's tube is bounded through the two curve points that give its bottom and its top on
    // the line through the cell's centre: every line of the cell lies within half the cell's
    // diagonal of that centre.
    double lowestBound(double x1, double y1, double x2, double y2, bool withCables = true) const
    {
        double z = R;
        const double R2 = R * R;
        for (const SphereRod &r : rods) {
            const double fx = std::max(r.x - x1, x2 - r.x), fy = std::max(r.y - y1, y2 - r.y);
            const double d2 = fx * fx + fy * fy;
            if (d2 < R2)
                z = std::max(z, r.h + std::sqrt(R2 - d2));
        }
        if (cables.empty() || !withCables)
            return z;
        const double cx = 0.5 * (x1 + x2), cy = 0.5 * (y1 + y2);
        const double half = 0.5 * std::hypot(x2 - x1, y2 - y1);
        double lifted = z;
        for (const CableModel &c : cables) {
            const double dx = cx - c.ax, dy = cy - c.ay;
            const double s = dx * c.ux + dy * c.uy;
            const double a = -dx * c.uy + dy * c.ux;
            // Nothing to gain when even the tube's highest possible top stays below.
            if (std::abs(a) >= R ||
                c.ztop + std::sqrt(R2 - sq(std::max(0.0, std::abs(a) - half))) <= lifted)
                continue;
            // Every line of the cell is at least |a| + half from the curve points taken below,
            // which lie within reach of the centre line: the curve's extremes there bound both
            // tests before the tube itself is found (with a margin for rounding).
            const double near = std::abs(a) + half;
            if (near >= R)
                continue;
            const double rn = std::sqrt(R2 - near * near);
            const double rk = std::sqrt(R2 - a * a);
            const double s0 = std::clamp(s - rk, 0.0, c.L), s1 = std::clamp(s + rk, 0.0, c.L);
            const double margin = 1e-9 * (1 + std::abs(lifted) + R);
            if (std::max(c.z(s0), c.z(s1)) + rn < lifted - margin)
                continue;
            const double sv =
                c.sag > 0 ? std::clamp(0.5 * c.L - (c.zb - c.za) * c.L / (8 * c.sag), s0, s1) : s0;
            const double zMin = c.sag > 0 ? c.z(sv) : std::min(c.z(s0), c.z(s1));
            if (zMin - rn > z + margin)
                continue;
            double lo, hi, sLo = 0, sHi = 0;
            if (!cableInterval(c, s, a, R, kInf, lo, hi, &sLo, &sHi))
                continue;
            const double rLo = std::hypot(s - sLo, a) + half, rHi = std::hypot(s - sHi, a) + half;
            if (!(rLo < R && rHi < R))
                continue;
            // Above the tube's bottom everywhere in the cell: the centre is lifted over its top.
            if (c.z(sLo) - std::sqrt(R2 - rLo * rLo) < z)
                lifted = std::max(lifted, c.z(sHi) + std::sqrt(R2 - rHi * rHi));
        }
        return lifted;
    }
};

Field fieldOf(const SphereTerminations &t, double R)
{
    Field f;
    f.R = R;
    f.rods = t.rods;
    for (const SphereCable &c : t.cables) {
        CableModel m;
        m.ax = c.a.x;
        m.ay = c.a.y;
        const double dx = c.b.x - c.a.x, dy = c.b.y - c.a.y;
        m.L = std::hypot(dx, dy);
        if (!(m.L > 1e-9)) {
            // Supports in one plan point: the cable is the vertical piece between the tops,
            // which the taller support's rod already covers.
            f.rods.push_back({c.a.x, c.a.y, std::max(c.a.z, c.b.z)});
            continue;
        }
        m.ux = dx / m.L;
        m.uy = dy / m.L;
        m.za = c.a.z;
        m.zb = c.b.z;
        m.sag = std::max(0.0, c.sag);
        m.ztop = std::max(m.za, m.zb);
        m.zlow = std::min(m.za, m.zb);
        if (m.sag > 0) { // the vertex of the parabola, when it lies within the span
            const double tv = std::clamp(0.5 - (m.zb - m.za) / (8 * m.sag), 0.0, 1.0);
            m.zlow = std::min(m.zlow, m.z(tv * m.L));
        }
        f.cables.push_back(m);
    }
    return f;
}

// ---- The search over the plan -----------------------------------------------------------------

struct Box {
    double x1, y1, x2, y2, hx;
};

struct Eval {
    double F = kInf; // distance of the lowest admissible centre at (x, y) to the object
    double x = 0, y = 0;
};

double planDist2(const Box &b, double x, double y)
{
    const double dx = x < b.x1 ? b.x1 - x : (x > b.x2 ? x - b.x2 : 0);
    const double dy = y < b.y1 ? b.y1 - y : (y > b.y2 ? y - b.y2 : 0);
    return dx * dx + dy * dy;
}

// The distance of the lowest admissible centre at (x, y) to the object. When only whether it
// beats `beat` matters, the cables are left out once the rods' and the ground's height alone
// gives a distance of at least `beat` (the cables only lift the centre): that distance is
// returned instead.
double evalAt(const Field &f, const Box &b, double x, double y, double beat = kInf)
{
    const double d2 = planDist2(b, x, y);
    double z = f.restOnRods(x, y);
    if (beat < kInf && !f.cables.empty()) {
        const double dz = std::max(0.0, z - b.hx);
        const double least = std::sqrt(d2 + dz * dz);
        if (!(least < beat))
            return least;
    }
    z = f.liftOverCables(x, y, z);
    const double dz = std::max(0.0, z - b.hx);
    return std::sqrt(d2 + dz * dz);
}

// Pattern search with step halving from (x, y) at the step `step`, polling `ndirs` (16 or 32)
// directions; the direction set turns by a golden fraction of its spacing at every halving, and
// after every few moves a line search runs along the way the last moves went, so that a narrow
// valley along a kink (the sphere resting on the ground and on a termination at once) is
// followed instead of zigzagged.
Eval refine(const Field &f, const Box &b, Eval e, double step, double minStep, int ndirs)
{
    static const auto base = [] {
        std::array<std::pair<double, double>, 32> d{};
        for (int k = 0; k < 32; ++k) {
            // Even positions first: the 16 main directions, then the ones between them.
            const double a = (k < 16 ? 2 * k : 2 * (k - 16) + 1) * 2 * M_PI / 32;
            d[k] = {std::cos(a), std::sin(a)};
        }
        return d;
    }();
    std::array<std::pair<double, double>, 32> dirs = base;
    int budget = 3000;
    int last = 0; // poll from the last successful direction first
    int halvings = 0;
    std::array<std::pair<double, double>, 4> trail{};
    int moves = 0;
    while (step > minStep && budget > 0) {
        bool moved = false;
        for (int k = 0; k < ndirs && !moved; ++k) {
            const int d = k < 16 ? (last + k) % 16 : 16 + (last + k) % 16;
            const double x = e.x + dirs[d].first * step, y = e.y + dirs[d].second * step;
            const double F = evalAt(f, b, x, y, e.F);
            --budget;
            if (F < e.F) {
                e = {F, x, y};
                last = d % 16;
                moved = true;
            }
        }
        if (!moved) {
            step *= 0.5;
            ++halvings;
            const double a = halvings * 0.6180339887 * 2 * M_PI / 32;
            const double ca = std::cos(a), sa = std::sin(a);
            for (int k = 0; k < 32; ++k)
                dirs[k] = {base[k].first * ca - base[k].second * sa,
                           base[k].first * sa + base[k].second * ca};
            continue;
        }
        trail[moves % 4] = {e.x, e.y};
        ++moves;
        if (moves >= 4) {
            const auto [ox, oy] = trail[moves % 4]; // three moves back
            const double vx = e.x - ox, vy = e.y - oy;
            for (double lambda = 1; lambda < 1e6 && budget > 0; lambda *= 2) {
                const double x = e.x + vx * lambda, y = e.y + vy * lambda;
                const double F = evalAt(f, b, x, y, e.F);
                --budget;
                if (!(F < e.F))
                    break;
                e = {F, x, y};
            }
        }
    }
    return e;
}

// Plan points where the sphere may rest on several terminations and the ground at once: the
// crossings of the circles in which each rod's reach meets the height z = R.
void restingPoints(const Field &f, std::vector<std::pair<double, double>> &out)
{
    const double R = f.R;
    std::vector<double> rr(f.rods.size());
    for (size_t i = 0; i < f.rods.size(); ++i) {
        const double h = std::max(0.0, f.rods[i].h);
        rr[i] = (h >= R ? R : std::sqrt(h * (2 * R - h))) * (1 + 1e-13) + 1e-12;
    }
    for (size_t i = 0; i < f.rods.size(); ++i) {
        for (size_t j = i + 1; j < f.rods.size(); ++j) {
            const double dx = f.rods[j].x - f.rods[i].x, dy = f.rods[j].y - f.rods[i].y;
            const double d = std::hypot(dx, dy);
            if (!(d > 1e-12) || d > rr[i] + rr[j] || d < std::abs(rr[i] - rr[j]))
                continue;
            const double a = (rr[i] * rr[i] - rr[j] * rr[j] + d * d) / (2 * d);
            const double hh = std::sqrt(std::max(0.0, rr[i] * rr[i] - a * a));
            const double mx = f.rods[i].x + a * dx / d, my = f.rods[i].y + a * dy / d;
            out.emplace_back(mx - hh * dy / d, my + hh * dx / d);
            out.emplace_back(mx + hh * dy / d, my - hh * dx / d);
        }
    }
}

} // namespace

double SphereRadius(int level)
{
    return level >= 0 && level < kSphereLevelCount ? kRadii[level] : 0;
}

const char *SphereLevelName(int level)
{
    return level >= 0 && level < kSphereLevelCount ? kNames[level] : nullptr;
}

int SphereLevelOf(const std::string &name)
{
    for (int k = 0; k < kSphereLevelCount; ++k)
        if (name == kNames[k])
            return k;
    return -1;
}

SphereObject SphereObjectOf(const ObjectRec &o)
{
    const double x = o.MXa.value_or(0), y = o.MYa.value_or(0);
    const double L = o.L.value_or(0), S = o.S.value_or(0);
    SphereObject s;
    s.x1 = std::min(x, x + L);
    s.x2 = std::max(x, x + L);
    s.y1 = std::min(y, y + S);
    s.y2 = std::max(y, y + S);
    s.hx = o.Hx.value_or(0);
    return s;
}

std::vector<SphereObject> SphereObjectsOf(const ProjectSnapshot &snap)
{
    std::vector<SphereObject> out;
    out.reserve(snap.objects.size());
    for (const ObjectRec &o : snap.objects)
        out.push_back(SphereObjectOf(o));
    return out;
}

SphereTerminations SphereTerminationsOf(const ProjectSnapshot &snap,
                                        const std::vector<SagRow> &sagTable, bool chosen)
{
    SphereTerminations t;
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(std::string()));
    auto pick = [chosen](const OptD &design, const OptD &chosenV) -> OptD {
        return chosen && chosenV ? chosenV : design;
    };
    if (type == ConductorType::Cable) {
        if (snap.conductors.size() < 2)
            return t;
        const ConductorRec &c1 = snap.conductors[0];
        const ConductorRec &c2 = snap.conductors[1];
        const OptD H = pick(c1.H, c1.H1);
        OptD hop = pick(c1.Hop, c1.Hop1);
        const double x1 = c1.MX.value_or(0), y1 = c1.MY.value_or(0);
        const double x2 = c2.MX.value_or(0), y2 = c2.MY.value_or(0);
        double sag = 0;
        if (hop && H) {
            sag = *hop - *H;
        } else if (H) {
            CalcMessages ignored;
            const double L = std::round(std::hypot(x2 - x1, y2 - y1) * 100) / 100;
            sag = SagForSpan(L, sagTable, ignored);
            hop = *H + sag;
        }
        const double hs = hop.value_or(0);
        OptD hop2 = pick(c2.Hop, c2.Hop1);
        const double hs2 = hop2.value_or(hs);
        t.rods.push_back({x1, y1, hs});
        t.rods.push_back({x2, y2, hs2});
        t.cables.push_back({{x1, y1, hs}, {x2, y2, hs2}, std::max(0.0, sag)});
        return t;
    }
    for (const ConductorRec &c : snap.conductors)
        t.rods.push_back({c.MX.value_or(0), c.MY.value_or(0), pick(c.H, c.H1).value_or(0)});
    return t;
}

double SphereLowestCentre(const SphereTerminations &terms, double R, double x, double y)
{
    return fieldOf(terms, R).lowest(x, y);
}

struct SphereCentreField::Impl {
    Field field;
};

SphereCentreField::SphereCentreField(const SphereTerminations &terms, double R)
    : m_impl(std::make_unique<Impl>(Impl{fieldOf(terms, R)}))
{
}

SphereCentreField::~SphereCentreField() = default;

double SphereCentreField::lowest(double x, double y) const { return m_impl->field.lowest(x, y); }

double SphereCentreField::radius() const { return m_impl->field.R; }

SphereLevelResult SphereCheckObject(const SphereTerminations &terms, const SphereObject &obj,
                                    double R)
{
    const Field f = fieldOf(terms, R);
    const Box b{std::min(obj.x1, obj.x2), std::min(obj.y1, obj.y2), std::max(obj.x1, obj.x2),
                std::max(obj.y1, obj.y2), std::max(0.0, obj.hx)};
    // Only centres within R of the object in plan matter: farther ones cannot reach it.
    const double limit = R * (1 + 1e-12) + 1e-9;
    const double w = b.x2 - b.x1 + 2 * R, h = b.y2 - b.y1 + 2 * R;
    double step = R / 10;
    const double maxPoints = 3600;
    if (w / step * (h / step) > maxPoints)
        step = std::sqrt(w * h / maxPoints);
    const int nx = static_cast<int>(std::ceil(w / step)),
              ny = static_cast<int>(std::ceil(h / step));
    const double sx = w / nx, sy = h / ny;

    std::vector<Eval> starts;
    auto consider = [&](double x, double y) {
        if (planDist2(b, x, y) > limit * limit)
            return;
        const double F = evalAt(f, b, x, y);
        starts.push_back({F, x, y});
    };
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j)
            consider(b.x1 - R + i * sx, b.y1 - R + j * sy);
    std::vector<std::pair<double, double>> rest;
    restingPoints(f, rest);
    for (const auto &[x, y] : rest)
        consider(x, y);
    // The footprint's corners and centre, and the points of each rod's circle toward the object.
    consider(b.x1, b.y1);
    consider(b.x2, b.y1);
    consider(b.x1, b.y2);
    consider(b.x2, b.y2);
    consider(0.5 * (b.x1 + b.x2), 0.5 * (b.y1 + b.y2));
    for (const SphereRod &r : f.rods) {
        const double rh = std::max(0.0, r.h);
        // Just outside the circle: a tall rod's reach drops from its top to R across it.
        const double rr = (rh >= R ? R : std::sqrt(rh * (2 * R - rh))) * (1 + 1e-13) + 1e-12;
        const double cx = std::clamp(r.x, b.x1, b.x2), cy = std::clamp(r.y, b.y1, b.y2);
        for (const auto &[px, py] :
             {std::pair{cx, cy}, {b.x1, b.y1}, {b.x2, b.y1}, {b.x1, b.y2}, {b.x2, b.y2}}) {
            const double d = std::hypot(px - r.x, py - r.y);
            if (d > 1e-12)
                consider(r.x + (px - r.x) / d * rr, r.y + (py - r.y) / d * rr);
        }
    }

    std::sort(starts.begin(), starts.end(), [](const Eval &a, const Eval &c) { return a.F < c.F; });
    Eval best;
    std::vector<Eval> used;
    const double sep = std::max(sx, sy) * 1.5;
    // Each basin is followed to a centimetre; the best ones are then polished to 5e-5 m.
    std::vector<Eval> found;
    for (const Eval &s : starts) {
        if (used.size() >= 4 || s.F > std::min(limit, best.F) + 2 * std::max(sx, sy))
            break;
        bool near = false;
        for (const Eval &u : used)
            if (std::hypot(u.x - s.x, u.y - s.y) < sep)
                near = true;
        if (near)
            continue;
        used.push_back(s);
        const Eval e = refine(f, b, s, std::max(sx, sy) * 0.5, 0.01, 16);
        found.push_back(e);
        if (e.F < best.F)
            best = e;
        if (best.F == 0)
            break;
    }
    const double coarseBest = best.F;
    for (const Eval &e : found)
        // Clearly out of reach (protected): the centimetre is enough for the verdict.
        if (e.F <= coarseBest + 0.02 && best.F > 0 && coarseBest <= limit + 0.02) {
            const Eval p = refine(f, b, refine(f, b, e, 0.01, 2e-4, 16), 2e-4, 5e-5, 32);
            if (p.F < best.F)
                best = p;
        }
    for (const Eval &s : starts)
        if (s.F < best.F)
            best = s;

    // The certificate: branch and bound over plan cells of the footprint widened by R (farther
    // centres are more than R from the object). A cell is dropped when its lower bound of the
    // distance is within kSphereCertainty of the best distance found (or of R when that exceeds
    // R); otherwise it is split in four and its children's centres evaluated.
    struct Cell {
        double x1, y1, x2, y2, lb;
        bool operator<(const Cell &o) const { return lb > o.lb; } // least bound first
    };
    // Per rod, the distance of the rod's axis to the footprint's farthest corner: a centre at
    // plan distance ρ from the rod is at least ρ minus it from the footprint. Coupling this with
    // the rod's resting height at the same ρ keeps the bound tight where the nearest centres lie
    // along a circle around the rod (an object close to the rod's axis).
    std::vector<double> far(f.rods.size());
    for (size_t k = 0; k < f.rods.size(); ++k)
        far[k] = std::sqrt(std::max(sq(f.rods[k].x - b.x1), sq(f.rods[k].x - b.x2)) +
                           std::max(sq(f.rods[k].y - b.y1), sq(f.rods[k].y - b.y2)));
    auto coupled = [&](double x1, double y1, double x2, double y2, double d, double u) {
        double lb = std::sqrt(d * d + sq(std::max(0.0, u - b.hx)));
        for (size_t k = 0; k < f.rods.size(); ++k) {
            const SphereRod &r = f.rods[k];
            const double qx = std::max({x1 - r.x, 0.0, r.x - x2});
            const double qy = std::max({y1 - r.y, 0.0, r.y - y2});
            const double lo = std::sqrt(qx * qx + qy * qy);
            if (!(lo < R))
                continue;
            const double fx = std::max(r.x - x1, x2 - r.x), fy = std::max(r.y - y1, y2 - r.y);
            const double hi = std::sqrt(fx * fx + fy * fy);
            // Over ρ in lo..hi the plan distance grows and the resting height falls: on each of
            // a few pieces the bound takes the distance at its start and the height at its end.
            auto height = [&](double rho) {
                const double z = rho < R ? std::max(u, r.h + std::sqrt(R * R - rho * rho)) : u;
                return std::max(0.0, z - b.hx);
            };
            constexpr int kPieces = 8;
            double least = kInf;
            for (int i = 0; i < kPieces && least > lb; ++i) {
                const double t0 = lo + (hi - lo) * i / kPieces;
                const double t1 = i + 1 == kPieces ? hi : lo + (hi - lo) * (i + 1) / kPieces;
                least = std::min(least, std::sqrt(sq(std::max(d, t0 - far[k])) + sq(height(t1))));
            }
            lb = std::max(lb, least);
        }
        return lb;
    };
    auto target = [&] { return std::min(best.F, R) - kSphereCertainty; };
    auto boundOf = [&](double x1, double y1, double x2, double y2) {
        const double dx = std::max({b.x1 - x2, 0.0, x1 - b.x2});
        const double dy = std::max({b.y1 - y2, 0.0, y1 - b.y2});
        const double d = std::sqrt(dx * dx + dy * dy);
        // The cables' tubes are costly: taken only when the rods and the ground leave the cell.
        double u = f.lowestBound(x1, y1, x2, y2, false);
        double lb = coupled(x1, y1, x2, y2, d, u);
        if (lb < target() && !f.cables.empty()) {
            const double lifted = f.lowestBound(x1, y1, x2, y2);
            if (lifted != u) // an unlifted height gives the same bound
                lb = coupled(x1, y1, x2, y2, d, lifted);
        }
        return lb;
    };
    std::priority_queue<Cell> cells;
    {
        const double x1 = b.x1 - R, y1 = b.y1 - R, x2 = b.x2 + R, y2 = b.y2 + R;
        cells.push({x1, y1, x2, y2, boundOf(x1, y1, x2, y2)});
    }
    double lower = kInf; // the least bound of a cell left unsplit at the budget
    int budget = kSphereCellBudget;
    while (!cells.empty()) {
        const Cell c = cells.top();
        if (!(c.lb < target()))
            break;
        if (budget <= 0) {
            lower = c.lb;
            break;
        }
        cells.pop();
        budget -= 4;
        const double mx = 0.5 * (c.x1 + c.x2), my = 0.5 * (c.y1 + c.y2);
        const std::array<std::array<double, 4>, 4> kids{{{c.x1, c.y1, mx, my},
                                                         {mx, c.y1, c.x2, my},
                                                         {c.x1, my, mx, c.y2},
                                                         {mx, my, c.x2, c.y2}}};
        for (const auto &k : kids) {
            // A child bounded within the certainty of the best needs no evaluation: nothing in
            // it improves the result by more than that.
            const double lb = std::max(c.lb, boundOf(k[0], k[1], k[2], k[3]));
            if (!(lb < target()))
                continue;
            const double px = 0.5 * (k[0] + k[2]), py = 0.5 * (k[1] + k[3]);
            const double F = evalAt(f, b, px, py, best.F);
            if (F < best.F)
                best = {F, px, py};
            if (lb < target())
                cells.push({k[0], k[1], k[2], k[3], lb});
        }
    }

    SphereLevelResult res;
    const double proven = std::min(lower, std::min(best.F, R) - kSphereCertainty);
    res.gap = std::max(0.0, std::min(best.F, R) - proven);
    if (!(best.F <= R)) {
        if (!(lower < R - kSphereCertainty))
            return res;
        // The budget ran out before the reach was ruled out: exposed, on the safe side.
        res.isProtected = false;
        res.unresolved = true;
    } else {
        res.isProtected = false;
        res.depth = R - best.F;
    }
    const double z = f.lowest(best.x, best.y);
    res.point = SpherePoint{std::clamp(best.x, b.x1, b.x2), std::clamp(best.y, b.y1, b.y2),
                            std::min(z, b.hx)};
    return res;
}

int SphereBestLevel(const std::vector<SphereObjectResult> &objects)
{
    for (int k = 0; k < kSphereLevelCount; ++k) {
        bool all = true;
        for (const SphereObjectResult &o : objects)
            all = all && o.levels[k].isProtected;
        if (all)
            return k;
    }
    return -1;
}

SphereResult SphereCheck(const SphereTerminations &terms, const std::vector<SphereObject> &objects,
                         const std::function<bool(int done, int total)> &progress)
{
    SphereResult res;
    res.objects.reserve(objects.size());
    const int total = static_cast<int>(objects.size());
    for (int i = 0; i < total; ++i) {
        SphereObjectResult o;
        for (int k = 0; k < kSphereLevelCount; ++k)
            o.levels[k] = SphereCheckObject(terms, objects[i], kRadii[k]);
        res.objects.push_back(o);
        if (progress && !progress(i + 1, total))
            return res;
    }
    res.bestLevel = SphereBestLevel(res.objects);
    return res;
}

std::optional<double> SphereRodHeight(const std::vector<Pt> &rods,
                                      const std::vector<SphereObject> &objects, int level)
{
    if (rods.empty() || objects.empty() || level < 0 || level >= kSphereLevelCount)
        return std::nullopt;
    const double R = kRadii[level];
    auto protects = [&](int hundredths) {
        SphereTerminations t;
        for (const Pt &p : rods)
            t.rods.push_back({p.x, p.y, hundredths / 100.0});
        for (const SphereObject &o : objects)
            if (!SphereCheckObject(t, o, R).isProtected)
                return false;
        return true;
    };
    constexpr int kMax = static_cast<int>(kSphereMaxRodHeight * 100);
    if (!protects(kMax))
        return std::nullopt;
    // Protection only grows with the rods' height: bisect over hundredths.
    int lo = 0, hi = kMax; // lo does not protect (a rod of no height is no termination)
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (protects(mid))
            hi = mid;
        else
            lo = mid;
    }
    return hi / 100.0;
}

std::optional<double> SphereRodHeight(const ProjectSnapshot &snap, int level)
{
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(std::string()));
    if (type != ConductorType::SingleRod && type != ConductorType::DoubleRod &&
        type != ConductorType::MultiRod)
        return std::nullopt;
    std::vector<Pt> rods;
    for (const ConductorRec &c : snap.conductors)
        rods.push_back({c.MX.value_or(0), c.MY.value_or(0)});
    return SphereRodHeight(rods, SphereObjectsOf(snap), level);
}

} // namespace kv
