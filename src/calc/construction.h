#pragma once
// Choosing a real conductor construction from the catalogue: the zone values of the chosen
// construction at the project's conductor positions (fields with the suffix "1") and the radii it
// gives at every object's height; and the command that empties them again.

#include <string>
#include <vector>

#include "calc/podbor.h"

namespace kv {

// The construction row picked in the catalogue window: its type designation, the name of its
// group and its height (rod height, or support height for a catenary).
struct ChosenConstruction {
    std::string Tip;
    std::string Prim;
    double H = 0;
};

// What the report and the windows say of an object that the chosen construction does not protect
// (its radius at the object's height would be negative, so none is stored).
inline constexpr const char *kTextOutsideChosenZone = "вне зоны защиты выбранного молниеотвода";

// Writes the chosen values of the project's conductor type. The design fields are not touched.
// The two-single-rods mode is taken from the project's stored ChkUseAs2.
void ChooseConstruction(ProjectSnapshot &snap, const ChosenConstruction &chosen,
                        const SettingsRec &settings, const std::vector<SagRow> &sagTable,
                        CalcMessages &messages);

// The clearing command: empties the chosen fields of every conductor row and Rx1 (and Rcx1) of
// every object. The caller runs AutoPodbor afterwards when "Автоподбор" is ticked.
void ClearChosenConstruction(ProjectSnapshot &snap);

} // namespace kv
