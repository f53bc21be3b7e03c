#pragma once
// The pictures of the placement windows: the height map of a height table, the placement
// scheme (objects, conductor, ranges and sub-ranges on a 5 m grid) and the trajectory scheme of
// the placement diagrams. Plain QImage drawing, shared by the windows and the tests.

#include "calc/placementsearch.h"

#include <QColor>
#include <QImage>
#include <QPoint>

#include <optional>
#include <vector>

namespace kv {

// rnd(v): v rounded to the nearest integer, an exact half to the even one.
int rnd(double v);

// ---- Height map -------------------------------------------------------------------------------

struct HeightMapGeometry {
    int step = 1;         // s: cell size in pixels (n ≤ S) or cells per pixel (n > S)
    bool sampled = false; // n > S: one pixel shows every s-th cell
    int width = 0, height = 0;
};
// Size of the map of a table with nc × nr data cells in a square of `side` pixels (S).
HeightMapGeometry heightMapGeometry(std::int64_t nc, std::int64_t nr, int side);

// Colour of a cell: aqua when empty (NaN), red within the factor k of Hmin, otherwise the
// gradient from white at Hmin to black at Hmax. With Hmax = Hmin the gradient stays white.
QColor heightMapColor(double h, double Hmin, double Hmax, double k);
QImage renderHeightMap(const HeightTable &t, int side, double k);
// The data cell (column, row from 0) under a pixel of the map; nullopt outside the picture.
std::optional<QPoint> heightMapCellAt(const HeightTable &t, int side, QPoint pixel);

// ---- Placement scheme -------------------------------------------------------------------------

struct SchemeObject {
    double MXa = 0, MYa = 0, L = 0, S = 0;
    QColor color;
};
struct SchemeRange {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    QColor color;                 // blue: rod and support 1, green: support 2
    std::vector<SubRange> subranges;
};
struct SchemeInput {
    double scale = 4; // pixels per metre
    bool withConductor = true, withObjects = true, withSubranges = true;
    std::vector<Pt> conductors; // the rod, or both supports
    std::vector<SchemeObject> objects;
    std::vector<SchemeRange> ranges; // the ranges chosen for the picture ("все" or current)
};
QImage renderScheme(const SchemeInput &in);
// The 5 m grid of the scheme with labels every 10 m, drawn on a white picture.
void drawSchemeGrid(QImage &img, double scale);

// ---- Trajectory scheme of the placement diagrams -----------------------------------------------

struct TrajectoryInput {
    double scale = 4;
    std::optional<Pt> fixedSupport;
    std::vector<SchemeObject> objects;
    bool fixedIsY = true;          // the fixed coordinate is Y: horizontal trajectories
    std::vector<double> values;    // the ticked fixed-coordinate values
    double from = 0, to = 0;       // the moving support's range along the trajectory
    double rangeEnd = 0;           // X2 (fixed Y) or Y2 (fixed X) of that range
};
QImage renderTrajectory(const TrajectoryInput &in);

} // namespace kv
