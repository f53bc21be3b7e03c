// The project document: every command as one undoable step that restores the stored rows exactly,
// the signals the views follow, selection and move enabling, failures leaving the rows as they were.

#include "app/projectdocument.h"
#include "docfixture.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"

#include <QSignalSpy>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace kv;

namespace {

struct DocFixture : test::DocumentFixture {
    // Every stored row of the project tables (walked from the projects down) and of the names
    // dictionary, as text, for exact comparison.
    std::string dump()
    {
        std::string out;
        auto rowText = [](const std::vector<Value> &r) {
            std::string s;
            for (const auto &v : r)
                s += v.toText() + (v.isNull() ? "~|" : "|");
            return s + "\n";
        };
        std::function<void(TableId, std::int64_t)> under = [&](TableId parent, std::int64_t kod) {
            for (TableId id : openingOrder()) {
                const TableDef &def = dm->table(id).def();
                if (!def.hasMaster() || def.master != parent || !dm->table(id).isOpen())
                    continue;
                for (auto k : dm->table(id).keysUnder(kod)) {
                    out += def.fileName + ":" + rowText(*dm->table(id).rowByKey(k));
                    under(id, k);
                }
            }
        };
        for (const auto &p : dm->project().select({"Kod"}, {})) {
            out += "project:" + rowText(*dm->project().rowByKey(p[0].toInt()));
            under(TableId::Project, p[0].toInt());
        }
        for (const auto &r : dm->table(TableId::ObjName).select({"ObjName"}, {}))
            out += "name:" + rowText(r);
        return out;
    }

};

// The first line where two dumps differ ("" when equal), so a failure prints one row.
std::string firstDifference(const std::string &a, const std::string &b)
{
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    if (i == a.size() && i == b.size())
        return {};
    const std::size_t from = a.rfind('\n', i) == std::string::npos ? 0 : a.rfind('\n', i) + 1;
    return a.substr(from, a.find('\n', i) - from) + " <> " + b.substr(from, b.find('\n', i) - from);
}

} // namespace

TEST_F(DocFixture, OpensTheSampleProjectWithZones)
{
    ASSERT_TRUE(doc->hasProject());
    EXPECT_EQ(doc->snapshot().objects.size(), 3u);
    EXPECT_EQ(doc->selection().kind, Selection::Conductor);
    ASSERT_TRUE(doc->zoneSuffix().has_value()); // "Автоподбор" is ticked at start
    EXPECT_TRUE(doc->snapshot().conductors[0].H.has_value());
}

