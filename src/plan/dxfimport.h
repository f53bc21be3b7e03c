#pragma once
// Objects from a DXF site plan: every closed outline of the chosen layers becomes a rectangular
// object (its axis-aligned bounding rectangle, so a rotated or irregular outline is never less
// protected), every circle a concentrated object below 3 m of diameter and a rectangle around it
// otherwise. Heights and names come from the texts inside. The drawing is moved so that every
// object lies at x, y >= 0 with one grid step of margin; the plan's Y axis points down.

#include "plan/dxfreader.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

class DataModule;

// What the import dialog lists for one layer.
struct DxfLayerSummary {
    std::string name;
    int outlines = 0; // closed polylines
    int circles = 0;
    int texts = 0;
};
std::vector<DxfLayerSummary> summarizeLayers(const DxfDrawing &d);

// Plan metres from drawing units: plan x = unit * X + x, plan y = -unit * Y + y.
struct PlanShift {
    double x = 0;
    double y = 0;
    bool operator==(const PlanShift &) const = default;
};

struct DxfImportOptions {
    std::vector<std::string> layers; // the layers to import
    double metresPerUnit = 1.0;
    double defaultHeight = 10.0;
};

inline constexpr double kConcentratedDiameter = 3.0; // m: a smaller circle is a concentrated object

struct ImportedObject {
    std::string name;
    std::string layer;
    double x = 0, y = 0, L = 0, S = 0; // plan metres: the top-left corner and the sizes
    double Hx = 0;
    int buildingClass = 1;
    bool heightFromText = false;
    bool boundingOnly = false; // a rotated or irregular outline taken as its bounding rectangle
};

struct DxfImportPlan {
    std::vector<ImportedObject> objects;
    int boundingCount = 0; // outlines imported as their bounding rectangles
    int skipped = 0;       // outlines without area
    PlanShift shift;
};

// The objects of the chosen layers at their plan positions. remembered: the shift of an earlier
// import or underlay of the project, kept so that everything lines up; without it the shift puts
// the leftmost and topmost objects one grid step from the axes. Throws DxfRefused when the
// options are unusable or when the remembered shift would put an object below x or y = 0.
DxfImportPlan planDxfImport(const DxfDrawing &d, const DxfImportOptions &opt, double gridStep,
                            const std::optional<PlanShift> &remembered = std::nullopt);

// The height a text gives: a number with "м", "h=" or "H=" before or after it ("12 м", "h=12,5").
std::optional<double> heightFromText(const QString &text);

// The question listing the objects that need no protection (they are left out on "Yes").
std::string noProtectionQuestion(const std::vector<std::string> &names);

// The names of the planned objects that need no protection in the current project (the class
// rule at the project's thunderstorm activity); they are left out of the import.
std::vector<std::string> objectsNeedingNoProtection(DataModule &dm, const DxfImportPlan &plan);
// For each planned object whether it needs protection (and so is entered); two objects may share
// a name.
std::vector<bool> protectionNeeded(DataModule &dm, const DxfImportPlan &plan);

// Enters the planned objects that need protection into the current project, with class and
// evaluation as the object dialog gives them, then counts the zones; returns how many were
// entered. Runs in one transaction (the window's undoable step wraps it): a refused row throws
// and nothing stays.
int enterImportedObjects(DataModule &dm, const DxfImportPlan &plan, double gridStep);

} // namespace kv
