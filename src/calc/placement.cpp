#include "calc/placement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "calc/limits.h"
#include "calc/numfmt.h"

namespace kv {

std::int64_t axisCount(double lo, double hi, double step)
{
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(lo) || !std::isfinite(hi))
        return 0;
    std::int64_t n = 0;
    double v = lo;
    while (v <= hi) {
        ++n;
        // A step far too small for its span is not walked to the end: past the limit the
        // estimate stands for the count (the search refuses such a range anyway).
        if (n > static_cast<std::int64_t>(limits::kMaxAxisValues)) {
            const double est = axisCountEstimate(lo, hi, step);
            return est >= 9e18 ? std::numeric_limits<std::int64_t>::max()
                               : static_cast<std::int64_t>(est);
        }
        const double next = v + step;
        if (next == v) // the step is lost in the sum: no further distinct value
            break;
        v = next;
    }
    return n;
}

std::vector<double> axisValues(double lo, double hi, double step)
{
    std::vector<double> out;
    const std::int64_t n = axisCount(lo, hi, step);
    out.reserve(static_cast<std::size_t>(n));
    double v = lo;
    for (std::int64_t i = 0; i < n; ++i) {
        out.push_back(v);
        v += step;
    }
    return out;
}

double axisCountEstimate(double lo, double hi, double step)
{
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(lo) || !std::isfinite(hi))
        return 0;
    if (lo > hi)
        return 0;
    return std::floor((hi - lo) / step) + 2; // the running sum may add one value at most
}

bool excludes(const SubRange &s, double x, double y)
{
    const bool left = s.VklX1 ? s.X1 <= x : s.X1 < x;
    const bool right = s.VklX2 ? x <= s.X2 : x < s.X2;
    const bool upper = s.VklY1 ? s.Y1 <= y : s.Y1 < y;
    const bool lower = s.VklY2 ? y <= s.Y2 : y < s.Y2;
    return left && right && upper && lower;
}

bool admissible(const std::vector<SubRange> &subs, double x, double y)
{
    for (const SubRange &s : subs)
        if (excludes(s, x, y))
            return false;
    return true;
}

RangeGrid makeGrid(const PlacementRange &r)
{
    RangeGrid g;
    g.xs = axisValues(r.X1, r.X2, r.DX);
    g.ys = axisValues(r.Y1, r.Y2, r.DY);
    g.ok.assign(static_cast<std::size_t>(g.size()), 1);
    std::size_t k = 0;
    for (double x : g.xs)
        for (double y : g.ys)
            g.ok[k++] = admissible(r.subranges, x, y) ? 1 : 0;
    return g;
}

std::vector<ObjGeom> zonedObjects(const std::vector<ObjectRec> &objects)
{
    std::vector<ObjGeom> out;
    for (const ObjectRec &o : objects) {
        ObjGeom g = objGeomOf(o);
        if (g.zone != Zone::None)
            out.push_back(g);
    }
    return out;
}

PlacementKind placementKindOf(const std::string &tipMO)
{
    switch (conductorTypeOf(tipMO)) {
    case ConductorType::DoubleRod: return PlacementKind::DoubleRod;
    case ConductorType::Cable: return PlacementKind::Cable;
    default: return PlacementKind::SingleRod;
    }
}

namespace {

inline double heightOf(const ObjectHeight &h)
{
    return (h.ok && std::isfinite(h.H)) ? h.H : kUnreachable;
}

inline double objectHeight(const PlacementModel &m, const ObjGeom &o, Pt p1, Pt p2)
{
    switch (m.kind) {
    case PlacementKind::SingleRod: return heightOf(ObjectHeightRod(o, p1));
    case PlacementKind::Cable: return heightOf(ObjectHeightCable(o, p1, p2));
    case PlacementKind::DoubleRod: return heightOf(ObjectHeightDoubleRod(o, p1, p2, m.limits));
    }
    return kUnreachable;
}

// The common-zone height H' of a double rod stands when neither zone type needs the rods taken
// apart at this span.
inline bool commonZoneHolds(const DoubleRodLimits &lim, double h, double L)
{
    return lim.A3 * h >= L && lim.B2 * h >= L;
}

inline void moveToFront(int *order, int k)
{
    const int idx = order[k];
    for (int i = k; i > 0; --i)
        order[i] = order[i - 1];
    order[0] = idx;
}

} // namespace

double requiredHeight(const PlacementModel &m, Pt p1, Pt p2)
{
    double h = 0;
    for (const ObjGeom &o : m.objects) {
        const double v = objectHeight(m, o, p1, p2);
        if (v > h)
            h = v;
    }
    if (m.kind != PlacementKind::DoubleRod)
        return h;
    const double L = SpanLength(p1, p2);
    if (commonZoneHolds(m.limits, h, L))
        return h;
    double h2 = 0;
    for (const ObjGeom &o : m.objects) {
        const double v = heightOf(ObjectHeightTwoRods(o, p1, p2));
        if (v > h2)
            h2 = v;
    }
    return h2;
}

