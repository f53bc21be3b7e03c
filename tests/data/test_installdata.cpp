#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sqlite3.h>
#include <set>

using namespace kv;
using kv::test::TempDir;

namespace {

std::set<std::string> filesIn(const std::string &dir)
{
    std::set<std::string> out;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

class InstallDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(createInstallationData(dir.path() + "Data"), kFolderTableCount);
        data = dir.path() + "Data/";
        dm = std::make_unique<DataModule>(data, prompter);
        dm->openAll();
        ASSERT_TRUE(prompter.messages.empty());
    }
    TempDir dir;
    std::string data;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

TEST_F(InstallDataTest, CreatesTheTwentyTwoFilesWithTheirExactNames)
{
    dm->closeAll();
    std::set<std::string> expected;
    for (TableId id : openingOrder())
        if (!tableDef(id).lazy) // the multiple rod's table comes with its first project
            expected.insert(tableDef(id).fileName);
    EXPECT_EQ(filesIn(data), expected);
}

TEST_F(InstallDataTest, NeverOverwritesAnExistingTable)
{
    Table &poraj = dm->table(TableId::Poraj);
    while (!poraj.isEmpty())
        poraj.remove();
    dm->closeAll();
    std::filesystem::remove(data + "class.db");
    EXPECT_EQ(createInstallationData(data), 1);
    EXPECT_EQ(createInstallationData(data), 0);
    dm->openAll();
    EXPECT_EQ(dm->table(TableId::Poraj).recordCount(), 0);
    EXPECT_EQ(dm->table(TableId::Class).recordCount(), 16);
}

TEST_F(InstallDataTest, SixteenClassesWithTexts)
{
    Table &c = dm->table(TableId::Class);
    ASSERT_EQ(c.recordCount(), 16);
    int k = 1;
    for (c.first(); !c.eof(); c.next(), ++k) {
        EXPECT_EQ(c.asInt("Kod"), k);
        EXPECT_GT(c.asText("ClassObj").size(), 40u);
    }
    ASSERT_TRUE(c.locate({{"Kod", 16}}));
    EXPECT_NE(c.asText("ClassObj").find("15 м"), std::string::npos);
    ASSERT_TRUE(c.locate({{"Kod", 1}}));
    EXPECT_NE(c.asText("ClassObj").find("В-I и В-II"), std::string::npos);
}

TEST_F(InstallDataTest, ThunderstormRowsAndSettings)
{
    const auto rows = dm->table(TableId::Poraj).select({"ProdGrozMin", "ProdGrozMax", "Udarov"}, "");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[3][0].toInt(), 60);
    EXPECT_EQ(rows[3][1].toInt(), 79);
    EXPECT_EQ(rows[3][2].toDouble(), 5.5);
    EXPECT_TRUE(rows[5][1].isNull());
    EXPECT_EQ(rows[5][2].toDouble(), 8.5);

    Table &p = dm->param();
    ASSERT_EQ(p.recordCount(), 1);
    EXPECT_EQ(p.asDouble("A3"), 4.0);
    EXPECT_EQ(p.asDouble("B2"), 6.0);
    EXPECT_TRUE(p.asBool("ChkMsgUseAs2"));
    EXPECT_EQ(p.asText("PodLineStyle"), "пунктирная");
    EXPECT_EQ(p.asText("SelLineStyle"), "сплошная");
    EXPECT_EQ(p.asInt("MOColor"), 255);
    EXPECT_FALSE(p.asBool("UseKlav"));

    Table &r = dm->table(TableId::Report);
    ASSERT_EQ(r.recordCount(), 1);
    EXPECT_EQ(r.asText("Name"), "Полный отчет");
    // Every part stored with the profile but the 3D picture and the underlay, which a designer
    // asks for.
    for (const auto &f : r.def().fields) {
        if (f.type == FieldType::Boolean) {
            EXPECT_EQ(r.asBool(f.name), f.name != "CherVid3D" && f.name != "CherPodlozhka")
                << f.name;
        }
    }
    EXPECT_EQ(r.asText("PageNum"), "в нижнем колонтитуле");
    EXPECT_EQ(r.asInt("LeftMargin"), 30);
}

TEST_F(InstallDataTest, CataloguesFitWhereTheyAreCopied)
{
    // The group name goes into mo.Prim and the type into mo.Tip when a construction is chosen.
    const int primSize = tableDef(TableId::Mo).field("Prim")->size;
    for (auto [groups, items] : {std::pair{TableId::SMo0, TableId::SMo1},
                                 std::pair{TableId::SMoT0, TableId::SMoT1}}) {
        Table &g = dm->table(groups);
        Table &i = dm->table(items);
        ASSERT_GE(g.recordCount(), 2);
        for (g.first(); !g.eof(); g.next()) {
            EXPECT_LE(static_cast<int>(g.asText("Name").size() / 2), primSize);
            ASSERT_GE(i.recordCount(), 3) << g.asText("Name");
            for (i.first(); !i.eof(); i.next()) {
                EXPECT_GE(i.asDouble("H"), 5.0);
                EXPECT_LE(i.asDouble("H"), 50.0);
            }
        }
    }
}

