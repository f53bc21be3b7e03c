#pragma once
// Snapping a plan position to the invisible grid step (metres). The grid is laid out inside each
// whole metre: with a step of 0.25 a value snaps to .00, .25, .50 or .75 of its metre; a
// remainder of exactly half a step rounds up; for negative values the remainder never rounds up.

namespace kv {

double snapToGrid(double x, double step);

} // namespace kv
