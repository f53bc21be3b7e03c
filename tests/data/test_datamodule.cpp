#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/referencerules.h"
#include "data/transaction.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kv;
using kv::test::TempDir;

namespace {

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (TableId id : openingOrder())
            dir.create(id);
        dm = std::make_unique<DataModule>(dir.path(), prompter);
        dm->openAll();
        ASSERT_TRUE(prompter.messages.empty());
    }

    // Posts a sag row; returns the messages shown.
    std::vector<std::string> postSag(std::optional<double> lot, std::optional<double> ldo,
                                     std::optional<double> f)
    {
        Table &t = dm->table(TableId::SProves);
        prompter.clear();
        t.append();
        t.setValue("Lot", Value(lot));
        t.setValue("Ldo", Value(ldo));
        t.setValue("F", Value(f));
        const bool ok = t.post();
        EXPECT_EQ(ok, prompter.messages.empty());
        if (!ok) {
            EXPECT_EQ(t.state(), TableState::Insert); // refused rows stay in insert
            t.cancel();
        }
        return prompter.errors();
    }

    TempDir dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

TEST_F(DataModuleTest, SagRowsAreCheckedInOrder)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(postSag(0, 20, 0.5), V{});
    EXPECT_EQ(postSag(-10, 20, 0.5), V{}); // a negative minimum is fine below the maximum
    EXPECT_EQ(postSag(20, 20, 1), V{kMsgSagOrder});
    EXPECT_EQ(postSag(30, 20, 1), V{kMsgSagOrder});
    EXPECT_EQ(postSag(0, 20, 0), V{kMsgSagPositive});
    EXPECT_EQ(postSag(0, -5, 1), V{kMsgSagPositive});
    // Emptiness is checked before anything else.
    EXPECT_EQ(postSag(30, -5, std::nullopt), V{kMsgSagAllFields});
    EXPECT_EQ(postSag(std::nullopt, 20, 1), V{kMsgSagAllFields});
    EXPECT_EQ(dm->table(TableId::SProves).recordCount(), 2);
    EXPECT_STREQ(kMsgSagPositive,
                 "Ошибка. Значения полей \"Максимум, м\" и \"Стрела, м\" должны быть больше 0.");
    EXPECT_STREQ(kMsgSagOrder, "Ошибка. Значение поля \"Минимум, м\" должно быть меньше значения "
                               "поля \"Максимум, м\".");
}

TEST_F(DataModuleTest, EditedSagRowStaysInEditWhenRefused)
{
    Table &t = dm->table(TableId::SProves);
    postSag(0, 30, 0.5);
    ASSERT_TRUE(t.edit());
    t.setValue("F", 0);
    EXPECT_FALSE(t.post());
    EXPECT_EQ(t.state(), TableState::Edit);
    EXPECT_EQ(t.asDouble("F"), 0.0);
    t.cancel();
    EXPECT_EQ(t.asDouble("F"), 0.5);
}

TEST_F(DataModuleTest, ClassRowsCanBeEditedButNotAddedOrRemoved)
{
    Table &c = dm->table(TableId::Class);
    EXPECT_FALSE(c.append());
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка. Добавление записей запрещено."});
    EXPECT_EQ(c.state(), TableState::Browse);
    EXPECT_EQ(c.recordCount(), 0);

    // Put one row in through the file, as the installation does.
    Table raw(TableId::Class);
    raw.open(dir.path());
    ASSERT_TRUE(raw.append());
    raw.setValue("ClassObj", "Класс");
    ASSERT_TRUE(raw.post());
    c.refresh();
    prompter.clear();
    EXPECT_FALSE(c.remove());
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка. Удаление записей запрещено."});
    EXPECT_EQ(c.recordCount(), 1);
    ASSERT_TRUE(c.edit());
    c.setValue("ClassObj", "Новый текст");
    EXPECT_TRUE(c.post());
}

TEST_F(DataModuleTest, ObjectNameIsRequired)
{
    Table &n = dm->table(TableId::ObjName);
    for (const char *empty : {"", "   "}) {
        prompter.clear();
        ASSERT_TRUE(n.append());
        n.setValue("ObjName", empty);
        EXPECT_FALSE(n.post());
        EXPECT_EQ(prompter.errors(), std::vector<std::string>{
                                          "Ошибка. Заполнение поля «Наименование объекта» обязательно."});
        n.cancel();
    }
    ASSERT_TRUE(n.append());
    n.setValue("ObjName", "Склад");
    EXPECT_TRUE(n.post());
    EXPECT_EQ(n.recordCount(), 1);
}