// Each command is one step; undo gives back the rows exactly, redo the rows after the command.
TEST_F(DocFixture, EveryCommandUndoesAndRedoesExactly)
{
    struct Case {
        const char *name;
        std::function<bool(ProjectDocument &)> run;
        std::function<void(DataModule &)> prepare = {};
    };
    const std::vector<Case> cases = {
        {"move conductor", [](ProjectDocument &d) { d.selectConductor(0); return d.moveSelected(1, 0); }},
        {"drop object at negative", [](ProjectDocument &d) {
             d.select({Selection::Object, 0, *d.snapshot().objects[0].Kod});
             return d.dropSelected(-3.2, 7.4);
         }},
        {"snap all", [](ProjectDocument &d) { return d.snapAllToGrid(); },
         [](DataModule &m) {
             m.object().first();
             m.object().edit();
             m.object().setValue("MXa", 2.37);
             m.object().post();
         }},
        {"add object", [](ProjectDocument &d) {
             ObjectRec o = newObjectDefaults(d.dataModule());
             o.Name = "Новый склад";
             return d.addObject(o).has_value();
         }},
        {"edit object", [](ProjectDocument &d) {
             ObjectRec o = d.snapshot().objects[1];
             o.Hx = 12.5;
             o.MXa = 3.27;
             return d.editObject(*o.Kod, o);
         }},
        {"delete object", [](ProjectDocument &d) { return d.deleteObject(*d.snapshot().objects[0].Kod); }},
        {"duplicate object", [](ProjectDocument &d) { return d.duplicateObject(*d.snapshot().objects[2].Kod).has_value(); }},
        {"create catenary project", [](ProjectDocument &d) {
             ProjectInput in = newProjectDefaults(d.dataModule(), "2026-12-09", "10:00:00");
             in.typeIndex = kTypeIndexCable;
             return d.createProject(in).has_value();
         }},
        {"edit into double rod", [](ProjectDocument &d) {
             ProjectInput in = currentProjectInput(d.dataModule());
             in.typeIndex = kTypeIndexDoubleRod;
             return d.editProject(in);
         }},
        {"edit into catenary", [](ProjectDocument &d) {
             ProjectInput in = currentProjectInput(d.dataModule());
             in.typeIndex = kTypeIndexCable;
             return d.editProject(in);
         }},
        {"save as", [](ProjectDocument &d) { return d.saveProjectAs(std::string("Копия")).has_value(); }},
        {"delete project", [](ProjectDocument &d) { return d.deleteProject(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prompter.defaultAsk = true;
        if (c.prepare)
            c.prepare(*dm);
        const std::string before = dump();
        const int steps = doc->undoStack()->index();
        ASSERT_TRUE(c.run(*doc));
        EXPECT_EQ(doc->undoStack()->index(), steps + 1);
        const std::string after = dump();
        EXPECT_NE(firstDifference(after, before), "");
        doc->undoStack()->undo();
        EXPECT_EQ(firstDifference(dump(), before), "");
        doc->undoStack()->redo();
        EXPECT_EQ(firstDifference(dump(), after), "");
        doc->undoStack()->undo();
        EXPECT_EQ(firstDifference(dump(), before), "");
    }
    EXPECT_TRUE(prompter.errors().empty());
}

TEST_F(DocFixture, MovesSnapClampAndSignal)
{
    doc->setAutoPodbor(false); // results stay, so only the moved record changes
    QSignalSpy moved(doc.get(), &ProjectDocument::conductorMoved);
    QSignalSpy changed(doc.get(), &ProjectDocument::objectChanged);
    doc->selectConductor(0);
    const double x0 = *doc->snapshot().conductors[0].MX;
    ASSERT_TRUE(doc->moveSelected(0.6, 0));
    EXPECT_DOUBLE_EQ(*doc->snapshot().conductors[0].MX, x0 + 1); // snapped to the 1 m step
    EXPECT_EQ(moved.count(), 1);
    ASSERT_TRUE(doc->dropSelected(-4, -0.2));
    EXPECT_DOUBLE_EQ(*doc->snapshot().conductors[0].MX, 0);
    EXPECT_DOUBLE_EQ(*doc->snapshot().conductors[0].MY, 0);
    const MoveEnabling e = doc->moveEnabling();
    EXPECT_FALSE(e.left);
    EXPECT_FALSE(e.up);
    EXPECT_FALSE(e.leftUp);
    EXPECT_TRUE(e.right && e.down && e.rightDown);
    const int kod = *doc->snapshot().objects[1].Kod;
    doc->select({Selection::Object, 0, kod});
    ASSERT_TRUE(doc->moveSelected(0, 1));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), kod);
}

TEST_F(DocFixture, MoveButtonRule)
{
    struct Row { double x, y, s; bool l, u, lu, ru, ld; };
    const Row rows[] = {
        {0.4, 5, 1, false, true, false, true, false},
        {1, 1, 1, true, true, true, true, true},
        {3.3, 0.49, 0.5, true, false, false, false, true},
    };
    for (const auto &r : rows) {
        const MoveEnabling e = moveEnablingFor(true, r.x, r.y, r.s);
        EXPECT_EQ(e.left, r.l);
        EXPECT_EQ(e.up, r.u);
        EXPECT_EQ(e.leftUp, r.lu);
        EXPECT_EQ(e.rightUp, r.ru);
        EXPECT_EQ(e.leftDown, r.ld);
        EXPECT_TRUE(e.right && e.down && e.rightDown);
    }
    const MoveEnabling none = moveEnablingFor(false, 5, 5, 1);
    EXPECT_FALSE(none.right || none.down || none.left);
}

TEST_F(DocFixture, RefusedEditAsksOnceAndKeepsRows)
{
    // Thunderstorm activity so high that a small class-3 object needs no protection any more is
    // listed in one question; "No" leaves every row as it was.
    ProjectInput in = currentProjectInput(*dm);
    in.grozRange = "100 - ";
    in.udarovText = "1000";
    const std::string before = dump();
    prompter.askAnswers = {false};
    const auto lost = objectsLostByEdit(*dm, in);
    if (!lost.empty()) {
        EXPECT_FALSE(doc->editProject(in));
        EXPECT_EQ(firstDifference(dump(), before), "");
        ASSERT_EQ(prompter.texts(RecordingPrompter::Kind::Ask).size(), 1u);
    }
    // A failing command shows one message and leaves the rows as they were.
    prompter.clear();
    EXPECT_FALSE(doc->execute("x", [&] {
        dm->object().first();
        dm->object().edit();
        dm->object().setValue("MXa", 99.0);
        dm->object().post();
        throw TableError("Ошибка. Проба.");
    }));
    EXPECT_EQ(firstDifference(dump(), before), "");
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка. Проба."});
}

TEST_F(DocFixture, OpenClearsUndoAndEmptyStateAfterLastDelete)
{
    ASSERT_TRUE(doc->moveSelected(1, 1));
    const int first = doc->projectKod();
    ProjectInput in = newProjectDefaults(*dm, "2026-12-09", "10:00:00");
    ASSERT_TRUE(doc->createProject(in));
    ASSERT_TRUE(doc->openProject(first));
    EXPECT_EQ(doc->undoStack()->count(), 0);
    QSignalSpy closed(doc.get(), &ProjectDocument::projectClosed);
    prompter.defaultAsk = true;
    while (doc->hasProject())
        ASSERT_TRUE(doc->deleteProject());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(doc->moveSelected(1, 0));
    doc->undoStack()->undo();
    EXPECT_TRUE(doc->hasProject());
}
