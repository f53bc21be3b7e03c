#pragma once
// Approximate height selection: the height each object needs from the conductor at its present
// position, and the whole-project selection that stores the design height and its zone values.
//
// The per-object routines (ObjectHeight*) are pure, allocation-free and side-effect free; the
// placement search calls them for every candidate point.

#include <string>
#include <vector>

#include "calc/records.h"
#include "calc/zones.h"

namespace kv {

// An object as the height routines see it: the rectangle with its top-left corner at (Xa, Ya),
// L along x, S along y, height Hx, and its zone type.
struct ObjGeom {
    double Xa = 0, Ya = 0, L = 0, S = 0, Hx = 0;
    Zone zone = Zone::None;
};
// Builds the geometry from an object row; a missing number counts as 0.
ObjGeom objGeomOf(const ObjectRec &obj);

// Labels of the governing point and of what its distance is measured from. The pointers refer
// to static texts ("A", "B", "C", "D", "AB", "BC", "CD", "AD"; "Ось", "МО1", "МО2").
inline constexpr const char *kPointLabels[8] = {"A", "B", "C", "D", "AB", "BC", "CD", "AD"};
inline constexpr const char *kOriginAxis = "Ось";
inline constexpr const char *kOriginRod1 = "МО1";
inline constexpr const char *kOriginRod2 = "МО2";

// The height one object needs. ok is false when no conductor height of the type can protect the
// object (its governing point is beyond the reach of any zone A conductor); H and R then carry
// no meaning and must not be stored.
struct ObjectHeight {
    bool ok = false;
    double H = 0;                 // required height
    double R = 0;                 // governing distance
    const char *PointOt = nullptr; // double rod: "Ось", "МО1", "МО2"
    const char *PointDo = nullptr; // double rod: governing point label
    int Rejim = 0;                 // double rod: regime 1, 2 or 3
    int NumMO = 0;                 // two single rods: 1, 2 or 12
    const char *PointDo1 = nullptr; // two single rods: governing point label
};

// Single rod at `rod`: the largest rounded corner distance and the height it needs.
ObjectHeight ObjectHeightRod(const ObjGeom &obj, Pt rod);
// Catenary between the supports s1, s2: the largest SegmentDistance of the corners.
ObjectHeight ObjectHeightCable(const ObjGeom &obj, Pt s1, Pt s2);
// Double rod under the common-zone model: corners and midline crossings, regimes 1 to 3.
// Fills H, R, PointOt, PointDo, Rejim (Hprior is the same H).
ObjectHeight ObjectHeightDoubleRod(const ObjGeom &obj, Pt rod1, Pt rod2,
                                   const DoubleRodLimits &lim);
// Each rod acting alone. Fills H, R, NumMO, PointDo1.
ObjectHeight ObjectHeightTwoRods(const ObjGeom &obj, Pt rod1, Pt rod2);

// The running best of the double-rod point analysis.
struct DoubleRodBest {
    double h = 0;
    double dist = 0;
    const char *origin = nullptr;
    const char *label = nullptr;
    int regime = 0;
    bool unreachable = false; // some point has no admissible height
};
// Height the point P (label) of an object of the given zone and height needs from the double rod
// with span L; replaces `best` when strictly higher.
void PointHeightDoubleRod(Pt P, const char *label, Zone zone, double Hx, double L, Pt rod1,
                          Pt rod2, const DoubleRodLimits &lim, DoubleRodBest &best);

// ---- Messages --------------------------------------------------------------------------------

enum class MessageKind { Error, Info, Warning };
struct CalcMessage {
    MessageKind kind = MessageKind::Info;
    std::string text;
    bool operator==(const CalcMessage &) const = default;
};
using CalcMessages = std::vector<CalcMessage>;

// The fixed note of the main window shown in two-single-rods mode, line by line.
inline constexpr const char *kMemoUseAs2Lines[3] = {"Двойной стержневой молниеотвод ",
                                                   "используется как два одиночных ",
                                                   "стержневых молниеотвода."};
inline constexpr const char *kMsgUseAs2 =
    "Двойной стержневой молниеотвод используется как два одиночных стержневых молниеотвода.";

// One row of the sag table sProves.db: spans Lot < L ≤ Ldo have the sag F.
struct SagRow {
    OptD Lot, Ldo, F;
};
// The sag for span L from the first matching row; 3 m with the error message when none matches.
double SagForSpan(double L, const std::vector<SagRow> &sagTable, CalcMessages &messages);

// ---- Whole-project operations over a snapshot -------------------------------------------------
// Each works on the conductor rows (position 1, position 2) and the object rows of the snapshot
// in their order, writes the results into them and appends the messages to show, in order.

// The error message for the objects no conductor height of the type protects (none: nothing).
void ReportUnreachable(const std::vector<const ObjectRec *> &objs, CalcMessages &messages);
// The warning for two supports (cable) or two rods standing in one point.
void ReportCoincident(bool cable, CalcMessages &messages);

// Empties the chosen-construction fields of one conductor row.
void ClearChosenMO(ConductorRec &mo);

// Stores the design height H and its zone values (design set, suffix "").
void RodZones(ProjectSnapshot &snap, double H);
void CableZones(ProjectSnapshot &snap, double H, const std::vector<SagRow> &sagTable,
                CalcMessages &messages);
void DoubleRodZones(ProjectSnapshot &snap, double H, const SettingsRec &settings);

// What the main window shows after a selection.
struct PodborResult {
    bool ran = false;        // false: the project has no objects (nothing changed)
    OptD designHeight;       // the stored design height
    bool showMemoUseAs2 = false; // the two-single-rods note is visible (double rod)
};

PodborResult PodborRod(ProjectSnapshot &snap, CalcMessages &messages);
PodborResult PodborCable(ProjectSnapshot &snap, const std::vector<SagRow> &sagTable,
                         CalcMessages &messages);
PodborResult PodborDoubleRod(ProjectSnapshot &snap, const SettingsRec &settings,
                             CalcMessages &messages);
// Runs the selection of the project's conductor type (TipMO); nothing for an unknown type.
PodborResult AutoPodbor(ProjectSnapshot &snap, const SettingsRec &settings,
                        const std::vector<SagRow> &sagTable, CalcMessages &messages);

// Visibility of the two-single-rods note for a stored project: double rod with ChkUseAs2 true.
bool MemoUseAs2Visible(const ProjectRec &project);

} // namespace kv