TEST_F(DataModuleTest, MastersAreLinkedAsTheLayoutsSay)
{
    const std::vector<std::pair<TableId, TableId>> links = {
        {TableId::Mo, TableId::Project},         {TableId::Object, TableId::Project},
        {TableId::SMo1, TableId::SMo0},          {TableId::SMoT1, TableId::SMoT0},
        {TableId::Diap0, TableId::Project},      {TableId::Diap2MO0, TableId::Project},
        {TableId::Diap1, TableId::Diap0},        {TableId::Diap2, TableId::Diap1},
        {TableId::Diap2MO1, TableId::Diap2MO0},  {TableId::Diap2MO11, TableId::Diap2MO0},
        {TableId::Diap2MO3, TableId::Diap2MO0},  {TableId::Diap2MO2, TableId::Diap2MO1},
        {TableId::Diap2MO21, TableId::Diap2MO11}, {TableId::MRod, TableId::Project}};
    int linked = 0;
    for (TableId id : openingOrder()) {
        Table *m = dm->table(id).master();
        if (m)
            ++linked;
        for (const auto &[d, master] : links) {
            if (d == id) {
                EXPECT_EQ(m, &dm->table(master)) << tableDef(id).fileName;
            }
        }
    }
    EXPECT_EQ(linked, static_cast<int>(links.size()));
    // Every table with a parent carries the index Kod0.
    for (const auto &[d, master] : links)
        EXPECT_NE(createTableSql(tableDef(d)).find("CREATE INDEX \"Kod0\""), std::string::npos);
}

TEST(DataModuleOpen, MissingFileIsReportedAndTheTableStaysClosed)
{
    TempDir dir;
    for (TableId id : openingOrder())
        if (id != TableId::Class && id != TableId::Diap2MO3)
            dir.create(id);
    RecordingPrompter prompter;
    // The folder is given without its trailing slash; the message shows it with one.
    std::string folder = dir.path();
    folder.pop_back();
    DataModule dm(folder, prompter);
    EXPECT_EQ(dm.dataDir(), dir.path());
    dm.openAll();
    EXPECT_EQ(prompter.errors(),
              (std::vector<std::string>{"Ошибка. Файл " + dir.path() + "class.db не найден.",
                                        "Ошибка. Файл " + dir.path() + "diap2MO_3.DB не найден."}));
    EXPECT_FALSE(dm.table(TableId::Class).isOpen());
    EXPECT_TRUE(dm.table(TableId::Poraj).isOpen());
    EXPECT_THROW(dm.table(TableId::Class).first(), TableError);
    dm.closeAll();
    for (TableId id : openingOrder())
        EXPECT_FALSE(dm.table(id).isOpen());
}

