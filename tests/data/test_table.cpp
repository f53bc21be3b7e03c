#include "data/table.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kv;
using kv::test::TempDir;

namespace {

class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (TableId id : {TableId::Project, TableId::Object, TableId::SMo0, TableId::Mo})
            dir.create(id);
        project.open(dir.path());
        object.setMaster(&project);
        object.open(dir.path());
    }

    int addProject(const std::string &name)
    {
        EXPECT_TRUE(project.append());
        project.setValue("Name", name);
        EXPECT_TRUE(project.post());
        return project.asInt("Kod");
    }
    int addObject(const std::string &name, std::optional<double> hx = std::nullopt)
    {
        EXPECT_TRUE(object.append());
        object.setValue("Name", name);
        object.setValue("Hx", Value(hx));
        EXPECT_TRUE(object.post());
        return object.asInt("Kod");
    }
    std::vector<std::string> objectNames()
    {
        std::vector<std::string> out;
        RowKeeper keep(object);
        for (object.first(); !object.eof(); object.next())
            out.push_back(object.asText("Name"));
        return out;
    }

    TempDir dir;
    Table project{TableId::Project};
    Table object{TableId::Object};
};

TEST_F(TableTest, KeysAreAssignedOnPostInOrderAndNeverReused)
{
    Table groups(TableId::SMo0);
    groups.open(dir.path());
    for (const char *n : {"a", "b", "c"}) {
        ASSERT_TRUE(groups.append());
        EXPECT_TRUE(groups.isNull("Kod")); // no key before the post
        groups.setValue("Name", n);
        ASSERT_TRUE(groups.post());
    }
    EXPECT_EQ(groups.select({"Kod"}, "").size(), 3u);
    groups.last();
    EXPECT_EQ(groups.asInt("Kod"), 3);
    ASSERT_TRUE(groups.remove());
    ASSERT_TRUE(groups.append());
    groups.setValue("Name", "d");
    ASSERT_TRUE(groups.post());
    EXPECT_EQ(groups.asInt("Kod"), 4);
    std::vector<std::string> names;
    for (groups.first(); !groups.eof(); groups.next())
        names.push_back(groups.asText("Name"));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "d"}));
}

