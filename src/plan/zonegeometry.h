#pragma once
// Geometric constructions shared by the zone overlay and the zone pictures: the stadium and
// waisted outlines around two supports and the sagging cable arc of the front view.

#include "plan/canvas.h"
#include "plan/plancoords.h"

#include <QPoint>
#include <optional>

namespace kv {

// Outline of radius r (metres) around the supports P1, P2 (metres), converted with px one
// coordinate at a time: the two half circles facing away from each other, joined by straight
// sides (stadium), or with the sides broken at the midpoint at the half-width rc (waisted).
void drawStadium(Canvas &c, const PlanScale &s, double x1, double y1, double x2, double y2, double r);
void drawWaisted(Canvas &c, const PlanScale &s, double x1, double y1, double x2, double y2, double r,
                 double rc);
// Circle of radius r (metres) around a centre given in pixels.
void drawCircle(Canvas &c, const PlanScale &s, QPoint centre, double r);

// Circle through the cable ends P1, P3 and its lowest point Pm, built from the slope of the
// chord P1-Pm in whole degrees. nullopt when the construction degenerates (no sag, a slope that
// rounds to 0 degrees, or ends that are not left and right of the lowest point).
struct CableCircle {
    int x = 0;
    int y = 0;
    int r = 0;
};
std::optional<CableCircle> cableCircle(QPoint p1, QPoint pm, QPoint p3);

// The point of the circle below the centre at column x (clamped to the circle).
QPoint lowerCirclePoint(const CableCircle &cc, int x);

// Draws the lower arc of the cable circle between the rays through `from` and `to`; when the
// circle degenerates, the cable is drawn as the two straight chords P1-Pm-P3.
void drawCable(Canvas &c, QPoint p1, QPoint pm, QPoint p3, std::optional<QPoint> rayFrom,
               std::optional<QPoint> rayTo);

} // namespace kv
