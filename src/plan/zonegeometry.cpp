#include "plan/zonegeometry.h"

#include <cmath>

namespace kv {

namespace {

struct Sides {
    QPoint a1, b1, a2, b2;
    int x1, y1, x2, y2, d;
    double exact; // d before rounding, for vector copies
    double st, ct;
};

// A length in pixels before rounding.
double exactPx(const PlanScale &s, double x) { return x * 100.0 / s.n() * kPixelsPerCm; }

Sides sides(const PlanScale &s, double x1, double y1, double x2, double y2, double r)
{
    const double th = dirAngle(x1, y1, x2, y2) * M_PI / 180.0;
    Sides o;
    o.st = std::sin(th);
    o.ct = std::cos(th);
    o.a1 = QPoint(s.px(x1 + r * o.st), s.px(y1 - r * o.ct));
    o.b1 = QPoint(s.px(x1 - r * o.st), s.px(y1 + r * o.ct));
    o.a2 = QPoint(s.px(x2 + r * o.st), s.px(y2 - r * o.ct));
    o.b2 = QPoint(s.px(x2 - r * o.st), s.px(y2 + r * o.ct));
    o.x1 = s.px(x1);
    o.y1 = s.px(y1);
    o.x2 = s.px(x2);
    o.y2 = s.px(y2);
    o.d = s.px(r);
    o.exact = exactPx(s, r);
    return o;
}

void arcs(Canvas &c, const Sides &o)
{
    c.arc(o.x1 - o.d, o.y1 - o.d, o.x1 + o.d, o.y1 + o.d, o.a1, o.b1, o.exact);
    c.arc(o.x2 - o.d, o.y2 - o.d, o.x2 + o.d, o.y2 + o.d, o.b2, o.a2, o.exact);
}

} // namespace

void drawCircle(Canvas &c, const PlanScale &s, QPoint centre, double r)
{
    const int d = s.px(r);
    if (d <= 0)
        return;
    c.setClearBrush();
    c.circle(centre, d, exactPx(s, r));
}

void drawStadium(Canvas &c, const PlanScale &s, double x1, double y1, double x2, double y2, double r)
{
    const Sides o = sides(s, x1, y1, x2, y2, r);
    if (o.d <= 0)
        return;
    arcs(c, o);
    c.line(o.a1.x(), o.a1.y(), o.a2.x(), o.a2.y());
    c.line(o.b1.x(), o.b1.y(), o.b2.x(), o.b2.y());
}

void drawWaisted(Canvas &c, const PlanScale &s, double x1, double y1, double x2, double y2, double r,
                 double rc)
{
    const Sides o = sides(s, x1, y1, x2, y2, r);
    if (o.d <= 0)
        return;
    arcs(c, o);
    const double mx = (x1 + x2) / 2;
    const double my = (y1 + y2) / 2;
    const QPoint mp(s.px(mx + rc * o.st), s.px(my - rc * o.ct));
    const QPoint mm(s.px(mx - rc * o.st), s.px(my + rc * o.ct));
    c.polyline({o.a1, mp, o.a2});
    c.polyline({o.b1, mm, o.b2});
}

std::optional<CableCircle> cableCircle(QPoint p1, QPoint pm, QPoint p3)
{
    if (pm.x() <= p1.x() || p3.x() <= pm.x() || pm.y() <= p1.y())
        return std::nullopt;
    const double thetaDeg = std::nearbyint(
        std::atan(static_cast<double>(pm.y() - p1.y()) / (pm.x() - p1.x())) * 180.0 / M_PI);
    if (thetaDeg <= 0 || thetaDeg >= 90)
        return std::nullopt;
    const double k1 = std::tan((90.0 - thetaDeg) * M_PI / 180.0);
    const double k2 = std::tan((90.0 + thetaDeg) * M_PI / 180.0);
    const double mx1 = std::nearbyint((p1.x() + pm.x()) / 2.0);
    const double my1 = std::nearbyint((p1.y() + pm.y()) / 2.0);
    const double mx2 = std::nearbyint((pm.x() + p3.x()) / 2.0);
    const double my2 = std::nearbyint((p3.y() + pm.y()) / 2.0);
    const double X = std::nearbyint((k1 * mx1 + (my2 - my1) - k2 * mx2) / (k1 - k2));
    const double Y = std::nearbyint(my1 + k1 * (mx1 - X));
    if (!std::isfinite(X) || !std::isfinite(Y) || std::fabs(X) > PlanScale::kPxLimit
        || std::fabs(Y) > PlanScale::kPxLimit)
        return std::nullopt;
    CableCircle cc{static_cast<int>(X), static_cast<int>(Y), pm.y() - static_cast<int>(Y)};
    if (cc.r <= 0)
        return std::nullopt;
    return cc;
}

QPoint lowerCirclePoint(const CableCircle &cc, int x)
{
    const double dx = x - cc.x;
    const double q = static_cast<double>(cc.r) * cc.r - dx * dx;
    return QPoint(x, cc.y + static_cast<int>(std::nearbyint(std::sqrt(q > 0 ? q : 0))));
}

void drawCable(Canvas &c, QPoint p1, QPoint pm, QPoint p3, std::optional<QPoint> rayFrom,
               std::optional<QPoint> rayTo)
{
    const auto cc = cableCircle(p1, pm, p3);
    if (!cc) {
        c.polyline({p1, pm, p3});
        return;
    }
    const QPoint from = rayFrom ? *rayFrom : lowerCirclePoint(*cc, p1.x());
    const QPoint to = rayTo ? *rayTo : lowerCirclePoint(*cc, p3.x());
    c.arc(cc->x - cc->r, cc->y - cc->r + 1, cc->x + cc->r, cc->y + cc->r + 1, from, to);
}

} // namespace kv