TEST_F(TableTest, DetailSeesOnlyRowsOfTheCurrentMasterInKeyOrder)
{
    const int p1 = addProject("Первый");
    addObject("A1");
    const int p2 = addProject("Второй");
    EXPECT_EQ(object.recordCount(), 0);
    const int b1 = addObject("B1");
    EXPECT_EQ(object.asInt("Kod0"), p2);
    ASSERT_TRUE(project.locate({{"Kod", p1}}));
    addObject("A2"); // inserted after B1, still after A1 within its project
    EXPECT_EQ(objectNames(), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(object.recordCount(), 2);

    ASSERT_TRUE(project.locate({{"Kod", p2}}));
    EXPECT_EQ(objectNames(), (std::vector<std::string>{"B1"}));
    EXPECT_EQ(object.asInt("Kod"), b1);

    // A new master row has no key yet: its details are empty until it is posted.
    ASSERT_TRUE(project.append());
    EXPECT_EQ(object.recordCount(), 0);
    project.cancel();
    EXPECT_EQ(project.asInt("Kod"), p2);
    EXPECT_EQ(object.recordCount(), 1);

    // Deleting the master row moves the detail to the next master.
    ASSERT_TRUE(project.locate({{"Kod", p1}}));
    ASSERT_TRUE(project.remove());
    EXPECT_EQ(project.asInt("Kod"), p2);
    EXPECT_EQ(objectNames(), (std::vector<std::string>{"B1"}));
}

TEST_F(TableTest, DetailEditedRowIsPostedWhenTheMasterMoves)
{
    const int p1 = addProject("Первый");
    addObject("A1");
    addProject("Второй");
    ASSERT_TRUE(project.locate({{"Kod", p1}}));
    ASSERT_TRUE(object.edit());
    object.setValue("Hx", 12.5);
    project.last();
    EXPECT_EQ(object.state(), TableState::Browse);
    project.first();
    EXPECT_EQ(object.asDouble("Hx"), 12.5);
}

TEST_F(TableTest, UntouchedNewRowIsDroppedOnAMoveAndATypedOneIsPosted)
{
    addProject("П");
    addObject("A");
    object.afterInsert = [](Table &t) { t.setValue("Hx", 1.0); }; // a default, not a user edit
    ASSERT_TRUE(object.append());
    object.first();
    EXPECT_EQ(object.recordCount(), 1);
    ASSERT_TRUE(object.append());
    object.setValue("Name", "B");
    object.first();
    EXPECT_EQ(object.recordCount(), 2);
    object.last();
    EXPECT_EQ(object.asDouble("Hx"), 1.0); // the default went in with the typed name
}

TEST_F(TableTest, BookmarkIsRestoredAfterAWalk)
{
    addProject("П");
    addObject("A");
    const int b = addObject("B");
    addObject("C");
    ASSERT_TRUE(object.locate({{"Name", "B"}}));
    {
        RowKeeper keep(object);
        object.first();
        while (!object.eof())
            object.next();
        EXPECT_EQ(object.asText("Name"), "C");
    }
    EXPECT_EQ(object.asInt("Kod"), b);
    EXPECT_EQ(object.recNo(), 1);
}

TEST_F(TableTest, NullStaysDistinctFromZeroAcrossReopen)
{
    addProject("П");
    addObject("zero", 0.0);
    addObject("empty");
    object.close();
    object.open(dir.path());
    object.first();
    EXPECT_FALSE(object.isNull("Hx"));
    EXPECT_EQ(object.asDouble("Hx"), 0.0);
    EXPECT_TRUE(object.isNull("N"));
    object.next();
    EXPECT_TRUE(object.isNull("Hx"));
    EXPECT_EQ(object.value("Hx").optDouble(), std::nullopt);
    // Writing the empty value explicitly empties a field.
    object.first();
    ASSERT_TRUE(object.edit());
    object.setNull("Hx");
    ASSERT_TRUE(object.post());
    EXPECT_TRUE(object.isNull("Hx"));
}

TEST_F(TableTest, TextLongerThanItsFieldIsRefusedAndNotStored)
{
    addProject("Старое имя");
    ASSERT_TRUE(project.edit());
    // 50 Cyrillic letters are 100 bytes: the size counts characters, not bytes.
    std::string fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "Ж";
    project.setValue("Name", fifty);
    try {
        project.setValue("Name", fifty + "Ж");
        FAIL() << "a 51-character name was accepted";
    } catch (const TableError &e) {
        EXPECT_NE(std::string(e.what()).find("Name"), std::string::npos) << e.what();
    }
    EXPECT_EQ(project.asText("Name"), fifty);
    ASSERT_TRUE(project.post());
    project.close();
    project.open(dir.path());
    EXPECT_EQ(project.asText("Name"), fifty);
}

TEST_F(TableTest, ValuesThatDoNotFitTheFieldTypeAreRefused)
{
    addProject("П");
    ASSERT_TRUE(object.append());
    EXPECT_THROW(object.setValue("Hx", "abc"), TableError);
    EXPECT_THROW(object.setValue("Hx", std::nan("")), TableError);
    EXPECT_THROW(object.setValue("Tip", "3x"), TableError);
    EXPECT_THROW(object.setValue("Kod", 5), TableError); // the key is the store's
    EXPECT_THROW(object.setValue("NoSuchField", 1), TableError);
    object.setValue("Hx", "12,5");
    EXPECT_EQ(object.asDouble("Hx"), 12.5);
    object.setValue("Tip", 3.0);
    EXPECT_TRUE(object.value("Tip").isInt());
    object.setValue("Name", "");
    EXPECT_TRUE(object.isNull("Name"));
    ASSERT_TRUE(object.post());
    EXPECT_EQ(object.asInt("Tip"), 3);

    ASSERT_TRUE(project.edit());
    EXPECT_THROW(project.setValue("ProjDate", "01.03.2024"), TableError);
    project.setValue("ProjDate", "2024-03-01");
    project.setValue("ChkUseAs2", true);
    ASSERT_TRUE(project.post());
    EXPECT_EQ(project.asText("ProjDate"), "2024-03-01");
    EXPECT_TRUE(project.value("ChkUseAs2").isBool());
    EXPECT_TRUE(project.asBool("ChkUseAs2"));
}

TEST_F(TableTest, OperationsOnAClosedTableThrowTableError)
{
    Table mo(TableId::Mo);
    EXPECT_FALSE(mo.isOpen());
    EXPECT_EQ(mo.state(), TableState::Inactive);
    try {
        mo.first();
        FAIL();
    } catch (const TableError &e) {
        EXPECT_STREQ(e.what(), "Ошибка. Таблица mo.DB не открыта.");
    }
    EXPECT_THROW(mo.next(), TableError);
    EXPECT_THROW(mo.recordCount(), TableError);
    EXPECT_THROW(mo.eof(), TableError);
    EXPECT_THROW(mo.value("H"), TableError);
    EXPECT_THROW(mo.append(), TableError);
    EXPECT_THROW(mo.post(), TableError);
    EXPECT_THROW(mo.remove(), TableError);
    EXPECT_THROW(mo.locate({{"Kod", 1}}), TableError);
    EXPECT_THROW(mo.select({"H"}, ""), TableError);
    EXPECT_EQ(mo.bookmark(), -1);
}

TEST_F(TableTest, RefusingRulesAbortAndLeaveTheRowAsItWas)
{
    addProject("П");
    addObject("A", 5.0);
    bool allow = false;
    object.beforePost = [&](Table &) { return allow; };
    object.beforeDelete = [&](Table &) { return allow; };
    object.beforeInsert = [&](Table &) { return allow; };

    ASSERT_TRUE(object.edit());
    object.setValue("Hx", 7.0);
    EXPECT_FALSE(object.post());
    EXPECT_EQ(object.state(), TableState::Edit); // stays in edit with the typed value
    EXPECT_EQ(object.asDouble("Hx"), 7.0);
    object.cancel();
    EXPECT_EQ(object.asDouble("Hx"), 5.0); // nothing was written

    EXPECT_FALSE(object.remove());
    EXPECT_EQ(object.recordCount(), 1);
    EXPECT_FALSE(object.append());
    EXPECT_EQ(object.state(), TableState::Browse);

    allow = true;
    ASSERT_TRUE(object.edit());
    object.setValue("Hx", 7.0);
    EXPECT_TRUE(object.post());
    EXPECT_EQ(object.asDouble("Hx"), 7.0);
}

TEST_F(TableTest, BeforeEditRefusalKeepsBrowseState)
{
    addProject("П");
    project.beforeEdit = [](Table &) { return false; };
    EXPECT_FALSE(project.edit());
    EXPECT_EQ(project.state(), TableState::Browse);
    EXPECT_THROW(project.setValue("Name", "x"), TableError);
}

TEST_F(TableTest, HooksAndNotificationsFollowTheOperations)
{
    addProject("П");
    std::vector<TableChange> seen;
    const int h = object.subscribe([&](TableChange c) { seen.push_back(c); });
    std::vector<std::string> hooks;
    object.afterInsert = [&](Table &t) {
        hooks.push_back("insert");
        t.setValue("Name", "по умолчанию"); // an after-insert hook fills defaults
    };
    object.afterPost = [&](Table &) { hooks.push_back("post"); };
    object.afterDelete = [&](Table &) { hooks.push_back("delete"); };

    ASSERT_TRUE(object.append());
    EXPECT_NE(std::find(seen.begin(), seen.end(), TableChange::State), seen.end());
    ASSERT_TRUE(object.post());
    EXPECT_EQ(object.asText("Name"), "по умолчанию");
    EXPECT_NE(std::find(seen.begin(), seen.end(), TableChange::Data), seen.end());

    addObject("B");
    seen.clear();
    object.first();
    EXPECT_EQ(seen, (std::vector<TableChange>{TableChange::CurrentRow}));

    // The master's move is seen by the detail's subscribers.
    addProject("Другой");
    seen.clear();
    project.first();
    EXPECT_NE(std::find(seen.begin(), seen.end(), TableChange::Data), seen.end());

    ASSERT_TRUE(object.remove());
    EXPECT_EQ(hooks, (std::vector<std::string>{"insert", "post", "insert", "post", "delete"}));
    object.unsubscribe(h);
    seen.clear();
    object.first();
    EXPECT_TRUE(seen.empty());
}

TEST_F(TableTest, NavigationEndsAndRemovalMovesToTheNextRow)
{
    addProject("П");
    EXPECT_TRUE(object.eof());
    EXPECT_TRUE(object.bof());
    EXPECT_EQ(object.recNo(), -1);
    EXPECT_EQ(object.bookmark(), -1);
    EXPECT_THROW(object.value("Name"), TableError);
    addObject("A");
    addObject("B");
    addObject("C");
    object.first();
    EXPECT_TRUE(object.bof());
    object.prior();
    EXPECT_TRUE(object.bof());
    EXPECT_EQ(object.asText("Name"), "A");
    object.next();
    ASSERT_TRUE(object.remove());
    EXPECT_EQ(object.asText("Name"), "C");
    ASSERT_TRUE(object.remove());
    EXPECT_EQ(object.asText("Name"), "A"); // the removed row was the last one
    object.last();
    EXPECT_FALSE(object.eof());
    object.next();
    EXPECT_TRUE(object.eof());
    EXPECT_EQ(object.asText("Name"), "A");
}

TEST_F(TableTest, LocateMatchesValuesAndKeepsTheRowWhenNothingMatches)
{
    addProject("П");
    addObject("Склад ГСМ", 6.0);
    addObject("Котельная", 10.0);
    EXPECT_TRUE(object.locate({{"Name", "Склад ГСМ"}}));
    EXPECT_FALSE(object.locate({{"Name", "котельная"}}));
    EXPECT_EQ(object.asText("Name"), "Склад ГСМ");
    EXPECT_TRUE(object.locate({{"Name", "КОТЕЛЬНАЯ"}}, true));
    EXPECT_TRUE(object.locate({{"Name", "Склад гсм"}, {"Hx", 6}}, true));
    EXPECT_FALSE(object.locate({{"Name", "Склад ГСМ"}, {"Hx", 7}}));
    EXPECT_TRUE(object.locate({{"N", Value()}}));  // an empty field matches the empty value
    EXPECT_FALSE(object.locate({{"Hx", "abc"}})); // no number can equal it
}

TEST_F(TableTest, SelectOrdersVisibleRowsWithoutMoving)
{
    addProject("П");
    addObject("b", 3.0);
    addObject("a");
    addObject("c", 1.0);
    object.first();
    const auto rows = object.select({"Name", "Hx"}, "Hx");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0].toText(), "a"); // empty values first
    EXPECT_EQ(rows[1][0].toText(), "c");
    EXPECT_EQ(rows[2][0].toText(), "b");
    EXPECT_EQ(object.asText("Name"), "b");
    const auto byKey = object.select({"Name"}, "");
    EXPECT_EQ(byKey[1][0].toText(), "a");
}

