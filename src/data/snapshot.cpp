#include "data/snapshot.h"

#include "data/transaction.h"

#include <string>
#include <string_view>

namespace kv {

namespace {

void get(const Table &t, const char *f, OptD &v) { v = t.value(f).optDouble(); }
void get(const Table &t, const char *f, OptI &v) { v = t.value(f).optInt(); }
void get(const Table &t, const char *f, OptS &v) { v = t.value(f).optText(); }
void get(const Table &t, const char *f, OptB &v) { v = t.value(f).optBool(); }

bool isKey(const char *name) { return std::string_view(name) == "Kod" || std::string_view(name) == "Kod0"; }

template <typename Rec>
Rec readRecord(const Table &t)
{
    Rec r;
    forEachField(r, [&](const char *f, auto &member) { get(t, f, member); });
    return r;
}

// Every field except the keys.
template <typename Rec>
void writeRecord(Table &t, const Rec &r)
{
    forEachField(r, [&](const char *f, const auto &member) {
        if (!isKey(f))
            setOptional(t, f, member);
    });
}

} // namespace

ProjectRec readProject(const Table &t) { return readRecord<ProjectRec>(t); }
ConductorRec readConductor(const Table &t) { return readRecord<ConductorRec>(t); }
ObjectRec readObject(const Table &t) { return readRecord<ObjectRec>(t); }
SettingsRec readSettings(const Table &t) { return readRecord<SettingsRec>(t); }

void writeProject(Table &t, const ProjectRec &r) { writeRecord(t, r); }
void writeConductor(Table &t, const ConductorRec &r) { writeRecord(t, r); }
void writeObject(Table &t, const ObjectRec &r) { writeRecord(t, r); }
void writeSettings(Table &t, const SettingsRec &r) { writeRecord(t, r); }

ProjectSnapshot loadCurrentProject(DataModule &dm)
{
    // Three files read as one moment: never half of another program's commit.
    ReadLock lock(dm);
    ReadScope scope({&dm.project(), &dm.mo(), &dm.object()});
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
