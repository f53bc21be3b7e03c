// Transactions over several table files: all or nothing, to this program and to another one
// reading the same folder, also when the writer dies inside its commit.

#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/transaction.h"
#include "data/transaction_p.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kv;
using kv::test::TempDir;

namespace {

class TransactionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (TableId id : openingOrder())
            dir.create(id);
        dm = open();
    }

    std::unique_ptr<DataModule> open()
    {
        auto m = std::make_unique<DataModule>(dir.path(), prompter);
        m->openAll();
        return m;
    }

    // A project with one conductor row and `objects` object rows, each its own post.
    void addProject(DataModule &m, const std::string &name, int objects)
    {
        Table &p = m.project();
        ASSERT_TRUE(p.append());
        p.setValue("Name", name);
        ASSERT_TRUE(p.post());
        ASSERT_TRUE(m.mo().append());
        m.mo().setValue("MX", 1.5);
        ASSERT_TRUE(m.mo().post());
        for (int i = 0; i < objects; ++i) {
            ASSERT_TRUE(m.object().append());
            m.object().setValue("Name", name + "-" + std::to_string(i));
            ASSERT_TRUE(m.object().post());
        }
    }

    // Project names with their conductor and object counts, as a fresh module sees the folder.
    std::vector<std::string> contents()
    {
        auto m = open();
        ReadLock lock(*m);
        std::vector<std::string> out;
        Table &p = m->project();
        for (p.first(); !p.eof(); p.next())
            out.push_back(p.asText("Name") + ":" + std::to_string(m->mo().recordCount()) + ":"
                          + std::to_string(m->object().recordCount()));
        return out;
    }

    TempDir dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

using Names = std::vector<std::string>;

TEST_F(TransactionTest, CommitsSeveralFilesTogetherAndHidesThemUntilThen)
{
    {
        Transaction tx(*dm, {TableId::Project, TableId::Mo, TableId::Object});
        addProject(*dm, "А", 3);
        // This module sees its own writes; another one sees the folder as it was.
        EXPECT_EQ(dm->object().recordCount(), 3);
        EXPECT_EQ(contents(), Names{});
        tx.commit();
    }
    EXPECT_EQ(contents(), Names{"А:1:3"});
    EXPECT_FALSE(std::filesystem::exists(dir.file(kCommitRecordName)));
    // Without a transaction each post is its own write, as before.
    addProject(*dm, "Б", 1);
    EXPECT_EQ(contents(), (Names{"А:1:3", "Б:1:1"}));
}

// A read scope holds one read transaction per file; a command started inside the scope is
// neither refused nor cut short by the scope's end, and plain posts after it stay durable.
TEST_F(TransactionTest, ReadScopesNeitherBlockNorSwallowWrites)
{
    addProject(*dm, "А", 2);
    addProject(*dm, "Б", 1);
    {
        ReadScope scope({&dm->project(), &dm->mo(), &dm->object()});
        dm->object().first();
        EXPECT_TRUE(dm->object().rowByKey(dm->object().bookmark()).has_value());
        {
            Transaction tx(*dm, {TableId::Project, TableId::Object});
            addProject(*dm, "В", 1);
            tx.commit();
        }
        EXPECT_EQ(contents(), (Names{"А:1:2", "Б:1:1", "В:1:1"}));
        {
            Transaction tx(*dm, {TableId::Object});
            dm->object().first();
            dm->object().remove();
        } // rolled back: the scope's end must not commit it
    }
    EXPECT_EQ(contents(), (Names{"А:1:2", "Б:1:1", "В:1:1"}));
    {
        ReadScope scope({&dm->project(), &dm->object()});
        dm->project().first();
    }
    addProject(*dm, "Г", 0);
    EXPECT_EQ(contents(), (Names{"А:1:2", "Б:1:1", "В:1:1", "Г:1:0"}));
}

TEST_F(TransactionTest, LeavingWithoutCommitRestoresRowsAndCurrentRow)
{
    addProject(*dm, "А", 2);
    Table &obj = dm->object();
    obj.first();
    const auto firstKey = obj.bookmark();
    {
        Transaction tx(*dm, {TableId::Project, TableId::Object});
        obj.edit();
        obj.setValue("Name", "изменено");
        obj.post();
        obj.last();
        obj.remove();
        addProject(*dm, "Б", 4); // mo.DB was not listed: it joins at its first write
        dm->project().first();
        obj.first();
        obj.edit(); // an edit in progress belongs to the failed command
        obj.setValue("Name", "брошено");
    }
    EXPECT_EQ(obj.state(), TableState::Browse);
    EXPECT_EQ(contents(), Names{"А:1:2"});
    EXPECT_EQ(dm->project().recordCount(), 1);
    EXPECT_EQ(obj.recordCount(), 2);
    EXPECT_EQ(obj.bookmark(), firstKey);
    EXPECT_EQ(obj.asText("Name"), "А-0");
    EXPECT_EQ(dm->mo().recordCount(), 1);
}

