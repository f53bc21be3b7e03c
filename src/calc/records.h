#pragma once
// Plain in-memory copies of the project, conductor, object and settings rows. The calculations,
// the drawing, the report and the placement search work on these snapshots; the data layer
// loads them from the tables and writes results back. An empty (null) field is std::nullopt,
// never 0.

#include <optional>
#include <string>
#include <vector>

namespace kv {

using OptD = std::optional<double>;
using OptI = std::optional<int>;
using OptS = std::optional<std::string>;
using OptB = std::optional<bool>;

// Conductor types as stored in project.TipMO.
inline constexpr const char *kTipSingleRod = "одиночный стержневой молниеотвод";
inline constexpr const char *kTipDoubleRod = "двойной стержневой молниеотвод";
inline constexpr const char *kTipCable = "одиночный тросовый молниеотвод";
// Zone letters (Cyrillic).
inline constexpr const char *kZoneA = "А";
inline constexpr const char *kZoneB = "Б";

enum class ConductorType { SingleRod, DoubleRod, Cable, Unknown };
ConductorType conductorTypeOf(const std::string &tipMO);

struct ProjectRec {
    OptI Kod;
    OptS Name;
    OptI ProdGrozMin;
    OptI ProdGrozMax;
    OptD Udarov;
    OptS ProjOwner;
    OptS ProjDate; // ISO "YYYY-MM-DD"
    OptS ProjTime; // "HH:MM:SS"
    OptS ProjMemo;
    OptI ZonaACnt;
    OptI ZonaBCnt;
    OptS TipMO;
    OptI IScale;
    OptB ChkUseAs2;

    bool operator==(const ProjectRec &) const = default;
};

// One mo.DB row: rod, or catenary support. Fields with suffix 1 belong to the chosen
// catalogue construction.
struct ConductorRec {
    OptI Kod;
    OptI Kod0;
    OptD MX, MY;
    OptD H, Hop, Ho_a, Ho_b, Ro_a, Ro_b, Hc_a, Hc_b, Rc_a, Rc_b;
    OptS Tip, Prim;
    OptD H1, Hop1, Ho_a1, Ho_b1, Ro_a1, Ro_b1, Hc_a1, Hc_b1, Rc_a1, Rc_b1;
    OptD L_H, L_H1;

    bool operator==(const ConductorRec &) const = default;
};

struct ObjectRec {
    OptI Kod;
    OptI Kod0;
    OptS Name;
    OptS SLabel;
    OptS STip;
    OptD MXa, MYa, L, S, Hx;
    OptD N;
    OptI Tip;
    OptI Kateg;
    OptS Zona;
    OptD R, H, Rx, Rcx, Rx1, Rcx1;
    OptI TipPrim;
    OptS ShapeName;
    OptI ObjColor;
    OptI NumMO;
    OptS PointOt, PointDo;
    OptI Rejim;
    OptD Hprior;
    OptS PointDo1;

    bool operator==(const ObjectRec &) const = default;
};

// The settings row (param.db). Empty fields keep their null; defaults are applied by the users.
struct SettingsRec {
    OptD ObjShag;
    OptI ScaleShag;
    OptB ViewParRepForm;
    OptB AutoCreateObjName;
    OptS PodLineStyle;
    OptI PodLineWidth;
    OptS SelLineStyle;
    OptI SelLineWidth;
    OptI MOColor;
    OptS GridLineStyle;
    OptI GridLineWidth;
    OptI GridLineColor;
    OptB UseKlav;
    OptI SizeMO;
    OptI LastProj;
    OptD A1, A2, A3, B1, B2;
    OptB ChkMsgUseAs2;

    bool operator==(const SettingsRec &) const = default;
};

// A whole project as the calculations see it: conductor rows and object rows in key order.
struct ProjectSnapshot {
    ProjectRec project;
    std::vector<ConductorRec> conductors;
    std::vector<ObjectRec> objects;
};

} // namespace kv
