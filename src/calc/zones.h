#pragma once
// Zone formulas of the three conductor types: a single rod, a double rod (two rods of one
// height) and a single catenary. Every function here is pure, allocation-free and safe to call
// from the drawing, the report and the placement search. Intermediates are taken in extended
// precision (long double); every returned length or height is rounded once with round2 unless
// the comment says otherwise.

#include <array>
#include <optional>

#include "calc/records.h"

namespace kv {

// A point of the plan, metres (x to the right, y downwards).
struct Pt {
    double x = 0;
    double y = 0;
};

// Zone type of an object: "Б" is zone B, any other non-empty letter zone A, empty none.
enum class Zone : unsigned char { None, A, B };
Zone zoneOf(const OptS &zona);

// Double-rod span thresholds (multiples of the rod height). Missing settings take the usual
// values 1, 2, 4 (zone A) and 1, 6 (zone B).
struct DoubleRodLimits {
    double A1 = 1, A2 = 2, A3 = 4, B1 = 1, B2 = 6;
};
DoubleRodLimits limitsOf(const SettingsRec &settings);

// ---- Single rod -------------------------------------------------------------------------------

// Zone cone height and ground radius of a rod of height H.
double RodHoA(double H); // round2(0.85·H)
double RodRoA(double H); // round2((1.1 − 0.002·H)·H)
double RodHoB(double H); // round2(0.92·H)
double RodRoB(double H); // round2(1.5·H)
// Radius of protection of a rod of height H at the object height Hx (may be negative).
double RodRxA(double H, double Hx);
double RodRxB(double H, double Hx);
double RodRx(Zone zone, double H, double Hx); // zone B for B, zone A otherwise

// The rod height whose zone radius at height Hx equals R. Zone A has no solution when R exceeds
// the largest radius any rod gives at Hx (nullopt).
std::optional<double> RodHeightA(double R, double Hx);
double RodHeightB(double R, double Hx);

// ---- Single catenary --------------------------------------------------------------------------

double CableHoA(double H); // round2(0.85·H)
double CableRoA(double H); // round2(H·(1.35 − 0.0025·H))
double CableHoB(double H); // round2(0.92·H)
double CableRoB(double H); // round2(1.7·H)
double CableRxA(double H, double Hx);
double CableRxB(double H, double Hx);
double CableRx(Zone zone, double H, double Hx);

std::optional<double> CableHeightA(double R, double Hx);
double CableHeightB(double R, double Hx);

// ---- Geometry shared by the two-support conductors ---------------------------------------------

// round2 of the distance between the two supports (rods).
double SpanLength(Pt p1, Pt p2);

// Foot of the perpendicular from P on the line through p1, p2, and whether it lies strictly
// between them (the "on the axis" test).
struct AxisFoot {
    Pt foot;
    bool between = false;
};
AxisFoot FootOnAxis(Pt P, Pt p1, Pt p2);

// Distance from P to the cable strung between p1 and p2 (rounded): perpendicular when the foot
// falls strictly between the supports, otherwise to the nearer support.
double SegmentDistance(Pt P, Pt p1, Pt p2);

// ---- Double rod middle-of-span values --------------------------------------------------------

// Regime of the common zone for a span L and height H: 1, 2, 3, or 0 when the rods act as two
// single rods for that zone (zone B has regimes 1 and 2 only).
int RegimeA(double H, double L, const DoubleRodLimits &lim);
int RegimeB(double H, double L, const DoubleRodLimits &lim);

// Middle-of-span values of a double rod from the stored (rounded) zone values. A value is empty
// where the regime table leaves it empty.
struct DoubleRodMiddle {
    OptD Hc_a, Rc_a, Hc_b, Rc_b;
};
OptD DoubleRodHcA(double H, double L, double Ho_a, const DoubleRodLimits &lim);
OptD DoubleRodRcA(double H, double L, double Ro_a, const DoubleRodLimits &lim);
OptD DoubleRodHcB(double H, double L, double Ho_b, const DoubleRodLimits &lim);
OptD DoubleRodRcB(double H, double L, double Ro_b, const DoubleRodLimits &lim);

// Half-width of the common zone at the object's height in the middle of the span. The inputs are
// the stored values of the conductor row and the object's radius Rx. Empty when the zone has no
// common part or when the zone height in the middle is not positive (no division by zero).
struct RcxInput {
    Zone zone = Zone::None;
    double H = 0, L = 0, Hx = 0;
    OptD Rx, Ro_a, Ro_b, Hc_a, Hc_b, Rc_a;
};
OptD DoubleRodRcx(const RcxInput &in, const DoubleRodLimits &lim);

// The two-single-rods rule: true when the largest common-zone height Hmax cannot give a common
// zone for a zone type present in the project.
bool UseAsTwoSingleRods(double Hmax, double L, int zonaACnt, int zonaBCnt,
                        const DoubleRodLimits &lim);

// ---- Double rod inverse (height a point needs) ------------------------------------------------

struct Complex {
    double re = 0;
    double im = 0;
};
// The four roots of c4·H⁴ + c3·H³ + c2·H² + c1·H + c0 = 0; real roots have im exactly 0.
std::array<Complex, 4> QuarticRoots(double c4, double c3, double c2, double c1, double c0);

// Heights that make the point at axis distance r and along-axis distance q (from the nearer rod)
// lie on the zone outline in the given regime. Ph is half the span.
// Zone B has no solution when the discriminant is negative (nullopt).
std::optional<double> ZoneBRegime2Height(double Ph, double q, double Hx, double r);
double ZoneARegime2Height(double Ph, double q, double Hx, double r, double Hmin);
double ZoneARegime3Height(double Ph, double q, double Hx, double r, double Hmin);

// Points where the midline of the rods crosses the sides AB, BC, CD, AD of an object.
struct ObjGeom;
struct Crossings {
    std::array<bool, 4> present{};
    std::array<Pt, 4> pt{};
};
Crossings MidlineCrossings(const ObjGeom &obj, Pt rod1, Pt rod2);

} // namespace kv
