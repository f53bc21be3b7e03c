#include "data/snapshot.h"

#include "data/transaction.h"

#include <string>

namespace kv {

namespace {

void get(const Table &t, const char *f, OptD &v) { v = t.value(f).optDouble(); }
void get(const Table &t, const char *f, OptI &v) { v = t.value(f).optInt(); }
void get(const Table &t, const char *f, OptS &v) { v = t.value(f).optText(); }
void get(const Table &t, const char *f, OptB &v) { v = t.value(f).optBool(); }

template <typename T>
void put(Table &t, const char *f, const std::optional<T> &v)
{
    if (v)
        t.setValue(f, Value(*v));
    else
        t.setNull(f);
}

#define KV_PROJECT_FIELDS(X)                                                                      \
    X(Name) X(ProdGrozMin) X(ProdGrozMax) X(Udarov) X(ProjOwner) X(ProjDate) X(ProjTime)         \
    X(ProjMemo) X(ZonaACnt) X(ZonaBCnt) X(TipMO) X(IScale) X(ChkUseAs2)

#define KV_CONDUCTOR_FIELDS(X)                                                                    \
    X(MX) X(MY) X(H) X(Hop) X(Ho_a) X(Ho_b) X(Ro_a) X(Ro_b) X(Hc_a) X(Hc_b) X(Rc_a) X(Rc_b)      \
    X(Tip) X(Prim) X(H1) X(Hop1) X(Ho_a1) X(Ho_b1) X(Ro_a1) X(Ro_b1) X(Hc_a1) X(Hc_b1)          \
    X(Rc_a1) X(Rc_b1) X(L_H) X(L_H1)

#define KV_OBJECT_FIELDS(X)                                                                       \
    X(Name) X(SLabel) X(STip) X(MXa) X(MYa) X(L) X(S) X(Hx) X(N) X(Tip) X(Kateg) X(Zona) X(R)    \
    X(H) X(Rx) X(Rcx) X(Rx1) X(Rcx1) X(TipPrim) X(ShapeName) X(ObjColor) X(NumMO) X(PointOt)     \
    X(PointDo) X(Rejim) X(Hprior) X(PointDo1)

#define KV_SETTINGS_FIELDS(X)                                                                     \
    X(ObjShag) X(ScaleShag) X(ViewParRepForm) X(AutoCreateObjName) X(PodLineStyle)               \
    X(PodLineWidth) X(SelLineStyle) X(SelLineWidth) X(MOColor) X(GridLineStyle)                  \
    X(GridLineWidth) X(GridLineColor) X(UseKlav) X(SizeMO) X(LastProj) X(A1) X(A2) X(A3) X(B1)   \
    X(B2) X(ChkMsgUseAs2)

#define KV_GET(f) get(t, #f, r.f);
#define KV_PUT(f) put(t, #f, r.f);

} // namespace

ProjectRec readProject(const Table &t)
{
    ProjectRec r;
    get(t, "Kod", r.Kod);
    KV_PROJECT_FIELDS(KV_GET)
    return r;
}

ConductorRec readConductor(const Table &t)
{
    ConductorRec r;
    get(t, "Kod", r.Kod);
    get(t, "Kod0", r.Kod0);
    KV_CONDUCTOR_FIELDS(KV_GET)
    return r;
}

ObjectRec readObject(const Table &t)
{
    ObjectRec r;
    get(t, "Kod", r.Kod);
    get(t, "Kod0", r.Kod0);
    KV_OBJECT_FIELDS(KV_GET)
    return r;
}

SettingsRec readSettings(const Table &t)
{
    SettingsRec r;
    KV_SETTINGS_FIELDS(KV_GET)
    return r;
}

void writeProject(Table &t, const ProjectRec &r) { KV_PROJECT_FIELDS(KV_PUT) }
void writeConductor(Table &t, const ConductorRec &r) { KV_CONDUCTOR_FIELDS(KV_PUT) }
void writeObject(Table &t, const ObjectRec &r) { KV_OBJECT_FIELDS(KV_PUT) }
void writeSettings(Table &t, const SettingsRec &r) { KV_SETTINGS_FIELDS(KV_PUT) }

ProjectSnapshot loadCurrentProject(DataModule &dm)
{
    ProjectSnapshot s;
    Table &p = dm.project();
    if (p.isEmpty())
        return s;
    s.project = readProject(p);
    for (Table *t : {&dm.mo(), &dm.object()}) {
        RowKeeper keep(*t);
        for (t->first(); !t->eof(); t->next()) {
            if (t == &dm.mo())
                s.conductors.push_back(readConductor(*t));
            else
                s.objects.push_back(readObject(*t));
        }
    }
    return s;
}

bool locateProject(DataModule &dm, int kod)
{
    return dm.project().locate({{"Kod", Value(kod)}});
}

ProjectSnapshot loadProjectSnapshot(DataModule &dm, int kod)
{
    if (!locateProject(dm, kod))
        throw TableError("Ошибка. Проект с кодом " + std::to_string(kod) + " не найден.");
    return loadCurrentProject(dm);
}

SettingsRec loadSettings(DataModule &dm)
{
    Table &t = dm.param();
    if (!t.isOpen() || t.isEmpty())
        return {};
    t.first();
    return readSettings(t);
}

std::vector<SagRow> loadSagTable(DataModule &dm)
{
    std::vector<SagRow> rows;
    Table &t = dm.table(TableId::SProves);
    RowKeeper keep(t);
    for (t.first(); !t.eof(); t.next()) {
        SagRow r;
        get(t, "Lot", r.Lot);
        get(t, "Ldo", r.Ldo);
        get(t, "F", r.F);
        rows.push_back(r);
    }
    return rows;
}

void storeProjectResults(DataModule &dm, const ProjectSnapshot &s)
{
    // One command: every row or none, and only the fields that changed are written.
    Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object});
    Table &p = dm.project();
    if (!p.isEmpty()) {
        p.edit();
        writeProject(p, s.project);
        p.post();
    }
    auto storeRows = [](Table &t, const auto &recs, auto writer) {
        RowKeeper keep(t);
        for (const auto &r : recs) {
            // The bookmark of a row is its key.
            if (!r.Kod || !t.gotoBookmark(*r.Kod))
                continue;
            t.edit();
            writer(t, r);
            t.post();
        }
    };
    storeRows(dm.mo(), s.conductors, writeConductor);
    storeRows(dm.object(), s.objects, writeObject);
    tx.commit();
}

} // namespace kv