EvalScratch::EvalScratch(std::size_t objectCount)
    : order(objectCount), point(objectCount, 0), boundOrder(objectCount)
{
    for (std::size_t k = 0; k < objectCount; ++k)
        order[k] = boundOrder[k] = static_cast<int>(k);
}

namespace {

// A lower bound of an object's double-rod height: the height of one of its points (the object
// takes the largest over its points, rounded once, and rounding keeps the order). Negative when
// that point gives no bound.
double pointLowerBound(const ObjGeom &o, int pointIndex, double L, Pt p1, Pt p2,
                       const DoubleRodLimits &lim)
{
    Pt P;
    if (pointIndex < 4) {
        const Pt c[4] = {{o.Xa, o.Ya}, {o.Xa + o.L, o.Ya}, {o.Xa + o.L, o.Ya + o.S},
                         {o.Xa, o.Ya + o.S}};
        P = c[pointIndex];
    } else {
        const Crossings x = MidlineCrossings(o, p1, p2);
        if (!x.present[pointIndex - 4])
            return -1;
        P = x.pt[pointIndex - 4];
    }
    DoubleRodBest best;
    PointHeightDoubleRod(P, kPointLabels[pointIndex], o.zone, o.Hx, L, p1, p2, lim, best);
    if (best.unreachable)
        return -1;
    return round2(best.h);
}

int pointIndexOf(const char *label)
{
    for (int i = 0; i < 8; ++i)
        if (label == kPointLabels[i])
            return i;
    // Equal literals of two files need not share an address (sanitizer builds keep them apart).
    for (int i = 0; label && i < 8; ++i)
        if (std::strcmp(label, kPointLabels[i]) == 0)
            return i;
    return 0;
}

} // namespace

double requiredHeightBounded(const PlacementModel &m, Pt p1, Pt p2, double bound,
                             EvalScratch &sc)
{
    const int n = static_cast<int>(m.objects.size());
    const ObjGeom *objs = m.objects.data();
    int *order = sc.order.data();
    double h = 0;
    if (m.kind != PlacementKind::DoubleRod) {
        for (int k = 0; k < n; ++k) {
            const double v = objectHeight(m, objs[order[k]], p1, p2);
            if (v > h) {
                h = v;
                if (h >= bound) {
                    moveToFront(order, k);
                    return h;
                }
            }
        }
        return h;
    }
    // Double rod.
    const double L = SpanLength(p1, p2);
    // A (partial or lower-bound) common-zone height may end the point only when it already keeps
    // the common zone: the full height is then at least as large and keeps it too.
    const bool monotone = m.limits.A3 > 0 && m.limits.B2 > 0;
    if (monotone && bound < kUnreachable) {
        double lb = 0;
        for (int k = 0; k < n; ++k) {
            const int idx = order[k];
            const double v = pointLowerBound(objs[idx], sc.point[static_cast<std::size_t>(idx)],
                                             L, p1, p2, m.limits);
            if (v > lb) {
                lb = v;
                if (lb >= bound && commonZoneHolds(m.limits, lb, L)) {
                    moveToFront(order, k);
                    return lb;
                }
            }
        }
    }
    for (int k = 0; k < n; ++k) {
        const int idx = order[k];
        const ObjectHeight oh = ObjectHeightDoubleRod(objs[idx], p1, p2, m.limits);
        const double v = heightOf(oh);
        if (oh.ok)
            sc.point[static_cast<std::size_t>(idx)] =
                static_cast<unsigned char>(pointIndexOf(oh.PointDo));
        if (v > h) {
            h = v;
            if (monotone && h >= bound && commonZoneHolds(m.limits, h, L)) {
                moveToFront(order, k);
                return h;
            }
        }
    }
    if (commonZoneHolds(m.limits, h, L))
        return h;
    // The span is too wide for a common zone: the rods act as two single rods.
    double h2 = 0;
    for (int k = 0; k < n; ++k) {
        const double v = heightOf(ObjectHeightTwoRods(objs[k], p1, p2));
        if (v > h2)
            h2 = v;
    }
    return h2;
}

} // namespace kv

