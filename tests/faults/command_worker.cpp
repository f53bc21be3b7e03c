// The child process of the every-command fault tests.
//
//   korvan-fault-command keys DIR        the keys the commands need, one "name value" a line
//   korvan-fault-command prepare DIR     stale results in the folder of korvan-fault-worker setup
//   korvan-fault-command state DIR       opens the folder as the program does (finishing a commit
//                                        cut short), then one line per table file: its name, row
//                                        count and a hash of its rows; then "extra NAME" for every
//                                        other file left in the folder
//   korvan-fault-command doc DIR STEPS   the project window's commands over the document, one
//                                        after another (STEPS: a comma list, see runStep) after
//                                        opening the project; with KORVAN_FAULT_STEPS=k only
//                                        the first k of these (the opening counted) run
// Exit codes of doc: 0 every step done, 1 a step failed (its message on standard error).

#include "workerfolder.h"
#include "app/projectdocument.h"
#include "data/alignops.h"
#include "data/datamodule.h"
#include "data/podborops.h"
#include "data/recordingprompter.h"
#include "data/schema.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "placement/placementapply.h"

#include <sqlite3.h>

#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace kv;

namespace
{

using kv::faulttest::Folder;
using kv::faulttest::projectKod;

// FNV-1a over the text of every row in key order.
std::uint64_t hashText(std::uint64_t h, const void *data, std::size_t n)
{
    const auto *p = static_cast<const unsigned char *>(data);
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

std::string tableState(const std::string &path, const TableDef &def)
{
    sqlite3 *db = nullptr;
    std::ostringstream out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return "cannot-open";
    }
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt *st = nullptr;
    const std::string sql = "SELECT * FROM \"" + sqlTableName(def) + "\" ORDER BY rowid";
    std::uint64_t h = 1469598103934665603ull;
    long rows = 0;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        out << "unreadable";
    } else {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const int type = sqlite3_column_type(st, c);
                h = hashText(h, &type, sizeof type);
                const void *blob = sqlite3_column_blob(st, c);
                h = hashText(h, blob, static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
            }
        }
        if (rc != SQLITE_DONE)
            out << "damaged ";
        out << rows << " " << std::hex << h;
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return out.str();
}

int state(const std::string &dir)
{
    {
        Folder f(dir);
        for (const auto &m : f.prompter.messages)
            std::cout << "message " << m.text << "\n";
    }
    std::set<std::string> tables;
    for (TableId id : openingOrder()) {
        const TableDef &def = tableDef(id);
        tables.insert(def.fileName);
        std::cout << def.fileName << " " << tableState(dir + def.fileName, def) << "\n";
    }
    for (const auto &e : std::filesystem::directory_iterator(dir))
        if (!tables.count(e.path().filename().string()))
            std::cout << "extra " << e.path().filename().string() << "\n";
    return 0;
}

int keys(const std::string &dir)
{
    Folder f(dir);
    DataModule &dm = f.dm;
    ReadLock lock(dm);
    std::cout << "select " << projectKod(dm, "Выбор") << "\n";
    const int place = projectKod(dm, "Размещение");
    std::cout << "place " << place << "\n";
    locateProject(dm, place);
    dm.table(TableId::Diap0).first();
    std::cout << "variant " << dm.table(TableId::Diap0).asInt("Kod") << "\n";
    Table &c = dm.table(TableId::SMo1);
    c.first();
    std::cout << "construction " << c.asInt("Kod") << "\n";
    return 0;
}

// Makes the stored results stale, so that the selection and the placement search change rows:
// the conductor of "Выбор" moved and the first range of "Размещение" given another step, both
// without computing; "Выбор" gets a chosen construction first.
int prepare(const std::string &dir)
{
    Folder f(dir);
    DataModule &dm = f.dm;
    locateProject(dm, projectKod(dm, "Выбор"));
    // A chosen construction (another than the one the choose command takes) for the report.
    Table &c = dm.table(TableId::SMo1);
    c.first();
    c.next();
    if (!chooseConstruction(dm, c.asInt("Kod")))
        throw std::runtime_error("no construction chosen");
    dm.mo().first();
    dm.mo().edit();
    dm.mo().setValue("MX", 70.0);
    dm.mo().post();
    locateProject(dm, projectKod(dm, "Размещение"));
    Table &ranges = dm.table(TableId::Diap1);
    ranges.first();
    ranges.edit();
    ranges.setValue("DX", 1.0);
    ranges.post();
    return 0;
}