// A report.DB written before the rolling-sphere flag existed opens with the field added, empty
// in every stored profile (read as off), and the rows it had kept as they were; a file missing a
// field of the first layout is still no table.
TEST(DataModuleOpen, AFieldAddedLaterIsAddedEmptyToAnOlderFile)
{
    TempDir dir;
    ASSERT_EQ(createInstallationData(dir.path() + "Data"), kFolderTableCount);
    const std::string report = dir.path() + "Data/report.DB";
    for (const char *sql : {"ALTER TABLE report DROP COLUMN ProvSfera", "VACUUM"}) {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(report.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    RecordingPrompter prompter;
    {
        DataModule dm(dir.path() + "Data", prompter);
        dm.openAll();
        EXPECT_TRUE(prompter.messages.empty());
        Table &t = dm.table(TableId::Report);
        ASSERT_TRUE(t.isOpen());
        t.first();
        EXPECT_TRUE(t.value("ProvSfera").isNull());
        EXPECT_FALSE(t.asBool("ProvSfera"));
        EXPECT_TRUE(t.asBool("CherVidPrymo"));
        t.edit();
        t.setValue("ProvSfera", true);
        t.post();
    }
    {
        DataModule dm(dir.path() + "Data", prompter);
        dm.openAll();
        dm.table(TableId::Report).first();
        EXPECT_TRUE(dm.table(TableId::Report).asBool("ProvSfera")) << "stored once added";
    }
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(report.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "ALTER TABLE report DROP COLUMN PageNum", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    DataModule dm(dir.path() + "Data", prompter);
    dm.openAll();
    EXPECT_FALSE(dm.table(TableId::Report).isOpen());
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_NE(prompter.errors()[0].find("нет поля PageNum"), std::string::npos);
}

// Another program holding project.DB locked: reading it (at start-up) or writing it (a command)
// waits a bounded time, then says that the file is in use, never that it is not a table.
TEST(DataModuleOpen, AFileLockedByAnotherProgramIsInUseNotDamaged)
{
    TempDir dir;
    for (TableId id : openingOrder())
        dir.create(id);
    const std::string file = dir.file("project.DB");
    const std::string inUse =
        "Ошибка. Файл " + file + " занят другой программой; повторите действие позже.";
    const int savedWait = detail::busyWaitMs;
    detail::busyWaitMs = 200;
    // The other program's lock: exclusive (it is writing the file) or reserved (it has begun).
    for (const char *lock : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE"}) {
        SCOPED_TRACE(lock);
        int ready[2], done[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(done), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            sqlite3 *db = nullptr;
            char c = 0;
            if (sqlite3_open(file.c_str(), &db) != SQLITE_OK
                || sqlite3_exec(db, lock, nullptr, nullptr, nullptr) != SQLITE_OK
                || write(ready[1], "x", 1) != 1 || read(done[0], &c, 1) != 1)
                _exit(1);
            _exit(0);
        }
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        {
            RecordingPrompter prompter;
            DataModule dm(dir.path(), prompter);
            dm.openAll();
            if (std::string(lock) == "BEGIN EXCLUSIVE") {
                EXPECT_EQ(prompter.errors(), std::vector<std::string>{inUse});
                EXPECT_FALSE(dm.project().isOpen());
            } else {
                EXPECT_TRUE(prompter.messages.empty());
                try {
                    Transaction tx(dm, {TableId::Project});
                    ADD_FAILURE() << "a locked file was written";
                } catch (const TableError &e) {
                    EXPECT_EQ(e.what(), inUse);
                }
            }
            EXPECT_TRUE(dm.mo().isOpen());
        }
        ASSERT_EQ(write(done[1], "x", 1), 1);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        for (int fd : {ready[0], ready[1], done[0], done[1]})
            close(fd);
        // Once the other program is done the file opens as ever.
        RecordingPrompter after;
        DataModule dm(dir.path(), after);
        dm.openAll();
        EXPECT_TRUE(after.messages.empty());
        EXPECT_TRUE(dm.project().isOpen());
    }
    detail::busyWaitMs = savedWait;
}

TEST(DataModuleOpen, OpeningOrderListsAllTablesOnce)
{
    const auto &order = openingOrder();
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kTableCount));
    std::vector<std::string> files;
    for (TableId id : order)
        files.push_back(tableDef(id).fileName);
    EXPECT_EQ(files, (std::vector<std::string>{
                         "project.DB", "mo.DB", "object.DB", "s_mo0.db", "s_mo1.db",
                         "s_mo_t_0.db", "s_mo_t_1.db", "class.db", "poraj.db", "param.db",
                         "report.DB", "objname.db", "sProves.db", "diap0.DB", "diap1.db",
                         "diap2.db", "diap2MO_0.DB", "diap2MO_1.DB", "diap2MO_1_1.DB",
                         "diap2MO_2.DB", "diap2MO_2_1.DB", "diap2MO_3.DB", "mrod.DB"}));
}

TEST(RecordingPrompterTest, RecordsMessagesAndAnswersFromItsScript)
{
    RecordingPrompter p;
    p.askAnswers = {true, false};
    p.inputAnswers = {std::string("42"), std::nullopt};
    p.warning("Внимание. w");
    EXPECT_TRUE(p.ask("q1"));
    EXPECT_FALSE(p.ask("q2"));
    EXPECT_FALSE(p.ask("q3")); // the default answer once the script is spent
    EXPECT_EQ(p.input("c", "p", "init"), std::optional<std::string>("42"));
    EXPECT_EQ(p.input("c", "p", "init"), std::nullopt);
    EXPECT_EQ(p.input("c", "p", "init"), std::optional<std::string>("init"));
    EXPECT_EQ(p.texts(RecordingPrompter::Kind::Warning), std::vector<std::string>{"Внимание. w"});
    EXPECT_EQ(p.texts(RecordingPrompter::Kind::Ask).size(), 3u);
}

} // namespace