TEST_F(TransactionTest, NestedTransactionsJoinTheOuterOne)
{
    {
        Transaction outer(*dm, {TableId::Project, TableId::Mo, TableId::Object});
        addProject(*dm, "А", 1);
        {
            Transaction inner(*dm, {TableId::Object, TableId::Diap0});
            EXPECT_FALSE(inner.isOutermost());
            addProject(*dm, "Б", 2);
            inner.commit(); // handed to the outer transaction, not yet in the files
        }
        EXPECT_EQ(contents(), Names{});
        {
            Transaction inner(*dm, {TableId::Object});
            addProject(*dm, "В", 5);
            dm->project().first();
            dm->project().edit();
            dm->project().setValue("Name", "А2");
            dm->project().post();
        } // undoes only its own writes
        EXPECT_EQ(dm->project().recordCount(), 2);
        outer.commit();
    }
    EXPECT_EQ(contents(), (Names{"А:1:1", "Б:1:2"}));
    EXPECT_FALSE(dm->inTransaction());
}

TEST_F(TransactionTest, ChangedValuesOnlyAreWritten)
{
    addProject(*dm, "А", 1);
    Table &p = dm->project();
    // Writing back the stored values is no change: the commit touches no file at all.
    Transaction tx(*dm, {TableId::Project, TableId::Object});
    p.edit();
    p.setValue("Name", "А");
    p.post();
    EXPECT_TRUE(p.writtenKeys().empty());
    p.edit();
    p.setValue("Name", "Б");
    p.post();
    EXPECT_EQ(p.writtenKeys().size(), 1u);
    tx.commit();
    EXPECT_EQ(contents(), Names{"Б:1:1"});
}

// A failed command writes nothing, also through the edits it leaves open: a detail row being
// inserted under a project that the rollback takes away must not be posted when its master
// moves back (the import's ghost object row), neither when the module closes.
TEST_F(TransactionTest, EditsLeftOpenByAFailedCommandAreNeverWritten)
{
    addProject(*dm, "А", 1);
    {
        Transaction tx(*dm, {TableId::Project, TableId::Mo, TableId::Object});
        addProject(*dm, "Б", 0);
        ASSERT_TRUE(dm->object().append());
        dm->object().setValue("Name", "призрак");
        dm->mo().first();
        dm->mo().edit();
        dm->mo().setValue("MX", 99.0);
    }
    EXPECT_EQ(contents(), Names{"А:1:1"});
    EXPECT_EQ(dm->object().state(), TableState::Browse);
    // A table left in edit outside any command is not written when the module closes.
    dm->project().first();
    dm->object().first();
    dm->object().edit();
    dm->object().setValue("Name", "не сохранено");
    dm.reset();
    dm = open();
    dm->object().first();
    EXPECT_EQ(dm->object().asText("Name"), "А-0");
}

// SQLite ends a transaction by itself after a full disk or an I/O error; the connection is then
// in autocommit, and any further write of the command would be durable on its own.
TEST_F(TransactionTest, AFileWhoseTransactionSqliteEndedStopsTheCommand)
{
    addProject(*dm, "А", 2);
    {
        Transaction tx(*dm, {TableId::Project, TableId::Mo, TableId::Object});
        dm->project().edit();
        dm->project().setValue("Name", "Б");
        ASSERT_TRUE(dm->project().post());
        dm->object().first();
        dm->object().edit();
        dm->object().setValue("Name", "изменено");
        ASSERT_TRUE(dm->object().post());
        sqlite3_exec(dm->object().connection(), "ROLLBACK", nullptr, nullptr, nullptr);
        dm->object().edit();
        dm->object().setValue("Name", "еще раз");
        EXPECT_THROW(dm->object().post(), TableError);
        EXPECT_THROW(tx.commit(), TableError); // the other files must not commit without it
    }
    EXPECT_EQ(contents(), Names{"А:1:2"});
    EXPECT_FALSE(std::filesystem::exists(dir.file(kCommitRecordName)));
}

// A child process commits a project over three files and dies at the given stage of its commit:
// -1 before the commit record is in place, 0 right after, k after the k-th file has committed.
void dieInCommit(const std::string &dir, int stage)
{
    static int dieAt;
    dieAt = stage;
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        RecordingPrompter pr;
        DataModule m(dir, pr);
        m.openAll();
        detail::commitStageHook = [](int s) {
            if (s == dieAt)
                _exit(0);
        };
        Transaction tx(m, {TableId::Project, TableId::Mo, TableId::Object});
        m.project().append();
        m.project().setValue("Name", "Новый");
        m.project().post();
        m.mo().append();
        m.mo().post();
        m.object().append();
        m.object().setValue("Name", "Дом");
        m.object().post();
        if (dieAt < 0)
            _exit(0);
        tx.commit();
        _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(TransactionTest, KilledCommitIsUndoneBeforeItsRecordAndFinishedAfterIt)
{
    dm.reset();
    dieInCommit(dir.path(), -1);
    EXPECT_EQ(contents(), Names{});
    for (int stage : {0, 1, 2}) {
        dieInCommit(dir.path(), stage);
        EXPECT_TRUE(std::filesystem::exists(dir.file(kCommitRecordName)));
        const Names seen = contents(); // the reader finishes the commit before it reads
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(stage + 1)) << stage;
        EXPECT_EQ(seen.back(), "Новый:1:1") << stage;
        EXPECT_FALSE(std::filesystem::exists(dir.file(kCommitRecordName)));
    }
}

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string &path, const std::string &data)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

