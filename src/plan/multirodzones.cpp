#include "plan/multirodzones.h"

#include "calc/zones.h"
#include "plan/recordfields.h"
#include "plan/zonegeometry.h"

#include <cstdlib>

namespace kv
{

namespace
{

QColor objectColor(const ObjectRec &o)
{
    return o.ObjColor ? colorFromRgbInt(*o.ObjColor) : QColor(192, 192, 192);
}

DrawLayer layerOf(bool zoneA)
{
    return zoneA ? DrawLayer::ZoneA : DrawLayer::ZoneB;
}
bool isZoneA(const ObjectRec &o)
{
    return o.Zona.value_or("") == "А";
}

// The ground-level waist of a pair in common-zone mode (empty: the pair has none).
OptD groundWaist(const MultiRodPair &p, bool zoneA)
{
    if (p.useAs2)
        return std::nullopt;
    const OptD hc = zoneA ? p.Hc_a : p.Hc_b;
    const OptD rc = zoneA ? p.Rc_a : p.Rc_b;
    if (!hc || !rc || !(*hc > 0) || !(*rc > 0))
        return std::nullopt;
    return rc;
}

void shadeTriangle(Canvas &c, const std::vector<QPoint> &px, int a, int b, int t, const QColor &col,
                   Qt::BrushStyle style)
{
    c.setPen(QPen(Qt::NoPen));
    c.setBrush(QBrush(col, style));
    c.polygon({px[a], px[b], px[t]});
    c.setClearBrush();
}

} // namespace

bool drawnAsMultiRod(const ProjectSnapshot &snap)
{
    return conductorTypeOf(snap.project.TipMO.value_or("")) == ConductorType::MultiRod &&
           snap.conductors.size() > 2;
}

MultiRodDrawing multiRodDrawing(const ProjectSnapshot &snap, const SettingsRec &settings,
                                const std::string &suffix)
{
    MultiRodDrawing d;
    const int n = static_cast<int>(snap.conductors.size());
    if (conductorTypeOf(snap.project.TipMO.value_or("")) != ConductorType::MultiRod || n < 2)
        return d;
    ProjectSnapshot work = snap;
    CalcMessages unused;
    MultiRodResult res = PodborMultiRod(work, settings, unused);
    if (res.refused)
        return d;
    if (res.pairs.empty()) { // no object: the selection built no pairs
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                MultiRodPair p;
                p.i = i;
                p.j = j;
                const ConductorRec &a = snap.conductors[i], &b = snap.conductors[j];
                p.L = SpanLength({a.MX.value_or(0), a.MY.value_or(0)},
                                 {b.MX.value_or(0), b.MY.value_or(0)});
                res.pairs.push_back(p);
            }
    }
    // The zone values at the height stored for the suffix, which the rows' radii belong to.
    const OptD H = conductorField(snap.conductors.front(), "H", suffix);
    if (H && *H > 0) {
        ProjectSnapshot zones = snap;
        MultiRodZones(zones, *H, settings, res);
    } else {
        for (MultiRodPair &p : res.pairs)
            p.Hc_a = p.Rc_a = p.Hc_b = p.Rc_b = p.L_H = std::nullopt;
    }
    res.objects.resize(snap.objects.size());
    d.pairs = std::move(res.pairs);
    d.objects = std::move(res.objects);
    d.rcx.assign(snap.objects.size() * d.pairs.size(), std::nullopt);
    if (!H || !(*H > 0))
        return d;
    const DoubleRodLimits lim = limitsOf(settings);
    for (size_t o = 0; o < snap.objects.size(); ++o) {
        const Zone z = zoneOf(snap.objects[o].Zona);
        const double hx = snap.objects[o].Hx.value_or(0);
        for (size_t p = 0; p < d.pairs.size(); ++p) {
            const MultiRodPair &pr = d.pairs[p];
            if (z == Zone::None || pr.useAs2 || !PairHasCommonZone(*H, pr.L, z, lim))
                continue;
            const OptD r = PairRcx(*H, pr.L, z, hx, lim);
            if (r && *r > 0)
                d.rcx[o * d.pairs.size() + p] = r;
        }
    }
    return d;
}