TEST_F(InstallDataTest, SagRowsCoverSpansUpTo150AndPassTheirRules)
{
    Table &s = dm->table(TableId::SProves);
    double covered = 0;
    for (s.first(); !s.eof(); s.next()) {
        EXPECT_EQ(s.asDouble("Lot"), covered); // no gaps
        covered = s.asDouble("Ldo");
        ASSERT_TRUE(s.edit());
        EXPECT_TRUE(s.post()) << "row up to " << covered;
    }
    EXPECT_GE(covered, 150.0);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_GE(dm->table(TableId::ObjName).recordCount(), 35);
}

TEST_F(InstallDataTest, SampleProjectIsConsistent)
{
    Table &p = dm->project();
    ASSERT_TRUE(p.locate({{"Kod", dm->param().asInt("LastProj")}}));
    EXPECT_EQ(p.asText("TipMO"), "одиночный стержневой молниеотвод");
    EXPECT_EQ(dm->mo().recordCount(), 1);
    Table &o = dm->object();
    ASSERT_EQ(o.recordCount(), 3);
    int zoneA = 0;
    int zoneB = 0;
    std::set<int> classes;
    for (o.first(); !o.eof(); o.next()) {
        const int cls = o.asInt("Tip");
        classes.insert(cls);
        const double n = round2(ExpectedStrikes(cls, o.asDouble("L"), o.asDouble("S"),
                                                o.asDouble("Hx"), p.asDouble("Udarov")));
        EXPECT_DOUBLE_EQ(o.asDouble("N"), n) << o.asText("Name");
        const auto rule = ClassRule(cls, p.asInt("ProdGrozMin"), n, o.asDouble("Hx"));
        EXPECT_EQ(o.asText("Zona"), rule.zone) << o.asText("Name");
        EXPECT_EQ(o.value("Kateg").optInt(), rule.category) << o.asText("Name");
        EXPECT_EQ(o.asText("STip"), shapeKindOfClass(cls));
        EXPECT_EQ(o.asText("ShapeName"), "Shape" + std::to_string(o.asInt("Kod")));
        zoneA += o.asText("Zona") == "А";
        zoneB += o.asText("Zona") == "Б";
    }
    EXPECT_EQ(classes.size(), 3u);
    EXPECT_EQ(p.asInt("ZonaACnt"), zoneA);
    EXPECT_EQ(p.asInt("ZonaBCnt"), zoneB);
}

} // namespace

namespace {

TEST_F(InstallDataTest, ObjectClassTextIsLookedUpFromTheClassTable)
{
    Table &o = dm->object();
    ASSERT_TRUE(o.locate({{"Tip", 16}}));
    EXPECT_NE(o.asText("ClassObject").find("трубы"), std::string::npos);
    ASSERT_TRUE(o.edit());
    o.setValue("Tip", 3);
    EXPECT_NE(o.asText("ClassObject").find("В-Iг"), std::string::npos);
    o.setNull("Tip");
    EXPECT_TRUE(o.isNull("ClassObject"));
    o.cancel();
    // The class table does not move.
    EXPECT_EQ(dm->table(TableId::Class).recNo(), 0);
}

} // namespace

// A report file written before the 3D picture and the underlay existed opens with those flags
// added and off; a file missing any other field is still refused as another table.
TEST_F(InstallDataTest, AReportFileFromBeforeThe3DPictureGetsItOff)
{
    dm->closeAll();
    auto dropColumn = [&](const std::string &file, const char *table, const char *column) {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open((data + file).c_str(), &db), SQLITE_OK);
        const std::string sql = std::string("ALTER TABLE \"") + table + "\" DROP COLUMN \"" + column + "\"";
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    };
    const char *later[] = {"CherVid3D", "CherPodlozhka"};
    for (const char *column : later)
        dropColumn("report.DB", "report", column);
    dm->openAll();
    EXPECT_TRUE(prompter.messages.empty());
    Table &report = dm->table(TableId::Report);
    report.first();
    EXPECT_EQ(report.asText("Name"), "Полный отчет");
    EXPECT_TRUE(report.asBool("CherVidPrymo"));
    for (const char *column : later) {
        EXPECT_FALSE(report.asBool(column)) << column;
        report.edit();
        report.setValue(column, true);
        report.post();
        EXPECT_TRUE(report.asBool(column)) << column;
    }

    dm->closeAll();
    dropColumn("report.DB", "report", "PrimVidPrymo");
    Table again(TableId::Report);
    EXPECT_THROW(again.open(data), TableError);
}
