// Transactions over several table files: all or nothing, to this program and to another one
// reading the same folder, also when the writer dies inside its commit.

#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/transaction.h"
#include "data/transaction_p.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
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
    // A damaged record is not a commit point: it is dropped, the files stay as they are.
    {
        FILE *f = fopen(dir.file(kCommitRecordName).c_str(), "wb");
        fputs("KVCOMMIT1\nнеполная запись", f);
        fclose(f);
    }
    dm = open();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(dm->project().recordCount(), 3);
    EXPECT_FALSE(std::filesystem::exists(dir.file(kCommitRecordName)));
}

} // namespace