void drawMultiRodTop(Canvas &c, const PlanScale &s, const std::vector<QPointF> &rodsM,
                     const std::vector<QPoint> &rodsPx, const MultiRodDrawing &d,
                     const ProjectSnapshot &snap, const DrawingSettings &ds,
                     const std::string &suffix)
{
    const int n = static_cast<int>(rodsPx.size());
    if (n < 2 || snap.conductors.empty())
        return;
    const ConductorRec &c1 = snap.conductors.front();
    const QColor moColor = ds.conductorColor();
    const auto pairIndex = [n](int i, int j) { return MultiRodPairIndex(n, i, j); };
    const auto zonePen = [&](const QColor &col) {
        c.setPen(col, ds.zonePen(suffix));
        c.setClearBrush();
    };
    // Waisted outlines for the pairs with a waist, circles around the rods in none of them.
    const auto outline = [&](double r, const std::vector<OptD> &waist) {
        std::vector<char> inPair(n, 0);
        for (size_t p = 0; p < d.pairs.size() && p < waist.size(); ++p) {
            if (!waist[p])
                continue;
            const MultiRodPair &pr = d.pairs[p];
            inPair[pr.i] = inPair[pr.j] = 1;
            drawWaisted(c, s, rodsM[pr.i].x(), rodsM[pr.i].y(), rodsM[pr.j].x(), rodsM[pr.j].y(), r,
                        *waist[p]);
        }
        for (int k = 0; k < n; ++k)
            if (!inPair[k])
                drawCircle(c, s, rodsPx[k], r);
    };

    // Ground level: the triangles whose three pairs have a common zone are shaded, then the
    // outlines of every pair and lone rod.
    for (const bool zoneA : {true, false}) {
        const OptD ro = conductorField(c1, zoneA ? "Ro_a" : "Ro_b", suffix);
        if (!ro || d.empty())
            continue;
        c.setLayer(layerOf(zoneA));
        std::vector<OptD> waist(d.pairs.size());
        for (size_t p = 0; p < d.pairs.size(); ++p)
            waist[p] = groundWaist(d.pairs[p], zoneA);
        for (int a = 0; a < n; ++a)
            for (int b = a + 1; b < n; ++b)
                for (int t = b + 1; t < n; ++t)
                    if (waist[pairIndex(a, b)] && waist[pairIndex(a, t)] && waist[pairIndex(b, t)])
                        shadeTriangle(c, rodsPx, a, b, t, moColor, Qt::BDiagPattern);
        zonePen(moColor);
        outline(*ro, waist);
    }

    // At each object's height: the zone of the element that protects it — a pair's common zone,
    // the nearer rod(s) of a pair acting as two single rods, or a triangle (shaded) with its
    // three pairs' common zones.
    for (size_t o = 0; o < snap.objects.size() && o < d.objects.size(); ++o) {
        const ObjectRec &obj = snap.objects[o];
        const OptD rx = objectField(obj, "Rx", suffix);
        const MultiRodObject &el = d.objects[o];
        if (!hasZone(obj) || !rx || el.by == MultiRodElement::None)
            continue;
        c.setLayer(layerOf(isZoneA(obj)));
        const QColor col = objectColor(obj);
        if (el.by == MultiRodElement::Triangle) {
            shadeTriangle(c, rodsPx, el.rods[0], el.rods[1], el.rods[2], col, Qt::FDiagPattern);
            zonePen(col);
            for (const auto &[u, v] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 2}}) {
                const int p = pairIndex(el.rods[u], el.rods[v]);
                const OptD w = d.pairRcx(o, p);
                const MultiRodPair &pr = d.pairs[p];
                if (w)
                    drawWaisted(c, s, rodsM[pr.i].x(), rodsM[pr.i].y(), rodsM[pr.j].x(),
                                rodsM[pr.j].y(), *rx, *w);
            }
            continue;
        }
        zonePen(col);
        const int p = pairIndex(el.rods[0], el.rods[1]);
        const MultiRodPair &pr = d.pairs[p];
        const OptD w = d.pairRcx(o, p);
        if (!pr.useAs2 && w) {
            drawWaisted(c, s, rodsM[pr.i].x(), rodsM[pr.i].y(), rodsM[pr.j].x(), rodsM[pr.j].y(),
                        *rx, *w);
        } else {
            // The nearer rod of the pair (NumMO 1 or 2 of the pair, 12 both).
            const int num = obj.NumMO.value_or(12);
            if (num == 1 || num == 12)
                drawCircle(c, s, rodsPx[pr.i], *rx);
            if (num == 2 || num == 12)
                drawCircle(c, s, rodsPx[pr.j], *rx);
        }
    }
}

void drawMultiRodFront(Canvas &c, const PlanScale &s, const std::vector<int> &axisX, int ground,
                       const MultiRodDrawing &d, const ProjectSnapshot &snap,
                       const DrawingSettings &ds, const std::string &suffix)
{
    const int n = static_cast<int>(axisX.size());
    if (n < 2 || snap.conductors.empty())
        return;
    const ConductorRec &c1 = snap.conductors.front();
    c.setPen(ds.conductorColor(), ds.zonePen(suffix));
    c.setClearBrush();
    int left = 0, right = 0;
    for (int k = 1; k < n; ++k) {
        if (axisX[k] < axisX[left])
            left = k;
        if (axisX[k] > axisX[right])
            right = k;
    }
    for (const bool zoneA : {true, false}) {
        const OptD ho = conductorField(c1, zoneA ? "Ho_a" : "Ho_b", suffix);
        const OptD ro = conductorField(c1, zoneA ? "Ro_a" : "Ro_b", suffix);
        if (!ho || !ro)
            continue;
        c.setLayer(layerOf(zoneA));
        const int R = s.px(*ro);
        const int apexY = ground - s.px(*ho);
        std::vector<char> inPair(n, 0);
        for (const MultiRodPair &p : d.pairs) {
            const OptD rc = groundWaist(p, zoneA);
            if (!rc)
                continue;
            inPair[p.i] = inPair[p.j] = 1;
            const OptD hc = zoneA ? p.Hc_a : p.Hc_b;
            // Rods standing one behind the other show no dip between them.
            if (std::abs(axisX[p.i] - axisX[p.j]) <= 2 * ds.halfMarker())
                continue;
            c.polyline({QPoint(axisX[p.i], apexY),
                        QPoint((axisX[p.i] + axisX[p.j]) / 2, ground - s.px(*hc)),
                        QPoint(axisX[p.j], apexY)});
        }
        // The outer slopes of the group, and a cone for every rod in no common zone.
        c.line(axisX[left], apexY, axisX[left] - R, ground);
        c.line(axisX[right], apexY, axisX[right] + R, ground);
        for (int k = 0; k < n; ++k)
            if (!inPair[k]) {
                c.line(axisX[k], apexY, axisX[k] - R, ground);
                c.line(axisX[k], apexY, axisX[k] + R, ground);
            }
    }
}

} // namespace kv
