#include "calc/alignment.h"

#include "calc/numfmt.h"
#include "calc/snap.h"

namespace kv {

const char *alignPointText(int index)
{
    static const char *const texts[kAlignPointCount] = {
        "левый верхний угол",     "правый верхний угол",      "правый нижний угол",
        "левый нижний угол",      "центр",                    "середина левой стороны",
        "середина верхней стороны", "середина правой стороны", "середина нижней стороны",
    };
    return index >= 0 && index < kAlignPointCount ? texts[index] : "";
}

PlanPoint alignPointOf(double mxa, double mya, double l, double s, AlignPoint p)
{
    const double hl = round2(l / 2), hs = round2(s / 2);
    switch (p) {
    case AlignPoint::TopLeft: return {mxa, mya};
    case AlignPoint::TopRight: return {mxa + l, mya};
    case AlignPoint::BottomRight: return {mxa + l, mya + s};
    case AlignPoint::BottomLeft: return {mxa, mya + s};
    case AlignPoint::Center: return {mxa + hl, mya + hs};
    case AlignPoint::LeftMiddle: return {mxa, mya + hs};
    case AlignPoint::TopMiddle: return {mxa + hl, mya};
    case AlignPoint::RightMiddle: return {mxa + l, mya + hs};
    case AlignPoint::BottomMiddle: return {mxa + hl, mya + s};
    }
    return {mxa, mya};
}

PlanPoint alignPointOf(const ObjectRec &o, AlignPoint p)
{
    return alignPointOf(o.MXa.value_or(0), o.MYa.value_or(0), o.L.value_or(0), o.S.value_or(0), p);
}

PlanPoint alignOffset(const ObjectRec &o, AlignPoint p)
{
    const PlanPoint q = alignPointOf(0, 0, o.L.value_or(0), o.S.value_or(0), p);
    return q;
}

double snapNonNegative(double v, double step)
{
    const double r = snapToGrid(v, step);
    return r < 0 ? 0.0 : r;
}

PlanPoint alignConductorTo(const ObjectRec &o, PlanPoint c, int horizontal, int vertical,
                           double step)
{
    const double mxa = o.MXa.value_or(0), mya = o.MYa.value_or(0);
    const double l = o.L.value_or(0), s = o.S.value_or(0);
    PlanPoint r = c;
    switch (horizontal) {
    case 1: r.x = snapNonNegative(mxa, step); break;
    case 2: r.x = snapNonNegative(mxa + round2(l / 2), step); break;
    case 3: r.x = snapNonNegative(mxa + l, step); break;
    default: break;
    }
    switch (vertical) {
    case 1: r.y = snapNonNegative(mya, step); break;
    case 2: r.y = snapNonNegative(mya + round2(s / 2), step); break;
    case 3: r.y = snapNonNegative(mya + s, step); break;
    default: break;
    }
    return r;
}

PlanPoint alignObjectToConductor(const ObjectRec &o, AlignPoint p, PlanPoint c, double step)
{
    const PlanPoint off = alignOffset(o, p);
    return {snapNonNegative(c.x - off.x, step), snapNonNegative(c.y - off.y, step)};
}

PlanPoint alignObjectToObject(const ObjectRec &aligned, AlignPoint p, const ObjectRec &binding,
                              AlignPoint q, double step)
{
    const PlanPoint target = alignPointOf(binding, q);
    const PlanPoint off = alignOffset(aligned, p);
    return {snapNonNegative(target.x - off.x, step), snapNonNegative(target.y - off.y, step)};
}

PlanPoint conductorFromCoords(CoordKind kind, double x, double y, PlanPoint other,
                              const ObjectRec *object, AlignPoint p, double step)
{
    PlanPoint base{0, 0};
    if (kind == CoordKind::RelativeToOther)
        base = other;
    else if (kind == CoordKind::RelativeToObject && object)
        base = alignPointOf(*object, p);
    return {snapNonNegative(base.x + x, step), snapNonNegative(base.y + y, step)};
}

PlanPoint coordsOfConductor(CoordKind kind, PlanPoint c, PlanPoint other, const ObjectRec *object,
                            AlignPoint p)
{
    if (kind == CoordKind::RelativeToOther)
        return {c.x - other.x, c.y - other.y};
    if (kind == CoordKind::RelativeToObject && object) {
        const PlanPoint q = alignPointOf(*object, p);
        return {c.x - q.x, c.y - q.y};
    }
    return c;
}

double coordStepUp(std::optional<double> v, double step) { return v.value_or(0) + step; }

double coordStepDown(std::optional<double> v, double step, bool absolute)
{
    const double x = v.value_or(0);
    if (!v)
        return 0;
    if (absolute && !(x > step))
        return x;
    return x - step;
}

double stepUp(std::optional<double> v, double step) { return v ? *v + step : step; }

double stepDown(std::optional<double> v, double step)
{
    if (!v || *v == 0)
        return step;
    if (*v > step)
        return *v - step;
    return *v;
}

} // namespace kv
