#pragma once
// Placement ranges turned into candidate points, the exclusion test of sub-ranges, and the
// required height of a candidate position for the three conductor types. Pure and
// allocation-free in the per-point functions; the searches over these live in
// placementsearch.h.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "calc/podbor.h"
#include "calc/zones.h"

namespace kv {

// An exclusion sub-range: a rectangle whose bounds belong to it when their flag is true ("+").
struct SubRange {
    double X1 = 0, X2 = 0, Y1 = 0, Y2 = 0;
    bool VklX1 = true, VklX2 = true, VklY1 = true, VklY2 = true;
};

// A placement range: the rectangle [X1, X2] × [Y1, Y2] walked with the steps DX, DY.
struct PlacementRange {
    std::string DiapName; // complex conductors only
    double X1 = 0, X2 = 0, DX = 1, Y1 = 0, Y2 = 0, DY = 1;
    std::vector<SubRange> subranges;
};

// Number of values lo, lo + step, lo + step + step, ... (a running sum) that stay ≤ hi. A step
// that is not a positive finite number yields no values, and the walk ends where adding the
// step no longer moves the sum, so the count is always finite.
std::int64_t axisCount(double lo, double hi, double step);
// The values themselves, produced by the same accumulation.
std::vector<double> axisValues(double lo, double hi, double step);
// The count without walking: an upper estimate used to refuse absurd sizes before any work.
double axisCountEstimate(double lo, double hi, double step);

// True when the sub-range excludes the point (all four bound tests hold).
bool excludes(const SubRange &s, double x, double y);
// True when no sub-range of the list excludes the point.
bool admissible(const std::vector<SubRange> &subs, double x, double y);

// The candidate points of a range in visiting order (x outer, y inner) with their admissibility.
struct RangeGrid {
    std::vector<double> xs, ys;
    std::vector<unsigned char> ok; // ok[i * ny + j] for xs[i], ys[j]
    std::int64_t nx() const { return static_cast<std::int64_t>(xs.size()); }
    std::int64_t ny() const { return static_cast<std::int64_t>(ys.size()); }
    std::int64_t size() const { return nx() * ny(); }
    Pt point(std::int64_t k) const { return {xs[k / ny()], ys[k % ny()]}; }
    bool admissibleAt(std::int64_t k) const { return ok[k] != 0; }
};
RangeGrid makeGrid(const PlacementRange &r);

// ---- Required height of a position -----------------------------------------------------------

enum class PlacementKind { SingleRod, DoubleRod, Cable };

// Height of a position at which some object cannot be protected at all.
inline constexpr double kUnreachable = std::numeric_limits<double>::infinity();

// What the required height depends on: the conductor type, the zoned objects in table order
// (objects without a zone letter are left out) and the double-rod span limits.
struct PlacementModel {
    PlacementKind kind = PlacementKind::SingleRod;
    std::vector<ObjGeom> objects;
    DoubleRodLimits limits;
};

// Builds the object list from the project rows: every object with a zone letter, in order.
std::vector<ObjGeom> zonedObjects(const std::vector<ObjectRec> &objects);
// The placement kind of a conductor type string; SingleRod for an unknown type.
PlacementKind placementKindOf(const std::string &tipMO);

// The required height at a rod position p1 (single rod; p2 ignored) or of the support pair
// (p1, p2): the largest object height, starting from 0. kUnreachable when some object cannot be
// protected from that position. For a double rod, a pair whose span exceeds A3 or B2 times the
// common-zone height is rated as two separate rods.
double requiredHeight(const PlacementModel &m, Pt p1, Pt p2);

// Per-worker working storage of requiredHeightBounded, sized once for the object list.
struct EvalScratch {
    explicit EvalScratch(std::size_t objectCount);
    std::vector<int> order;             // evaluation order, a permutation of object indices
    std::vector<unsigned char> point;   // double rod: the point (0..7) that governed each object
    std::vector<int> boundOrder;        // object order of heightLowerBound
};

// The same with early exit: returns the exact height when it is below `bound`; otherwise some
// value ≥ bound (the point cannot beat a best of `bound`). The object that ends a point early is
// moved to the front of the evaluation order, since it is likely to end the next point too; for
// a double rod the point of an object that governed it last gives a cheap lower bound of its
// height. The result never depends on the scratch contents.
double requiredHeightBounded(const PlacementModel &m, Pt p1, Pt p2, double bound,
                             EvalScratch &scratch);

// ---- Lower bounds over a block of candidates -------------------------------------------------

// An axis-aligned rectangle of candidate positions.
struct Box {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// A lower bound of the required height at every position of `box`: of the rod there (single
// rod), or of the pair with one support at `fixed` and the other there (two supports; the bound
// does not depend on which support is which). Never above the height requiredHeight gives for
// any such position; 0 when nothing can be said. It rests on every point of an object needing
// at least the single-rod height (cable: catenary height) of its distance to the segment between
// the supports, which is at least its distance to the hull of `fixed` and the box.
// The objects are taken in `order` (a permutation of their indices, or table order when null),
// and the walk ends as soon as the bound reaches `reach`; the object that ended it then moves to
// the front of the order.
double heightLowerBound(const PlacementModel &m, Pt fixed, const Box &box,
                        double reach = kUnreachable, int *order = nullptr);

} // namespace kv
