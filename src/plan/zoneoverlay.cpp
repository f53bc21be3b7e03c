#include "plan/zoneoverlay.h"

#include "plan/canvas.h"
#include "plan/multirodzones.h"
#include "plan/recordfields.h"
#include "plan/zonegeometry.h"

#include <cstdlib>

namespace kv {

namespace {

QColor objectColor(const ObjectRec &o)
{
    return o.ObjColor ? colorFromRgbInt(*o.ObjColor) : QColor(192, 192, 192);
}

// Front marker geometry in content pixels: axis x, top T and ground g.
struct FrontMarker {
    int axis = 0;
    int top = 0;
    int ground = 0;
};

FrontMarker frontMarker(const PlanViewModel &model, const char *name)
{
    const PlanShape *s = model.shape(name);
    FrontMarker m;
    if (!s)
        return m;
    m.axis = s->rect.left() + model.settings().halfMarker();
    m.top = s->rect.top();
    m.ground = s->rect.top() + s->rect.height();
    return m;
}

QPoint topCentre(const PlanViewModel &model, const char *name)
{
    const PlanShape *s = model.shape(name);
    const int g = model.settings().halfMarker();
    return s ? QPoint(s->rect.left() + g, s->rect.top() + g) : QPoint();
}

const ConductorRec &first(const ProjectSnapshot &snap) { return snap.conductors.front(); }
const ConductorRec &last(const ProjectSnapshot &snap) { return snap.conductors.back(); }

double mx(const ConductorRec &c) { return c.MX.value_or(0); }
double my(const ConductorRec &c) { return c.MY.value_or(0); }

void setZonePen(Canvas &c, const QColor &color, const DrawingSettings &ds, const std::string &suffix)
{
    c.setPen(color, ds.zonePen(suffix));
    c.setClearBrush();
}

// Slopes of a two-support zone: outer sides to the ground, support 1 on the left unless its MX
// is greater than support 2's.
void outerSlopes(Canvas &c, const ProjectSnapshot &snap, const FrontMarker &m1, const FrontMarker &m2,
                 QPoint top1, QPoint top2, int R)
{
    const bool normal = mx(first(snap)) <= mx(last(snap));
    c.line(top1.x(), top1.y(), normal ? m1.axis - R : m1.axis + R, m1.ground);
    c.line(top2.x(), top2.y(), normal ? m2.axis + R : m2.axis - R, m2.ground);
}

} // namespace

void DrawZonesSingleRod(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                        const std::string &suffix)
{
    model.RedrawGrids(views.top, views.front, views.topSize);
    if (snap.conductors.empty())
        return;
    const DrawingSettings &ds = model.settings();
    const PlanScale &s = model.scale();
    const ConductorRec &c1 = first(snap);
    {
        Canvas c(views.top);
        const QPoint centre = topCentre(model, kShapeMO);
        setZonePen(c, ds.conductorColor(), ds, suffix);
        for (const char *f : {"Ro_a", "Ro_b"}) {
            if (const OptD r = conductorField(c1, f, suffix))
                drawCircle(c, s, centre, *r);
        }
        for (const ObjectRec &o : snap.objects) {
            if (const OptD rx = objectField(o, "Rx", suffix)) {
                setZonePen(c, objectColor(o), ds, suffix);
                drawCircle(c, s, centre, *rx);
            }
        }
    }
    Canvas c(views.front);
    setZonePen(c, ds.conductorColor(), ds, suffix);
    const FrontMarker m = frontMarker(model, kShapeMO_1);
    const OptD h = conductorField(c1, "H", suffix);
    for (const auto &[hoName, roName] : {std::pair{"Ho_a", "Ro_a"}, std::pair{"Ho_b", "Ro_b"}}) {
        const OptD ho = conductorField(c1, hoName, suffix);
        const OptD ro = conductorField(c1, roName, suffix);
        if (!ho || !ro || !h)
            continue;
        const QPoint apex(m.axis, m.top + s.px(*h - *ho));
        const int R = s.px(*ro);
        c.line(apex.x(), apex.y(), m.axis - R, m.ground);
        c.line(apex.x(), apex.y(), m.axis + R, m.ground);
    }
}

void DrawZonesCatenary(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                       const std::string &suffix)
{
    model.RedrawGrids(views.top, views.front, views.topSize);
    if (snap.conductors.empty())
        return;
    const DrawingSettings &ds = model.settings();
    const PlanScale &s = model.scale();
    const ConductorRec &c1 = first(snap);
    const ConductorRec &c2 = last(snap);
    {
        Canvas c(views.top);
        c.setPen(ds.gridColor(), ds.gridPen);
        c.line(s.px(mx(c1)), s.px(my(c1)), s.px(mx(c2)), s.px(my(c2)));
        setZonePen(c, ds.conductorColor(), ds, suffix);
        for (const char *f : {"Ro_a", "Ro_b"}) {
            if (const OptD r = conductorField(c1, f, suffix))
                drawStadium(c, s, mx(c1), my(c1), mx(c2), my(c2), *r);
        }
        for (const ObjectRec &o : snap.objects) {
            if (const OptD rx = objectField(o, "Rx", suffix)) {
                setZonePen(c, objectColor(o), ds, suffix);
                drawStadium(c, s, mx(c1), my(c1), mx(c2), my(c2), *rx);
            }
        }
    }
    Canvas c(views.front);
    setZonePen(c, ds.conductorColor(), ds, suffix);
    const FrontMarker m1 = frontMarker(model, kShapeMO_1);
    const FrontMarker m2 = frontMarker(model, kShapeMO1_1);
    const int g = ds.halfMarker();
    const OptD hop = conductorField(c1, "Hop", suffix);
    const OptD h = conductorField(c1, "H", suffix);
    if (std::abs(m1.axis - m2.axis) > 2 * g) {
        const FrontMarker &l = m1.axis <= m2.axis ? m1 : m2;
        const FrontMarker &r = m1.axis <= m2.axis ? m2 : m1;
        const QPoint p1(l.axis, l.top + 1);
        const QPoint p3(r.axis, r.top + 1);
        const int sag = hop && h ? s.px(*hop) - s.px(*h) : 0;
        const QPoint pm((m1.axis + m2.axis) / 2, m1.top + sag + 1);
        drawCable(c, p1, pm, p3, std::nullopt, std::nullopt);
    }
    for (const auto &[hoName, roName] : {std::pair{"Ho_a", "Ro_a"}, std::pair{"Ho_b", "Ro_b"}}) {
        const OptD ho = conductorField(c1, hoName, suffix);
        const OptD ro = conductorField(c1, roName, suffix);
        if (!ho || !ro)
            continue;
        const int r = s.px(*ho);
        const int R = s.px(*ro);
        const int hop1 = hop ? s.px(*hop) : m1.ground - m1.top;
        const OptD hop2v = conductorField(c2, "Hop", suffix);
        const int hop2 = hop2v ? s.px(*hop2v) : hop1;
        const QPoint top1(m1.axis, m1.top + hop1 - r);
        const QPoint top2(m2.axis, m2.top + hop2 - r);
        outerSlopes(c, snap, m1, m2, top1, top2, R);
        c.line(top1.x(), top1.y(), top2.x(), top2.y());
    }
}

void DrawZonesDoubleRod(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                        const std::string &suffix)
{
    model.RedrawGrids(views.top, views.front, views.topSize);
    if (snap.conductors.empty())
        return;
    const DrawingSettings &ds = model.settings();
    const PlanScale &s = model.scale();
    const ConductorRec &c1 = first(snap);
    const ConductorRec &c2 = last(snap);
    const bool as2 = snap.project.ChkUseAs2.value_or(false);
    const QPoint t1 = topCentre(model, kShapeMO);
    const QPoint t2 = topCentre(model, kShapeMO1);
    {
        Canvas c(views.top);
        // Without a waist value the zone has no common part midway: two separate circles.
        auto outline = [&](double r, OptD rc) {
            if (as2 || !rc) {
                drawCircle(c, s, t1, r);
                drawCircle(c, s, t2, r);
            } else {
                drawWaisted(c, s, mx(c1), my(c1), mx(c2), my(c2), r, *rc);
            }
        };
        setZonePen(c, ds.conductorColor(), ds, suffix);
        for (const auto &[ro, rc] : {std::pair{"Ro_a", "Rc_a"}, std::pair{"Ro_b", "Rc_b"}}) {
            if (const OptD r = conductorField(c1, ro, suffix))
                outline(*r, conductorField(c1, rc, suffix));
        }
        for (const ObjectRec &o : snap.objects) {
            const OptD rx = objectField(o, "Rx", suffix);
            if (!rx)
                continue;
            setZonePen(c, objectColor(o), ds, suffix);
            if (as2) {
                const int num = o.NumMO.value_or(0);
                if (num == 1 || num == 12)
                    drawCircle(c, s, t1, *rx);
                if (num == 2 || num == 12)
                    drawCircle(c, s, t2, *rx);
            } else {
                outline(*rx, objectField(o, "Rcx", suffix));
            }
        }
    }
    Canvas c(views.front);
    setZonePen(c, ds.conductorColor(), ds, suffix);
    const FrontMarker m1 = frontMarker(model, kShapeMO_1);
    const FrontMarker m2 = frontMarker(model, kShapeMO1_1);
    const OptD h = conductorField(c1, "H", suffix);
    if (!h)
        return;
    const int r = s.px(*h);
    for (const auto &[hoName, roName, hcName] :
         {std::tuple{"Ho_a", "Ro_a", "Hc_a"}, std::tuple{"Ho_b", "Ro_b", "Hc_b"}}) {
        const OptD ho = conductorField(c1, hoName, suffix);
        const OptD ro = conductorField(c1, roName, suffix);
        if (!ho || !ro)
            continue;
        const int sh = s.px(*ho);
        const int p = s.px(*ro);
        const QPoint apex1(m1.axis, m1.top + r - sh);
        const QPoint apex2(m2.axis, m2.top + r - sh);
        const OptD hc = conductorField(c1, hcName, suffix);
        if (as2 || !hc) {
            for (const auto &[apex, m] : {std::pair{apex1, m1}, std::pair{apex2, m2}}) {
                c.line(apex.x(), apex.y(), m.axis - p, m.ground);
                c.line(apex.x(), apex.y(), m.axis + p, m.ground);
            }
            continue;
        }
        outerSlopes(c, snap, m1, m2, apex1, apex2, p);
        const QPoint mid((m1.axis + m2.axis) / 2, m2.top + r - s.px(*hc));
        c.polyline({apex1, mid, apex2});
    }
}

void DrawZonesMultiRod(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
                       const std::string &suffix)
{
    if (snap.conductors.size() == 2) {
        DrawZonesDoubleRod(views, model, snap, suffix);
        return;
    }
    model.RedrawGrids(views.top, views.front, views.topSize);
    if (snap.conductors.empty())
        return;
    const PlanScale &s = model.scale();
    const MultiRodDrawing d = multiRodDrawing(snap, model.settings().calc, suffix);
    std::vector<QPointF> rodsM;
    std::vector<QPoint> rodsPx;
    std::vector<int> axis;
    for (const ConductorRec &rc : snap.conductors) {
        rodsM.push_back(QPointF(mx(rc), my(rc)));
        rodsPx.push_back(QPoint(s.px(mx(rc)), s.px(my(rc))));
        axis.push_back(s.px(mx(rc)));
    }
    {
        Canvas c(views.top);
        drawMultiRodTop(c, s, rodsM, rodsPx, d, snap, model.settings(), suffix);
    }
    const PlanShape *marker = model.shape(kShapeMO_1);
    const int ground = marker ? frontMarker(model, kShapeMO_1).ground : model.groundLine();
    Canvas c(views.front);
    drawMultiRodFront(c, s, axis, ground, d, snap, model.settings(), suffix);
}

void DrawZones(ViewBitmaps &views, const PlanViewModel &model, const ProjectSnapshot &snap,
               const std::string &suffix)
{
    switch (conductorTypeOf(snap.project.TipMO.value_or(""))) {
    case ConductorType::SingleRod:
        DrawZonesSingleRod(views, model, snap, suffix);
        break;
    case ConductorType::Cable:
        DrawZonesCatenary(views, model, snap, suffix);
        break;
    case ConductorType::DoubleRod:
        DrawZonesDoubleRod(views, model, snap, suffix);
        break;
    case ConductorType::MultiRod:
        DrawZonesMultiRod(views, model, snap, suffix);
        break;
    default:
        model.RedrawGrids(views.top, views.front, views.topSize);
        break;
    }
}

QImage DrawViewPart(ViewKind view, const QRect &part, QSize topSize, const PlanViewModel &model,
                    const ProjectSnapshot &snap, const std::string *suffix)
{
    ViewBitmaps views;
    views.topSize = topSize;
    const DrawingPart only(model, view, part);
    if (suffix && !snap.conductors.empty())
        DrawZones(views, model, snap, *suffix);
    else
        model.RedrawGrids(views.top, views.front, views.topSize);
    return view == ViewKind::Top ? std::move(views.top) : std::move(views.front);
}

} // namespace kv
