#include "plan/spherearcs.h"

#include "plan/recordfields.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv
{

namespace
{

double val(const OptD &v)
{
    return v.value_or(0.0);
}

// The longest stretch of plan X sampled in full; a longer site is sampled more coarsely.
constexpr int kMaxSamples = 2000;

} // namespace

std::vector<ElevationTop> SphereElevationTops(const ProjectSnapshot &snap,
                                              const std::string &suffix)
{
    std::vector<ElevationTop> tops;
    if (snap.conductors.empty())
        return tops;
    const ConductorRec &c1 = snap.conductors.front();
    // A row without its own value takes the first row's, as the front picture does.
    auto field = [&](const ConductorRec &c, const char *base) {
        const OptD v = conductorField(c, base, suffix);
        return v ? v : conductorField(c1, base, suffix);
    };
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    if (type != ConductorType::Cable) {
        for (const ConductorRec &c : snap.conductors)
            if (const OptD h = field(c, "H"))
                tops.push_back({val(c.MX), *h});
        if (type == ConductorType::SingleRod && tops.size() > 1)
            tops.resize(1);
        return tops;
    }
    // The cable: both support tops and the parabola between them that sags by Hop - H midway.
    const ConductorRec &c2 = snap.conductors.back();
    const OptD hop1 = field(c1, "Hop"), hop2 = field(c2, "Hop"), h = field(c1, "H");
    if (!hop1 || !hop2)
        return tops;
    const double x1 = val(c1.MX), x2 = val(c2.MX);
    const double sag = h ? std::max(0.0, *hop1 - *h) : 0.0;
    constexpr int kCablePoints = 64;
    for (int i = 0; i <= kCablePoints; ++i) {
        const double t = static_cast<double>(i) / kCablePoints;
        const double z = *hop1 + (*hop2 - *hop1) * t - 4 * sag * t * (1 - t);
        tops.push_back({x1 + (x2 - x1) * t, z});
    }
    return tops;
}

std::vector<std::vector<QPointF>> SphereReach(const std::vector<ElevationTop> &tops, double R,
                                              double step)
{
    std::vector<std::vector<QPointF>> out;
    if (tops.empty() || !(R > 0) || !std::isfinite(R))
        return out;
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const ElevationTop &t : tops) {
        lo = std::min(lo, t.x);
        hi = std::max(hi, t.x);
    }
    // Past R beyond the outer tops the sphere lies on the ground.
    lo -= R;
    hi += R;
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return out;
    if (!(step > 0) || (hi - lo) / step > kMaxSamples)
        step = (hi - lo) / kMaxSamples;
    const int n = static_cast<int>(std::ceil((hi - lo) / step)) + 1;

    // The lowest admissible centre height over each sample: R above the ground, and clear of
    // every top (and of what stands below it) by R.
    std::vector<double> centre(static_cast<std::size_t>(n), R);
    for (int i = 0; i < n; ++i) {
        const double cx = lo + i * step;
        for (const ElevationTop &t : tops) {
            const double dx = cx - t.x;
            if (std::fabs(dx) < R)
                centre[static_cast<std::size_t>(i)] =
                    std::max(centre[static_cast<std::size_t>(i)], t.z + std::sqrt(R * R - dx * dx));
        }
    }
    const int reach = static_cast<int>(std::floor(R / step));
    std::vector<QPointF> run;
    for (int i = 0; i < n; ++i) {
        const double x = lo + i * step;
        double low = std::numeric_limits<double>::max();
        for (int j = std::max(0, i - reach); j <= std::min(n - 1, i + reach); ++j) {
            const double dx = (j - i) * step;
            low = std::min(low, centre[static_cast<std::size_t>(j)] -
                                    std::sqrt(std::max(0.0, R * R - dx * dx)));
        }
        low = std::max(0.0, low);
        if (low > 1e-9) {
            if (run.empty() && i > 0)
                run.emplace_back(x - step, 0.0);
            run.emplace_back(x, low);
        } else if (!run.empty()) {
            run.emplace_back(x, 0.0);
            out.push_back(std::move(run));
            run.clear();
        }
    }
    if (!run.empty())
        out.push_back(std::move(run));
    return out;
}

void DrawSphereArcs(Canvas &c, const PlanScale &scale, int originX, int groundY,
                    const std::vector<ElevationTop> &tops, double R, const DrawingSettings &ds)
{
    // One pixel of the plan is the natural sampling step of the drawing.
    const double pixel = scale.n() / (100.0 * kPixelsPerCm);
    c.setPen(ds.sphereColour(), ds.spherePen);
    c.setClearBrush();
    for (const std::vector<QPointF> &run : SphereReach(tops, R, pixel)) {
        QPoint prev;
        bool first = true;
        for (const QPointF &p : run) {
            const QPoint q(originX + scale.px(p.x()), groundY - scale.px(p.y()));
            if (!first && q != prev)
                c.line(prev.x(), prev.y(), q.x(), q.y());
            if (first || q != prev)
                prev = q;
            first = false;
        }
    }
}

void DrawSphereArcs(QImage &front, const PlanViewModel &model,
                    const std::vector<ElevationTop> &tops, double R)
{
    if (front.isNull())
        return;
    Canvas c(front);
    DrawSphereArcs(c, model.scale(), 0, model.groundLine(), tops, R, model.settings());
}

void DrawExposedMarks(QImage &top, const PlanViewModel &model,
                      const std::vector<std::string> &shapes)
{
    if (top.isNull())
        return;
    Canvas c(top);
    c.setSolidPen(model.settings().sphereColour(), 2);
    c.setClearBrush();
    for (const std::string &name : shapes) {
        const PlanShape *s = model.shape(name);
        if (!s || !s->visible)
            continue;
        // Corners 4 pixels outside the shape, arms 6 pixels long (shorter on a small shape).
        const QRect r = s->rect.adjusted(-4, -4, 3, 3);
        const int a = std::clamp(std::min(r.width(), r.height()) / 3, 3, 8);
        const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
        c.polyline({{l, t + a}, {l, t}, {l + a, t}});
        c.polyline({{rt - a, t}, {rt, t}, {rt, t + a}});
        c.polyline({{rt, b - a}, {rt, b}, {rt - a, b}});
        c.polyline({{l + a, b}, {l, b}, {l, b - a}});
    }
}

} // namespace kv
