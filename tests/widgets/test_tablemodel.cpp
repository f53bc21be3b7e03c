// The generic item model over a table: rows and columns, labels, edits through the table's rules,
// row-level notifications, checked with QAbstractItemModelTester.

#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "widgets/tablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace kv;

namespace {

struct ModelFixture : ::testing::Test {
    ModelFixture()
    {
        std::string t = (fs::temp_directory_path() / "korvan-model-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string() + "/");
        dm = std::make_unique<DataModule>(dir.string() + "/", prompter);
        dm->openAll();
    }
    ~ModelFixture() override
    {
        dm.reset();
        fs::remove_all(dir);
    }
    fs::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

} // namespace

TEST_F(ModelFixture, FollowsTheTableRowByRow)
{
    Table &t = dm->table(TableId::Poraj);
    TableModel model(t);
    model.setPrompter(&prompter);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int rows = model.rowCount();
    ASSERT_GT(rows, 2);
    EXPECT_EQ(model.columnOf("Kod"), -1); // keys are not shown by default
    const int cMin = model.columnOf("ProdGrozMin");
    ASSERT_GE(cMin, 0);
    EXPECT_FALSE(model.headerData(cMin, Qt::Horizontal).toString().isEmpty());

    // An edit through the model is posted through the table; a non-number is refused with the
    // numeric message and leaves the row as it was.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const int cU = model.columnOf("Udarov");
    ASSERT_TRUE(model.setData(model.index(1, cU), "7,5"));
    EXPECT_EQ(model.data(model.index(1, cU)).toString(), "7,5");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(model.setData(model.index(1, cU), "7,5,"));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибочное значение для числового параметра."});
    EXPECT_EQ(model.data(model.index(1, cU)).toString(), "7,5");

    // In a keyed table, rows appended or deleted arrive as single inserted or removed rows.
    Table &groups = dm->table(TableId::SMo0);
    TableModel gm(groups);
    QAbstractItemModelTester gtester(&gm, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int n = gm.rowCount();
    QSignalSpy inserted(&gm, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&gm, &QAbstractItemModel::rowsRemoved);
    groups.append();
    groups.setValue("Name", "Опоры новые");
    ASSERT_TRUE(groups.post());
    EXPECT_EQ(gm.rowCount(), n + 1);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(gm.currentRow(), n);
    ASSERT_TRUE(gm.setCurrentRow(0));
    EXPECT_EQ(groups.recNo(), 0);
    ASSERT_TRUE(groups.remove());
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(gm.rowCount(), n);

    // A filter changes the visible set.
    t.setFilter("[ProdGrozMin]>=100");
    EXPECT_LT(model.rowCount(), rows);
    t.setFilter("");
    EXPECT_EQ(model.rowCount(), rows);
}
