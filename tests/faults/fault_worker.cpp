// The child process of the fault-injection tests: repeats one command over a data folder until it
// is killed, or checks that every project of the folder is whole.
//
//   korvan-fault-worker setup DIR        a folder with the projects the commands work on
//   korvan-fault-worker store DIR        selection results stored at two conductor positions in turn
//   korvan-fault-worker place DIR        range step changed and the placement search stored, as one
//   korvan-fault-worker saveas DIR       copies of the placement project, one after another
//   korvan-fault-worker delete DIR       a copy of the placement project made and deleted, in turn
//   korvan-fault-worker check DIR N      one full check (file integrity too); exit 1 on a fault
//   korvan-fault-worker watch DIR N      checks again and again as a concurrent reader
// N is the object count of every imported project ("Импорт").

#include "workerfolder.h"
#include "calc/placementsearch.h"
#include "calc/podbor.h"
#include "data/datamodule.h"
#include "data/objectops.h"
#include "data/projectops.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "placement/placementdriver.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

using namespace kv;

namespace {

const char *kStoreProject = "Выбор";
const char *kPlaceProject = "Размещение";
const char *kImportProject = "Импорт";
const char *kCopyProject = "Копия";

using kv::faulttest::Folder;
using kv::faulttest::projectKod;

void newProject(DataModule &dm, const char *name, int objects)
{
    Table &p = dm.project();
    p.append();
    p.setValue("Name", name);
    p.setValue("ProdGrozMin", 60);
    p.setValue("ProdGrozMax", 79);
    p.setValue("Udarov", 6.0);
    p.setValue("TipMO", kTipSingleRod);
    p.setValue("IScale", 500);
    p.post();
    dm.mo().append();
    dm.mo().setValue("MX", 50.0);
    dm.mo().setValue("MY", 50.0);
    dm.mo().post();
    for (int i = 0; i < objects; ++i) {
        ObjectEntry e;
        e.name = "Объект " + std::to_string(i + 1);
        e.buildingClass = 1 + i % 3;
        e.x = 5 + (i % 10) * 9;
        e.y = 5 + (i / 10) * 9;
        e.L = 4;
        e.S = 3;
        e.Hx = 3 + i % 7;
        enterObject(dm, e, 1.0, [&](Table &t) {
            t.setValue("Name", e.name);
            t.setValue("SLabel", std::to_string(i + 1));
        });
    }
    CountZones(dm);
}

void storeSelection(DataModule &dm, double mx)
{
    ProjectSnapshot s = loadProjectSnapshot(dm, projectKod(dm, kStoreProject));
    s.conductors[0].MX = mx;
    CalcMessages m;
    AutoPodbor(s, loadSettings(dm), loadSagTable(dm), m);
    storeProjectResults(dm, s);
}

void storePlacement(DataModule &dm, double dx)
{
    locateProject(dm, projectKod(dm, kPlaceProject));
    Transaction tx(dm, {TableId::Diap0, TableId::Diap1});
    Table &ranges = dm.table(TableId::Diap1);
    ranges.first();
    ranges.edit();
    ranges.setValue("DX", dx);
    ranges.post();
    SearchFeedback fb;
    runSingleRodSearch(dm, fb); // its own transaction joins this one
    tx.commit();
}

void setup(const std::string &dir)
{
    createInstallationData(dir);
    Folder f(dir);
    DataModule &dm = f.dm;
    {
        Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object});
        newProject(dm, kStoreProject, 100);
        newProject(dm, kPlaceProject, 30);
        tx.commit();
    }
    Table &v = dm.table(TableId::Diap0);
    v.append();
    v.setValue("Name", "Вариант");
    v.post();
    Table &r = dm.table(TableId::Diap1);
    for (double y1 : {0.0, 20.0}) {
        r.append();
        r.setValue("X1", 0.0);
        r.setValue("X2", 60.0);
        r.setValue("DX", 1.0);
        r.setValue("Y1", y1);
        r.setValue("Y2", y1 + 40);
        r.setValue("DY", 1.0);
        r.post();
    }
    Table &sub = dm.table(TableId::Diap2);
    sub.append();
    sub.setValue("X1", 10.0);
    sub.setValue("X2", 20.0);
    sub.setValue("Y1", 10.0);
    sub.setValue("Y2", 20.0);
    for (const char *flag : {"VklX1", "VklX2", "VklY1", "VklY2"})
        sub.setValue(flag, true);
    sub.post();
    storeSelection(dm, 30);
    storePlacement(dm, 2);
}

