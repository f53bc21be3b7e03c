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
inline constexpr const char *kTipMultiRod = "многократный стержневой молниеотвод";
// Zone letters (Cyrillic).
inline constexpr const char *kZoneA = "А";
inline constexpr const char *kZoneB = "Б";

enum class ConductorType { SingleRod, DoubleRod, Cable, MultiRod, Unknown };
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

// The fields of each record, listed once in table order with the keys (Kod, Kod0) first:
// forEachField(rec, fn) calls fn(name, member) for every field. The copies between records and
// table rows and the lookup of a field by composed name ("Ro_a" + "1") walk these lists.
#define KV_PROJECT_FIELDS(X)                                                                      \
    X(Kod) X(Name) X(ProdGrozMin) X(ProdGrozMax) X(Udarov) X(ProjOwner) X(ProjDate) X(ProjTime)  \
    X(ProjMemo) X(ZonaACnt) X(ZonaBCnt) X(TipMO) X(IScale) X(ChkUseAs2)
#define KV_CONDUCTOR_FIELDS(X)                                                                    \
    X(Kod) X(Kod0) X(MX) X(MY) X(H) X(Hop) X(Ho_a) X(Ho_b) X(Ro_a) X(Ro_b) X(Hc_a) X(Hc_b)       \
    X(Rc_a) X(Rc_b) X(Tip) X(Prim) X(H1) X(Hop1) X(Ho_a1) X(Ho_b1) X(Ro_a1) X(Ro_b1) X(Hc_a1)    \
    X(Hc_b1) X(Rc_a1) X(Rc_b1) X(L_H) X(L_H1)
#define KV_OBJECT_FIELDS(X)                                                                       \
    X(Kod) X(Kod0) X(Name) X(SLabel) X(STip) X(MXa) X(MYa) X(L) X(S) X(Hx) X(N) X(Tip) X(Kateg)  \
    X(Zona) X(R) X(H) X(Rx) X(Rcx) X(Rx1) X(Rcx1) X(TipPrim) X(ShapeName) X(ObjColor) X(NumMO)   \
    X(PointOt) X(PointDo) X(Rejim) X(Hprior) X(PointDo1)
#define KV_SETTINGS_FIELDS(X)                                                                     \
    X(ObjShag) X(ScaleShag) X(ViewParRepForm) X(AutoCreateObjName) X(PodLineStyle)               \
    X(PodLineWidth) X(SelLineStyle) X(SelLineWidth) X(MOColor) X(GridLineStyle)                  \
    X(GridLineWidth) X(GridLineColor) X(UseKlav) X(SizeMO) X(LastProj) X(A1) X(A2) X(A3) X(B1)   \
    X(B2) X(ChkMsgUseAs2)

#define KV_VISIT_FIELD(f) fn(#f, rec.f);
template <typename Fn> void forEachField(ProjectRec &rec, Fn &&fn) { KV_PROJECT_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(const ProjectRec &rec, Fn &&fn) { KV_PROJECT_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(ConductorRec &rec, Fn &&fn) { KV_CONDUCTOR_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(const ConductorRec &rec, Fn &&fn) { KV_CONDUCTOR_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(ObjectRec &rec, Fn &&fn) { KV_OBJECT_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(const ObjectRec &rec, Fn &&fn) { KV_OBJECT_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(SettingsRec &rec, Fn &&fn) { KV_SETTINGS_FIELDS(KV_VISIT_FIELD) }
template <typename Fn> void forEachField(const SettingsRec &rec, Fn &&fn) { KV_SETTINGS_FIELDS(KV_VISIT_FIELD) }
#undef KV_VISIT_FIELD

// A whole project as the calculations see it: conductor rows and object rows in key order.
struct ProjectSnapshot {
    ProjectRec project;
    std::vector<ConductorRec> conductors;
    std::vector<ObjectRec> objects;
};

} // namespace kv
