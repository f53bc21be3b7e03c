#pragma once
// Exact positioning of the conductor and the objects: the nine alignment points of an object
// rectangle and the positions the four alignment and coordinate dialogs compute. Every result
// is snapped to the grid step; a negative result becomes 0.

#include "calc/records.h"

namespace kv {

// The alignment points in the order of the dialogs' radio items.
enum class AlignPoint {
    TopLeft, TopRight, BottomRight, BottomLeft, Center, LeftMiddle, TopMiddle, RightMiddle,
    BottomMiddle,
};
inline constexpr int kAlignPointCount = 9;
// The item texts of the points ("левый верхний угол" …), index as in AlignPoint.
const char *alignPointText(int index);

struct PlanPoint {
    double x = 0, y = 0;
};

// The point of a rectangle at (mxa, mya) of size l × s; half sizes are round2(l/2), round2(s/2).
PlanPoint alignPointOf(double mxa, double mya, double l, double s, AlignPoint p);
PlanPoint alignPointOf(const ObjectRec &o, AlignPoint p);
// The point's offset from the rectangle's top-left corner.
PlanPoint alignOffset(const ObjectRec &o, AlignPoint p);

// snap(v) with negatives replaced by 0.
double snapNonNegative(double v, double step);

// Conductor to an object: horizontal 0 none, 1 left edge, 2 centre, 3 right edge; vertical 0
// none, 1 top edge, 2 centre, 3 bottom edge. A "none" keeps that coordinate.
PlanPoint alignConductorTo(const ObjectRec &o, PlanPoint conductor, int horizontal, int vertical,
                           double step);

// The object's new top-left corner so that its point p lies on the conductor.
PlanPoint alignObjectToConductor(const ObjectRec &o, AlignPoint p, PlanPoint conductor,
                                 double step);

// The aligned object's new top-left corner so that its point p lies on point q of the binding one.
PlanPoint alignObjectToObject(const ObjectRec &aligned, AlignPoint p, const ObjectRec &binding,
                              AlignPoint q, double step);

// The coordinate dialog's kinds of coordinates, in the order of its radio items (the middle
// one exists only for a two-position conductor).
enum class CoordKind { Absolute, RelativeToOther, RelativeToObject };

// The conductor position for the typed values x, y: absolute, relative to the other support,
// or relative to point p of an object (other / object ignored when not used).
PlanPoint conductorFromCoords(CoordKind kind, double x, double y, PlanPoint other,
                              const ObjectRec *object, AlignPoint p, double step);
// The values the coordinate fields show for a kind (the inverse of the above, unsnapped).
PlanPoint coordsOfConductor(CoordKind kind, PlanPoint conductor, PlanPoint other,
                            const ObjectRec *object, AlignPoint p);

// The coordinate dialog's step buttons: up adds the step (an empty field counts as 0); down
// subtracts it — for absolute coordinates only when the value exceeds the step.
double coordStepUp(std::optional<double> v, double step);
double coordStepDown(std::optional<double> v, double step, bool absolute);

// The shared step rule of the numeric fields: up gives the step for an empty field, else value +
// step; down gives the step for an empty field or 0, value − step when the value exceeds the
// step, and leaves any other value.
double stepUp(std::optional<double> v, double step);
double stepDown(std::optional<double> v, double step);

} // namespace kv