// The object commands work on the first two objects of the project "Выбор".
int runStep(ProjectDocument &doc, const std::string &step)
{
    DataModule &dm = doc.dataModule();
    const auto &objects = doc.snapshot().objects;
    const int a = *objects.at(0).Kod, b = *objects.at(1).Kod;
    const double grid = doc.gridStep();
    const auto run = [&](const char *text, const std::function<void()> &op) {
        return doc.execute(QString::fromUtf8(text), op);
    };
    bool ok = false;
    if (step == "add") {
        ObjectRec v = newObjectDefaults(dm);
        v.Hx = 12;
        ok = doc.addObject(v).has_value();
    } else if (step == "edit") {
        ObjectRec v = *doc.object(a);
        v.Hx = 15;
        v.Name = "Изменен";
        ok = doc.editObject(a, v);
    } else if (step == "delete-object") {
        ok = doc.deleteObject(a);
    } else if (step == "duplicate") {
        ok = doc.duplicateObject(a).has_value();
    } else if (step == "move") {
        doc.select({Selection::Object, 0, a});
        ok = doc.moveSelected(3, 2);
    } else if (step == "drop") {
        doc.selectConductor(0);
        ok = doc.dropSelected(21, 33);
    } else if (step == "align-conductor") {
        ok =
            run("Выравнивание молниеотвода", [&] { alignConductorToObject(dm, 0, b, 2, 2, grid); });
    } else if (step == "align-to-conductor") {
        ok = run("Выравнивание объекта относительно молниеотвода",
                 [&] { alignObjectToConductor(dm, a, AlignPoint::Center, 0, grid); });
    } else if (step == "align-to-object") {
        ok = run("Выравнивание объекта относительно другого объекта", [&] {
            alignObjectToObject(dm, a, AlignPoint::TopLeft, b, AlignPoint::BottomRight, grid);
        });
    } else if (step == "coordinates") {
        ok = run("Координаты молниеотвода", [&] {
            setConductorCoords(dm, 0, CoordKind::Absolute, 12, 14, a, AlignPoint::Center, grid);
        });
    } else if (step == "apply-placement") {
        ConductorPositions p;
        p.p1 = Pt{31, 17};
        ok = doc.applyPlacement(p);
    } else if (step == "choose") {
        Table &c = dm.table(TableId::SMo1);
        c.first();
        const int construction = c.asInt("Kod");
        ok = doc.execute(
            QStringLiteral("Выбор молниеотвода"),
            [&] {
                if (!chooseConstruction(dm, construction))
                    throw TableError("no construction");
            },
            ProjectDocument::Rows, false);
    } else if (step == "create-project") {
        ok = doc.createProject(newProjectDefaults(dm, "2026-12-09", "12:00:00")).has_value();
    } else if (step == "edit-project") {
        ProjectInput in = currentProjectInput(dm);
        in.name = "Выбор двойной";
        in.typeIndex = kTypeIndexDoubleRod;
        ok = doc.editProject(in);
    } else if (step == "podbor") {
        ok = doc.runPodbor();
    } else if (step == "save-as") {
        ok = doc.saveProjectAs(std::string("Копия")).has_value();
    } else if (step == "delete-project") {
        ok = doc.deleteProject();
    } else if (step == "undo" || step == "redo") {
        QUndoStack *u = doc.undoStack();
        if (step == "undo" ? !u->canUndo() : !u->canRedo())
            throw std::runtime_error("nothing to " + step);
        const std::size_t before = dynamic_cast<RecordingPrompter &>(dm.prompter()).errors().size();
        if (step == "undo")
            u->undo();
        else
            u->redo();
        ok = dynamic_cast<RecordingPrompter &>(dm.prompter()).errors().size() == before;
    } else {
        throw std::runtime_error("unknown step " + step);
    }
    return ok ? 0 : 1;
}

int doc(const std::string &dir, const std::string &steps)
{
    Folder f(dir);
    f.prompter.defaultAsk = true;
    ProjectDocument d(f.dm);
    // Opening the project is the first step: the window's selection may store results there.
    const char *limit = std::getenv("KORVAN_FAULT_STEPS");
    int left = limit ? std::atoi(limit) : 1 << 30;
    if (left-- <= 0)
        return 0;
    if (!d.openProject(projectKod(f.dm, "Выбор")))
        throw std::runtime_error("the project does not open");
    // The selection at opening failed (its message shown): the user would stop here too.
    int rc = f.prompter.errors().empty() ? 0 : 1;
    std::istringstream in(steps);
    for (std::string step; rc == 0 && left > 0 && std::getline(in, step, ','); --left)
        if ((rc = runStep(d, step)) != 0)
            break;
    for (const auto &e : f.prompter.errors())
        std::cerr << e << "\n";
    return rc;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::cerr << "usage: korvan-fault-command prepare|keys|state|doc DIR [STEPS]\n";
        return 2;
    }
    const std::string mode = argv[1];
    std::string dir = argv[2];
    if (dir.back() != '/')
        dir += '/';
    try {
        if (mode == "keys")
            return keys(dir);
        if (mode == "prepare")
            return prepare(dir);
        if (mode == "state")
            return state(dir);
        if (mode == "doc" && argc > 3)
            return doc(dir, argv[3]);
    } catch (const std::exception &e) {
        std::cerr << mode << ": " << e.what() << "\n";
        return 1;
    }
    std::cerr << "unknown mode " << mode << "\n";
    return 2;
}