// --- The checks ------------------------------------------------------------------------------

std::ostringstream faults;

void fault(const std::string &what) { faults << what << "\n"; }

std::string integrity(const std::string &path)
{
    sqlite3 *db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        out = "cannot open";
    else {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                out += reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        } else {
            out = sqlite3_errmsg(db);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return out;
}

std::set<std::int64_t> columnValues(const std::string &dir, TableId id, const char *col)
{
    const TableDef &def = tableDef(id);
    std::set<std::int64_t> out;
    sqlite3 *db = nullptr;
    sqlite3_open_v2((dir + def.fileName).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt *st = nullptr;
    const std::string sql = std::string("SELECT \"") + col + "\" FROM \"" + sqlTableName(def) + "\"";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            out.insert(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return out;
}

// A detail row whose master is gone is what a half-done import or deletion leaves behind.
void checkNoOrphans(const std::string &dir)
{
    for (TableId id : openingOrder()) {
        const TableDef &def = tableDef(id);
        if (!def.hasMaster())
            continue;
        const auto masters = columnValues(dir, def.master, "Kod");
        for (std::int64_t k : columnValues(dir, id, "Kod0"))
            if (!masters.count(k))
                fault(def.fileName + ": a row of the missing master " + std::to_string(k));
    }
}

bool same(const OptD &a, const OptD &b) { return a == b; }

void checkSelection(DataModule &dm)
{
    const ProjectSnapshot stored = loadProjectSnapshot(dm, projectKod(dm, kStoreProject));
    ProjectSnapshot again = stored;
    CalcMessages m;
    AutoPodbor(again, loadSettings(dm), loadSagTable(dm), m);
    const ConductorRec &a = stored.conductors.at(0);
    const ConductorRec &b = again.conductors.at(0);
    if (!same(a.H, b.H) || !same(a.Ro_a, b.Ro_a) || !same(a.Ro_b, b.Ro_b) || !same(a.Ho_a, b.Ho_a)
        || !same(a.Ho_b, b.Ho_b))
        fault("selection: the conductor's results are not those of its position");
    if (stored.objects.size() != 100)
        fault("selection: " + std::to_string(stored.objects.size()) + " objects");
    for (std::size_t i = 0; i < stored.objects.size(); ++i) {
        const ObjectRec &x = stored.objects[i];
        const ObjectRec &y = again.objects[i];
        if (!same(x.R, y.R) || !same(x.H, y.H) || !same(x.Rx, y.Rx))
            fault("selection: object " + std::to_string(i + 1) + " has results of another position");
    }
}

void checkPlacement(DataModule &dm)
{
    locateProject(dm, projectKod(dm, kPlaceProject));
    Table &variant = dm.table(TableId::Diap0);
    Table &ranges = dm.table(TableId::Diap1);
    variant.first();
    const PlacementModel model = loadPlacementModel(dm);
    const std::vector<PlacementRange> list = loadRanges(ranges, dm.table(TableId::Diap2));
    SearchFeedback fb;
    const SearchOutcome out = searchSingleRod(model, list, fb, Engine::Fast);
    auto matches = [](Table &t, bool found, Pt p, double h) {
        if (!found)
            return t.isNull("X") && t.isNull("Y") && t.isNull("H");
        return t.asDouble("X") == p.x && t.asDouble("Y") == p.y && t.asDouble("H") == h;
    };
    int k = 0;
    for (ranges.first(); !ranges.eof(); ranges.next(), ++k)
        if (!matches(ranges, out.rows.at(static_cast<std::size_t>(k)).found,
                     out.rows[static_cast<std::size_t>(k)].p1, out.rows[static_cast<std::size_t>(k)].H))
            fault("placement: range " + std::to_string(k + 1) + " holds another search's result");
    if (!matches(variant, out.found, out.p1, out.H))
        fault("placement: the variant holds another search's result");
}

// Whether the rows under two masters are the same apart from their keys, the copy's name and the
// shape names, level by level down the project's tables.
void compareTree(DataModule &dm, TableId parent, std::int64_t a, std::int64_t b, std::string &why)
{
    for (TableId child : projectTables()) {
        const TableDef &def = tableDef(child);
        if (!def.hasMaster() || def.master != parent)
            continue;
        Table &t = dm.table(child);
        if (!t.isOpen())
            continue; // a table made only when first needed, and not made here
        const auto ka = t.keysUnder(a);
        const auto kb = t.keysUnder(b);
        if (ka.size() != kb.size()) {
            why += def.fileName + ": " + std::to_string(kb.size()) + " rows instead of "
                   + std::to_string(ka.size()) + "\n";
            continue;
        }
        for (std::size_t i = 0; i < ka.size(); ++i) {
            const auto ra = *t.rowByKey(ka[i]);
            const auto rb = *t.rowByKey(kb[i]);
            for (std::size_t f = 0; f < def.fields.size(); ++f) {
                const std::string &n = def.fields[f].name;
                if (n != "Kod" && n != "Kod0" && n != "ShapeName" && !(ra[f] == rb[f]))
                    why += def.fileName + ": field " + n + " differs\n";
            }
            compareTree(dm, child, ka[i], kb[i], why);
        }
    }
}

void checkCopies(DataModule &dm)
{
    const int source = projectKod(dm, kPlaceProject);
    std::vector<int> copies;
    Table &p = dm.project();
    for (p.first(); !p.eof(); p.next())
        if (p.asText("Name") == kCopyProject)
            copies.push_back(p.asInt("Kod"));
    for (int c : copies) {
        std::string why;
        compareTree(dm, TableId::Project, source, c, why);
        if (!why.empty())
            fault("copy " + std::to_string(c) + " is not whole:\n" + why);
    }
}

void checkImports(DataModule &dm, int objects)
{
    Table &p = dm.project();
    for (p.first(); !p.eof(); p.next()) {
        if (p.asText("Name") != kImportProject)
            continue;
        if (dm.mo().recordCount() != 1 || dm.object().recordCount() != objects)
            fault("import: project " + std::to_string(p.asInt("Kod")) + " has "
                  + std::to_string(dm.mo().recordCount()) + " conductors and "
                  + std::to_string(dm.object().recordCount()) + " objects");
        Table &o = dm.object();
        for (o.first(); !o.eof(); o.next())
            if (o.asText("ShapeName") != "Shape" + std::to_string(o.asInt("Kod")))
                fault("import: an object entered half way");
    }
}

int check(const std::string &dir, int importObjects, bool files)
{
    faults.str("");
    {
        Folder f(dir);
        for (const auto &m : f.prompter.messages)
            fault("opening: " + m.text);
        ReadLock lock(f.dm);
        checkNoOrphans(dir);
        checkSelection(f.dm);
        checkPlacement(f.dm);
        checkImports(f.dm, importObjects);
        checkCopies(f.dm);
    }
    if (files)
        for (TableId id : openingOrder()) {
            // A table made only when first needed may rightly be absent.
            if (tableDef(id).lazy && !std::filesystem::exists(dir + tableDef(id).fileName))
                continue;
            const std::string r = integrity(dir + tableDef(id).fileName);
            if (r != "ok")
                fault(tableDef(id).fileName + ": " + r);
        }
    std::cerr << faults.str();
    return faults.str().empty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::cerr << "usage: korvan-fault-worker setup|store|place|check|watch DIR [N]\n";
        return 2;
    }
    const std::string mode = argv[1];
    std::string dir = argv[2];
    if (dir.back() != '/')
        dir += '/';
    const int n = argc > 3 ? std::atoi(argv[3]) : 0;
    try {
        if (mode == "setup") {
            setup(dir);
            return 0;
        }
        if (mode == "check")
            return check(dir, n, true);
        if (mode == "watch") {
            for (;;)
                if (check(dir, n, false) != 0)
                    return 1;
        }
        Folder f(dir);
        for (int i = 0;; ++i) {
            if (mode == "store")
                storeSelection(f.dm, i % 2 ? 30 : 70);
            else if (mode == "place")
                storePlacement(f.dm, i % 2 ? 2 : 1);
            else if (mode == "saveas" || mode == "delete") {
                locateProject(f.dm, projectKod(f.dm, kPlaceProject));
                copyCurrentProject(f.dm, kCopyProject);
                if (mode == "delete")
                    deleteCurrentProject(f.dm);
            }
            else
                return 2;
        }
    } catch (const std::exception &e) {
        std::cerr << mode << ": " << e.what() << "\n";
        return 3;
    }
}
