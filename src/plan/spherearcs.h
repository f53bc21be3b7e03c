#pragma once
// The rolling sphere in the front view: the arcs of the sphere of radius R resting between
// neighbouring air terminations and on the ground, as the elevation shows them, and the marks of
// the objects the sphere reaches on the plan. Drawn over the views' background bitmaps.

#include "calc/records.h"
#include "plan/canvas.h"
#include "plan/planview.h"

#include <QImage>
#include <QPointF>

#include <string>
#include <vector>

namespace kv
{

// A termination as the elevation sees it: plan X and the height of its top, metres. Everything
// below a top counts as part of the termination (a rod, a support, the cable seen from the side).
struct ElevationTop {
    double x = 0;
    double z = 0;
};

// The rod tops, support tops and the points of the sagging cable of the project's conductor for
// the field suffix ("" design, "1" chosen), projected onto the elevation.
std::vector<ElevationTop> SphereElevationTops(const ProjectSnapshot &snap,
                                              const std::string &suffix);

// The lowest points the sphere reaches over plan X, sampled every `step` metres (or coarser for
// very long sites): its centre stays at least R above the ground and at least R from every top.
// One polyline (metres, z up) for each stretch where the sphere stays above the ground; each
// stretch begins and ends on the ground.
std::vector<std::vector<QPointF>> SphereReach(const std::vector<ElevationTop> &tops, double R,
                                              double step);

// Draws the arcs with the sphere pen: plan X maps to originX + px(x), height z to
// groundY - px(z).
void DrawSphereArcs(Canvas &c, const PlanScale &scale, int originX, int groundY,
                    const std::vector<ElevationTop> &tops, double R, const DrawingSettings &ds);
// The project window's front bitmap: the ground lies on the model's ground line.
void DrawSphereArcs(QImage &front, const PlanViewModel &model,
                    const std::vector<ElevationTop> &tops, double R);

// Marks the named shapes of the top bitmap as reached by the sphere: corner brackets in the
// sphere colour just outside each shape, where the shape painted over the bitmap leaves them
// visible.
void DrawExposedMarks(QImage &top, const PlanViewModel &model,
                      const std::vector<std::string> &shapes);

} // namespace kv