TEST_F(TableTest, RefreshShowsWritesOfAnotherDatasetOnTheSameFile)
{
    addProject("П");
    Table other(TableId::Project);
    other.open(dir.path());
    ASSERT_TRUE(other.append());
    other.setValue("Name", "Из другого окна");
    ASSERT_TRUE(other.post());
    EXPECT_EQ(project.recordCount(), 1);
    project.refresh();
    EXPECT_EQ(project.recordCount(), 2);
    EXPECT_EQ(project.asText("Name"), "П"); // the current row is kept
}

TEST_F(TableTest, AFileThatIsNotThisTableIsRefusedOnOpen)
{
    Table t(TableId::Param);
    EXPECT_THROW(t.open(dir.path()), TableError); // no such file
    {
        std::FILE *f = std::fopen(dir.file("param.db").c_str(), "w");
        std::fputs("not a database at all, just some text that is long enough", f);
        std::fclose(f);
    }
    EXPECT_THROW(t.open(dir.path()), TableError);
    EXPECT_FALSE(t.isOpen());
    std::filesystem::remove(dir.file("param.db"));
    // A database file holding another layout.
    std::filesystem::copy_file(dir.file("project.DB"), dir.file("param.db"));
    EXPECT_THROW(t.open(dir.path()), TableError);
    EXPECT_FALSE(t.isOpen());
}