// A commit record made by hand, as a hostile or an older program could leave it: one project
// row (Kod, Name) in the named file and SQL table, with a correct checksum.
std::string handMadeRecord(const std::string &file, const std::string &table, std::int64_t kod,
                           const std::string &name, bool withLength = true)
{
    std::string body;
    auto u64 = [&](std::uint64_t v) { body.append(reinterpret_cast<const char *>(&v), 8); };
    auto str = [&](const std::string &t) {
        u64(t.size());
        body += t;
    };
    const TableDef &def = tableDef(TableId::Project);
    u64(1);
    str(file);
    str(table);
    body += '\1';
    u64(def.fields.size());
    for (const FieldDef &f : def.fields)
        str(f.name);
    u64(1);
    body += 'P';
    u64(static_cast<std::uint64_t>(kod));
    for (const FieldDef &f : def.fields) {
        if (f.name == "Kod") {
            body += '\1';
            u64(static_cast<std::uint64_t>(kod));
        } else if (f.name == "Name") {
            body += '\3';
            str(name);
        } else {
            body += '\0';
        }
    }
    std::string rec = withLength ? "KVCOMMIT2\n" : "KVCOMMIT1\n";
    if (withLength) {
        const std::uint64_t n = body.size();
        rec.append(reinterpret_cast<const char *>(&n), 8);
    }
    rec += body;
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : rec)
        h = (h ^ c) * 1099511628211ULL;
    rec.append(reinterpret_cast<const char *>(&h), 8);
    return rec;
}

// A record left by a killed commit is replayed only when it is whole and names only the
// folder's own tables; any other is kept and the folder refused with a message naming it.
TEST_F(TransactionTest, HostileAndDamagedCommitRecordsAreRefusedNeverReplayedOrDropped)
{
    addProject(*dm, "А", 1);
    dm.reset();
    const std::string record = dir.file(kCommitRecordName);
    dieInCommit(dir.path(), 0); // a genuine record: the files still as before
    const std::string genuine = readAll(record);
    std::filesystem::remove(record);

    TempDir outside;
    outside.create(TableId::Project);
    const std::string victim = outside.file("project.DB");
    const std::string victimBefore = readAll(victim);
    const std::string relative =
        "../" + std::filesystem::path(outside.path()).parent_path().filename().string()
        + "/project.DB";
    std::string flipped = genuine;
    flipped[flipped.size() / 2] ^= 0x10;
    std::string longer = genuine;
    longer.insert(longer.size() - 8, "x");

    const std::pair<const char *, std::string> cases[] = {
        {"relative path out", handMadeRecord(relative, "project", 7, "чужой")},
        {"absolute path out", handMadeRecord(victim, "project", 7, "чужой")},
        {"older format, path out", handMadeRecord(relative, "project", 7, "чужой", false)},
        {"own file, other table", handMadeRecord("project.DB", "sqlite_master", 7, "чужой")},
        {"truncated", genuine.substr(0, genuine.size() / 2)},
        {"cut by 1 byte", genuine.substr(0, genuine.size() - 1)},
        {"bit flipped", flipped},
        {"wrong length", longer},
        {"unknown format", "KVCOMMIT9\n" + genuine.substr(10)},
        {"empty", ""},
    };
    for (const auto &[what, bytes] : cases) {
        SCOPED_TRACE(what);
        writeAll(record, bytes);
        RecordingPrompter p;
        DataModule m(dir.path(), p);
        EXPECT_FALSE(m.openAll());
        ASSERT_EQ(p.errors().size(), 1u);
        EXPECT_NE(p.errors()[0].find(record), std::string::npos) << p.errors()[0];
        EXPECT_FALSE(m.project().isOpen());
        EXPECT_EQ(readAll(record), bytes); // kept for whoever looks into it
        EXPECT_EQ(readAll(victim), victimBefore);
        // A command in another module is refused too rather than writing past the record.
        EXPECT_THROW(recoverInterruptedCommit(dir.path()), TableError);
    }
    std::filesystem::remove(record);
    EXPECT_EQ(contents(), Names{"А:1:1"});

    // The genuine record replayed, then found again (a recovery cut short): the same rows.
    for (int round = 0; round < 2; ++round) {
        writeAll(record, genuine);
        EXPECT_EQ(contents(), (Names{"А:1:1", "Новый:1:1"})) << round;
        EXPECT_FALSE(std::filesystem::exists(record));
    }
    // A whole record of the first format (no length) is still finished.
    writeAll(record, handMadeRecord("project.DB", "project", 50, "Старый", false));
    EXPECT_EQ(contents(), (Names{"А:1:1", "Новый:1:1", "Старый:0:0"}));
}

} // namespace
