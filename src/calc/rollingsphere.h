#pragma once
// The rolling-sphere check of the air terminations: for protection level I, II, III or IV a
// sphere of radius 20, 30, 45 or 60 m rests on the ground or on the terminations and cannot
// pass through them; every point of an object it can touch is exposed.
//
// A sphere centre C is admissible when C.z >= R and C is at least R from every termination. A
// point P is exposed when some admissible C has |C - P| <= R (touching counts as exposed). An
// object is protected when its distance to the admissible region exceeds R; the depth is R minus
// that distance, reached at the reported point. Other objects never shield an object.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "calc/podbor.h"
#include "calc/records.h"

namespace kv
{

inline constexpr int kSphereLevelCount = 4;
// Sphere radius of protection level 0..3 (levels I..IV): 20, 30, 45, 60 m.
double SphereRadius(int level);
// "I", "II", "III", "IV"; nullptr outside 0..3.
const char *SphereLevelName(int level);
// The level of a name "I".."IV" (-1: none).
int SphereLevelOf(const std::string &name);

struct SpherePoint {
    double x = 0, y = 0, z = 0;
};
// A vertical rod from the ground (x, y, 0) up to the height h.
struct SphereRod {
    double x = 0, y = 0, h = 0;
};
// A cable between two support tops; it hangs as a parabola through both tops whose lowest-sag
// point lies `sag` below the chord at mid-span.
struct SphereCable {
    SpherePoint a, b;
    double sag = 0;
};
struct SphereTerminations {
    std::vector<SphereRod> rods;
    std::vector<SphereCable> cables;
};
// An object: the box of its plan rectangle x1..x2, y1..y2 from the ground up to hx. A zero
// footprint is a vertical segment.
struct SphereObject {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, hx = 0;
};

struct SphereLevelResult {
    bool isProtected = true;
    std::optional<SpherePoint> point; // exposed: the object's point the sphere reaches deepest
    double depth = 0;                 // exposed: how far the sphere reaches into the object
    // How much closer than found the sphere's centres may still come to the object (metres): at
    // most kSphereCertainty when the certificate completed, more when it stopped at its budget.
    double gap = 0;
    // Exposed only because the budget ran out before the reach could be ruled out (the safe
    // side); the depth is then 0 and the point the nearest one found.
    bool unresolved = false;
};
struct SphereObjectResult {
    std::array<SphereLevelResult, kSphereLevelCount> levels;
};
struct SphereResult {
    std::vector<SphereObjectResult> objects;
    int bestLevel = -1; // the best (lowest-numbered) level protecting every object; -1: none
};

// The certified error of the distance of an object to the sphere's centres (metres): the
// distance found is that of an admissible centre and no admissible centre is nearer by more than
// this, unless the search stopped at its budget of plan cells (reported as the level's gap).
inline constexpr double kSphereCertainty = 0.001;
// The certificate's budget: plan cells evaluated per object and level.
inline constexpr int kSphereCellBudget = 100000;

// The largest error of the cable's modelled curve against the parabola (metres): decisions are
// exact for every object whose distance to the sphere's reach differs from R by more than this.
inline constexpr double kSphereCableTolerance = 0.001;

// The air terminations of a project: every conductor row as a rod of height H for the rod
// types (single, double, multiple rod); for a catenary, the two supports as rods of height Hop
// and the cable between their tops with the sag Hop - H (the sag table's sag for the span when
// the stored heights do not give it). `chosen`: the chosen construction's fields (suffix "1")
// where they are filled. Missing positions or heights count as 0.
SphereTerminations SphereTerminationsOf(const ProjectSnapshot &snap,
                                        const std::vector<SagRow> &sagTable = {},
                                        bool chosen = false);
// Every object row of the snapshot, in row order (a missing number counts as 0).
std::vector<SphereObject> SphereObjectsOf(const ProjectSnapshot &snap);
SphereObject SphereObjectOf(const ObjectRec &obj);

// The lowest admissible sphere centre on the vertical line through the plan point (x, y): the
// height at which a sphere of radius R coming down from above comes to rest there (on the
// ground, a rod or the cable). Every height above it is admissible except, under a high
// cable, the tube around the cable.
double SphereLowestCentre(const SphereTerminations &terms, double R, double x, double y);

// The same for many plan points: the terminations prepared once at the radius R.
class SphereCentreField
{
public:
    SphereCentreField(const SphereTerminations &terms, double R);
    ~SphereCentreField();
    SphereCentreField(const SphereCentreField &) = delete;
    SphereCentreField &operator=(const SphereCentreField &) = delete;

    double lowest(double x, double y) const;
    double radius() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// One object at the sphere radius R.
SphereLevelResult SphereCheckObject(const SphereTerminations &terms, const SphereObject &obj,
                                    double R);
// Every object at every level. `progress` is called after each object with (done, total); when
// it returns false the check stops and the result holds the objects done so far (bestLevel -1).
SphereResult SphereCheck(const SphereTerminations &terms, const std::vector<SphereObject> &objects,
                         const std::function<bool(int done, int total)> &progress = {});
// The best level of per-object results: the lowest level every object is protected at.
int SphereBestLevel(const std::vector<SphereObjectResult> &objects);

// The program's limit of a rod height, metres.
inline constexpr double kSphereMaxRodHeight = 150;
// Rod conductors: the least common height of all rods, in hundredths of a metre up to the
// program's limit, at which every object is protected at `level`. Nothing when none is, when
// the project has no objects or when its conductor is not of a rod type.
std::optional<double> SphereRodHeight(const ProjectSnapshot &snap, int level);
// The same for rods at the given plan positions.
std::optional<double> SphereRodHeight(const std::vector<Pt> &rods,
                                      const std::vector<SphereObject> &objects, int level);

} // namespace kv
