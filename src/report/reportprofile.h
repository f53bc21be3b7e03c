#pragma once
// A report profile: a row of report.DB, what a report contains and how its document is set up.

#include "calc/records.h"

#include <array>
#include <string>

namespace kv {

class Table;

struct ReportProfile {
    OptI Kod;
    std::string Name;
    bool ProjName = false, ProjHar = false;
    bool ObjTabObHar = false, ObjPrimObHar = false;
    bool ObjTabMOHar = false, ObjPrimMOHar = false, ObjPrimClass = false, ObjScoreMOHar = false;
    bool MOTabRasHar = false, MOPrimRasHar = false, MOScoreRasHar = false;
    bool MOTabSelHar = false, MOPrimSelHar = false, MOScoreSelHar = false;
    bool MOTabRadZon = false, MOPrimRadZon = false, MOScoreRadZon = false;
    bool CherVidSverhuPod = false, PrimVidSverhuPod = false;
    bool CherVidPrymoPod = false, PrimVidPrymoPod = false;
    bool CherVidSverhu = false, PrimVidSverhu = false;
    bool CherVidPrymo = false, PrimVidPrymo = false;
    bool ProvSfera = false; // the rolling-sphere check section
    bool CherVid3D = false; // the zones in three dimensions
    // The project's underlay beneath the top drawings, when it is shown in the project window.
    bool CherPodlozhka = false;
    std::string WordDoc, PaperSize, PaperOrient, PageNum;
    OptI TopMargin, BottomMargin, LeftMargin, RightMargin, HeaderDistance, FooterDistance;

    // A profile with every part and the usual A4 portrait page (the values of "Полный отчет").
    static ReportProfile full();
};

// The content flags by field name, in the order of the table layout.
struct ProfileFlag {
    const char *field;
    bool ReportProfile::*member;
};
const std::array<ProfileFlag, 28> &profileFlags();
// The check boxes that depend on a parent box (the parent first), in the dialog's order.
struct DependentFlags {
    const char *parent;
    std::array<const char *, 3> dependents; // nullptr after the last
};
const std::array<DependentFlags, 9> &dependentFlags();

// The current row of report.DB (every empty boolean is false).
ReportProfile readProfile(const Table &report);
// Writes every field except the key into the current row (edit or insert state).
void writeProfile(Table &report, const ReportProfile &p);

// The name of the full profile of a fresh data folder.
inline constexpr const char *kFullProfileName = "Полный отчет";

// Page set-up values: millimetres to points as mm × 2.836, ties to even; empty counts as 0.
int marginPoints(const OptI &mm);

} // namespace kv
