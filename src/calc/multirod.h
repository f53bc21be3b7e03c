#pragma once
// The multiple rod conductor: N >= 2 rods of one common height H. Its zone is made of the zones
// of the rods taken in pairs; each pair has the common zone of a double rod of the same two rods
// and height, and the area inside a triangle of rods is protected at an object's height when all
// three pairs around it have a common zone there with a positive half-width.
//
// An object is protected by a pair (as the double rod of those two rods protects it, or by the
// nearer rod of the two when the pair acts as two single rods) or by a triangle (the whole top
// outline inside the triangle). Its required height is the least over the pairs and triangles;
// the design height is the largest over the objects. With two rods every stored value is the
// double rod's. The README section on the multiple rod states the procedure in full.

#include <string>
#include <vector>

#include "calc/podbor.h"

namespace kv
{

inline constexpr const char *kMsgMultiRodTooFew =
    "Ошибка. Многократный стержневой молниеотвод должен иметь не менее двух опор.";

// The rod pairs (i < j, in the order (0,1), (0,2), ..., (1,2), ...) and the triangles
// (i < j < k, in lexicographic order) of n rods.
int MultiRodPairCount(int n);
int MultiRodPairIndex(int n, int i, int j); // i != j, either order

// Middle-of-span values of one pair at the height H, computed as the double rod stores them
// (empty where the regime table leaves them empty or the pair acts as two single rods).
struct MultiRodPair {
    int i = 0, j = 0; // rods, conductor row indices
    double L = 0;     // span, rounded
    OptD L_H;         // round2(L / H)
    OptD Hc_a, Rc_a, Hc_b, Rc_b;
    bool useAs2 = false;  // the pair acts as two single rods
    double Hneed = 0;     // largest height needed by the objects it governs (0: none)
    bool governs = false; // some object is governed by the pair or by a triangle on it
    OptI regimeA, regimeB; // the regime of each zone present at the design height
    // The same at the chosen construction's height (empty before a choice).
    OptD L_H1, Hc_a1, Rc_a1, Hc_b1, Rc_b1;
};

enum class MultiRodElement { None, Pair, Triangle };

// What protects one object.
struct MultiRodObject {
    MultiRodElement by = MultiRodElement::None; // None: no zone, or unreachable
    int rods[3] = {-1, -1, -1};                 // the pair's two rods, or the triangle's three
    bool unreachable = false;
    OptD H;   // the required height
    OptD Rcx; // at the design height: the pair's half-width, or the least of the triangle's
    OptD Rcx1; // the same at the chosen construction's height
};

struct MultiRodResult {
    PodborResult podbor;
    bool refused = false; // fewer than two rods
    std::vector<MultiRodPair> pairs;
    std::vector<MultiRodObject> objects; // in object row order
};

// The zone values of the design height H for the rows and objects of the snapshot, given the
// pairs' modes and the governing elements (as PodborMultiRod leaves them in `res`). With two rods
// this is DoubleRodZones. Fills the pairs' middle-of-span values and the objects' Rcx in `res`.
void MultiRodZones(ProjectSnapshot &snap, double H, const SettingsRec &settings,
                   MultiRodResult &res);

// The values of the chosen construction's height H1 for every pair (its mode kept) and the Rcx1
// of every object by its governing element; with two rods the double rod's chosen values stay
// in the rows and only the pair and element values are filled here.
void MultiRodChosenZones(const ProjectSnapshot &snap, double H1, const SettingsRec &settings,
                         MultiRodResult &res);
// Empties the chosen values of the pairs and elements.
void ClearMultiRodChosen(MultiRodResult &res);

// The approximate selection of a multiple rod over all conductor rows of the snapshot. Fewer
// than two rows: the error message and nothing changed (refused).
MultiRodResult PodborMultiRod(ProjectSnapshot &snap, const SettingsRec &settings,
                              CalcMessages &messages);

// The least height, in hundredths up to the program's limit of 150 m, at which the triangle of
// rods a, b, c protects an object of the zone and height Hx lying inside it: each of the three
// pairs has a common zone there with a positive half-width at Hx. False when none does.
bool TriangleHeight(Pt a, Pt b, Pt c, Zone zone, double Hx, const DoubleRodLimits &lim, double &H);
// Whether the triangle protects at the height H (the test TriangleHeight searches with).
bool TriangleProtects(Pt a, Pt b, Pt c, Zone zone, double Hx, double H, const DoubleRodLimits &lim);
// Whether every corner of the object lies inside the closed triangle (false when degenerate).
bool ObjectInTriangle(const ObjGeom &obj, Pt a, Pt b, Pt c);
// Whether the pair of rods at span L has a common zone of the zone type at the height H:
// a regime applies and the zone height in the middle is positive.
bool PairHasCommonZone(double H, double L, Zone zone, const DoubleRodLimits &lim);
// Whether the pair's common zone at the rod height H covers the object: its corners and the
// midline crossings, each within the zone outline at its place along the span (beyond the rods,
// within the nearer rod's radius).
bool PairCovers(const ObjGeom &obj, Pt rod1, Pt rod2, double H, const DoubleRodLimits &lim);
// The pair's half-width of the common zone at Hx for the rod height H (empty: none).
OptD PairRcx(double H, double L, Zone zone, double Hx, const DoubleRodLimits &lim);

} // namespace kv