namespace kv {

namespace {

// Plain length: hypot's care for overflow costs more than the whole bound here.
inline double len(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

double cross(Pt o, Pt a, Pt b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

double segmentDistance(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return len(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

// The convex hull of a few points, counter-clockwise (Andrew's monotone chain).
int convexHull(Pt *pts, int n, Pt *hull)
{
    std::sort(pts, pts + n, [](Pt a, Pt b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    int k = 0;
    for (int i = 0; i < n; ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0)
            --k;
        hull[k++] = pts[i];
    }
    for (int i = n - 2, lower = k + 1; i >= 0; --i) {
        while (k >= lower && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0)
            --k;
        hull[k++] = pts[i];
    }
    return std::max(1, k - 1);
}

struct Hull {
    Pt v[12];
    int n = 0;

    double distance(Pt p) const
    {
        if (n == 1)
            return len(p.x - v[0].x, p.y - v[0].y);
        if (n == 2)
            return segmentDistance(p, v[0], v[1]);
        bool inside = true;
        double d = kUnreachable;
        for (int i = 0; i < n; ++i) {
            const Pt a = v[i], b = v[(i + 1) % n];
            if (cross(a, b, p) < 0) {
                inside = false;
                d = std::min(d, segmentDistance(p, a, b));
            }
        }
        return inside ? 0 : d;
    }
};

// How far the stored distances may fall short of the exact distance to the segment: the
// rounding of the distances and of the axis slope (five decimals), which tilts the axis by up to
// 5e-6 rad about the first support.
double distanceSlack(double reach) { return 0.01 + 1e-5 * reach; }

// The height a point at distance R needs from a single rod (cable), or 0 when the relation
// gives none (the exact evaluation then decides).
double minimalHeight(PlacementKind kind, Zone zone, double R, double Hx)
{
    std::optional<double> h;
    if (kind == PlacementKind::Cable)
        h = zone == Zone::B ? CableHeightB(R, Hx) : CableHeightA(R, Hx);
    else
        h = zone == Zone::B ? RodHeightB(R, Hx) : RodHeightA(R, Hx);
    return h && std::isfinite(*h) ? *h : 0;
}

// The radius a rod of height H protects at the height Hx (unrounded; rising in H over every
// height a rod can have).
double rodRadiusAt(Zone zone, double H, double Hx)
{
    if (zone == Zone::B)
        return (H - Hx / 0.92) * 1.5;
    return (H - Hx / 0.85) * (1.1 - 0.002 * H);
}

} // namespace

double heightLowerBound(const PlacementModel &m, Pt fixed, const Box &box, double reach,
                        int *order)
{
    Pt pts[5] = {{box.x1, box.y1}, {box.x2, box.y1}, {box.x2, box.y2}, {box.x1, box.y2}, fixed};
    const int np = m.kind == PlacementKind::SingleRod ? 4 : 5;
    for (int i = 0; i < np; ++i)
        if (!std::isfinite(pts[i].x) || !std::isfinite(pts[i].y))
            return 0;
    Hull hull;
    Pt sorted[5];
    std::copy(pts, pts + np, sorted);
    hull.n = convexHull(sorted, np, hull.v);
    const double spread = std::abs(box.x2 - box.x1) + std::abs(box.y2 - box.y1);
    // Zone B points between the rods may take a second regime; its height stays above the
    // single-rod one only while the regime needs a span longer than the single-rod height.
    const bool zoneB = m.kind != PlacementKind::DoubleRod || m.limits.B1 >= 1;
    const int n = static_cast<int>(m.objects.size());
    double lb = 0;
    for (int k = 0; k < n; ++k) {
        const ObjGeom &o = m.objects[static_cast<std::size_t>(order ? order[k] : k)];
        if (o.zone == Zone::B && !zoneB)
            continue;
        const Pt c[4] = {{o.Xa, o.Ya}, {o.Xa + o.L, o.Ya}, {o.Xa + o.L, o.Ya + o.S},
                         {o.Xa, o.Ya + o.S}};
        double R = 0;
        for (const Pt &p : c) {
            const double far = len(p.x - fixed.x, p.y - fixed.y) +
                               std::abs(p.x - box.x1) + std::abs(p.y - box.y1) + spread;
            R = std::max(R, hull.distance(p) - distanceSlack(far));
        }
        R = std::max(R, 0.0);
        // A radius short of what a rod just above `reach` gives cannot end the walk; the
        // inverse (a square root) is then not worth taking.
        if (reach < kUnreachable && m.kind != PlacementKind::Cable &&
            R < rodRadiusAt(o.zone, reach + 0.04, o.Hx))
            continue;
        // The heights are rounded to hundredths and the regime heights solved numerically.
        const double h = minimalHeight(m.kind, o.zone, R, o.Hx) - 0.05;
        if (h > lb) {
            lb = h;
            if (lb >= reach) {
                if (order)
                    moveToFront(order, k);
                return lb;
            }
        }
    }
    return lb;
}

} // namespace kv