TEST_F(TableTest, KeylessTableKeepsInsertionOrderAndBookmarks)
{
    dir.create(TableId::Poraj);
    Table poraj(TableId::Poraj);
    poraj.open(dir.path());
    for (int lo : {10, 20, 40}) {
        ASSERT_TRUE(poraj.append());
        poraj.setValue("ProdGrozMin", lo);
        ASSERT_TRUE(poraj.post());
    }
    poraj.first();
    poraj.next();
    const auto b = poraj.bookmark();
    EXPECT_GE(b, 0);
    poraj.last();
    EXPECT_TRUE(poraj.gotoBookmark(b));
    EXPECT_EQ(poraj.asInt("ProdGrozMin"), 20);
    ASSERT_TRUE(poraj.edit());
    poraj.setValue("ProdGrozMax", 39);
    ASSERT_TRUE(poraj.post());
    EXPECT_EQ(poraj.recNo(), 1);
    EXPECT_TRUE(poraj.locate({{"ProdGrozMin", 40}, {"ProdGrozMax", Value()}}));
    // Returning to a row after a walk that ran off the end leaves the table on that row, not
    // past the last one, also when the row is the one the walk ended on.
    for (int from : {1, 2}) {
        poraj.first();
        for (int i = 0; i < from; ++i)
            poraj.next();
        const auto here = poraj.bookmark();
        for (poraj.first(); !poraj.eof(); poraj.next()) {
        }
        EXPECT_TRUE(poraj.gotoBookmark(here));
        EXPECT_FALSE(poraj.eof()) << from;
        EXPECT_EQ(poraj.recNo(), from);
    }
}

} // namespace
