#include "calc/podbor.h"

#include <cmath>

#include "calc/calcround.h"

namespace kv {

using detail::r2;
using detail::r5;
using LD = long double;

ObjGeom objGeomOf(const ObjectRec &o)
{
    ObjGeom g;
    g.Xa = o.MXa.value_or(0);
    g.Ya = o.MYa.value_or(0);
    g.L = o.L.value_or(0);
    g.S = o.S.value_or(0);
    g.Hx = o.Hx.value_or(0);
    g.zone = zoneOf(o.Zona);
    return g;
}

namespace {

LD dist(Pt a, Pt b)
{
    const LD dx = static_cast<LD>(a.x) - b.x;
    const LD dy = static_cast<LD>(a.y) - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

void corners(const ObjGeom &o, Pt (&c)[4])
{
    c[0] = {o.Xa, o.Ya};
    c[1] = {o.Xa + o.L, o.Ya};
    c[2] = {o.Xa + o.L, o.Ya + o.S};
    c[3] = {o.Xa, o.Ya + o.S};
}

std::optional<double> rodHeight(Zone zone, double R, double Hx)
{
    if (zone == Zone::B)
        return RodHeightB(R, Hx);
    return RodHeightA(R, Hx);
}

ObjectHeight fromRadius(std::optional<double> h, double R)
{
    ObjectHeight res;
    res.R = R;
    if (h) {
        res.ok = true;
        res.H = *h;
    }
    return res;
}

} // namespace

ObjectHeight ObjectHeightRod(const ObjGeom &obj, Pt rod)
{
    Pt c[4];
    corners(obj, c);
    double R = r2(dist(c[0], rod));
    for (int i = 1; i < 4; ++i) {
        const double d = r2(dist(c[i], rod));
        if (d > R)
            R = d;
    }
    return fromRadius(rodHeight(obj.zone, R, obj.Hx), R);
}

ObjectHeight ObjectHeightCable(const ObjGeom &obj, Pt s1, Pt s2)
{
    Pt c[4];
    corners(obj, c);
    double R = SegmentDistance(c[0], s1, s2);
    for (int i = 1; i < 4; ++i) {
        const double d = SegmentDistance(c[i], s1, s2);
        if (d > R)
            R = d;
    }
    std::optional<double> h;
    if (obj.zone == Zone::B)
        h = CableHeightB(R, obj.Hx);
    else
        h = CableHeightA(R, obj.Hx);
    return fromRadius(h, R);
}

void PointHeightDoubleRod(Pt P, const char *label, Zone zone, double Hx, double L, Pt rod1,
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
                h = ZoneARegime2Height(Ph, q, Hx, r, *h1);
                regime = 2;
                if (!(static_cast<LD>(lim.A2) * *h >= L)) {
                    h = ZoneARegime3Height(Ph, q, Hx, r, *h1);
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
        h = rodHeight(zone, distance, Hx);
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

ObjectHeight ObjectHeightDoubleRod(const ObjGeom &obj, Pt rod1, Pt rod2,
                                   const DoubleRodLimits &lim)
{
    const double L = SpanLength(rod1, rod2);
    DoubleRodBest best;
    Pt c[4];
    corners(obj, c);
    for (int i = 0; i < 4; ++i)
        PointHeightDoubleRod(c[i], kPointLabels[i], obj.zone, obj.Hx, L, rod1, rod2, lim, best);
    const Crossings x = MidlineCrossings(obj, rod1, rod2);
    for (int i = 0; i < 4; ++i)
        if (x.present[i])
            PointHeightDoubleRod(x.pt[i], kPointLabels[4 + i], obj.zone, obj.Hx, L, rod1, rod2,
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

ObjectHeight ObjectHeightTwoRods(const ObjGeom &obj, Pt rod1, Pt rod2)
{
    const Crossings x = MidlineCrossings(obj, rod1, rod2);
    const bool anyCrossing = x.present[0] || x.present[1] || x.present[2] || x.present[3];
    Pt c[4];
    corners(obj, c);
    double R = 0;
    const char *label = nullptr;
    int numMO = 0;
    // Distance of a corner to the rod nearer to it.
    auto nearest = [&](Pt p) {
        const LD d1 = dist(p, rod1), d2 = dist(p, rod2);
        return d1 > d2 ? r2(d2) : r2(d1);
    };
    if (!anyCrossing) {
        double d[4];
        for (int i = 0; i < 4; ++i)
            d[i] = nearest(c[i]);
        numMO = dist(c[0], rod1) > dist(c[0], rod2) ? 2 : 1;
        if (d[0] > d[1]) {
            R = d[0];
            label = kPointLabels[0];
        } else {
            R = d[1];
            label = kPointLabels[1];
        }
        for (int i = 2; i < 4; ++i)
            if (d[i] > R) {
                R = d[i];
                label = kPointLabels[i];
            }
    } else {
        double v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = x.present[i] ? r2(dist(x.pt[i], rod2)) : -1.0;
        R = v[0];
        label = kPointLabels[4];
        for (int i = 1; i < 4; ++i)
            if (v[i] > R) {
                R = v[i];
                label = kPointLabels[4 + i];
            }
        // A corner of an object straddling the midline can lie farther from its own rod than
        // any crossing point (a long object reaching past a rod); it then governs.
        for (int i = 0; i < 4; ++i) {
            const double d = nearest(c[i]);
            if (d > R) {
                R = d;
                label = kPointLabels[i];
            }
        }
        numMO = 12;
    }
    ObjectHeight res = fromRadius(rodHeight(obj.zone, R, obj.Hx), R);
    res.NumMO = numMO;
    res.PointDo1 = label;
    return res;
}

} // namespace kv
