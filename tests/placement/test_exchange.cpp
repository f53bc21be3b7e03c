// The placement tables in the project file and in korvan-cli's export: a project whose tables a
// real search filled is saved as a .kvproj, imported by korvan-cli as a new project and exported
// again with the same rows; a damaged placement member refuses the whole file and leaves every
// table as it was.

#include "fixture.h"

#include "../cli/clirun.h"
#include "data/snapshot.h"
#include "exchange/projectfile.h"
#include "placement/placementdriver.h"

#include <map>

using namespace kv;
using namespace clitest;
using json = nlohmann::ordered_json;

namespace {

// The exported project without what belongs to its keys.
json withoutKeys(json doc)
{
    doc["project"].erase("Kod");
    const auto strip = [](json &rows) {
        for (json &row : rows)
            for (const char *k : {"Kod", "Kod0", "ShapeName"})
                row.erase(k);
    };
    strip(doc["conductors"]);
    strip(doc["objects"]);
    if (doc.contains("placement"))
        for (json &rows : doc["placement"])
            strip(rows);
    return doc;
}

// Every row of every project table, as another program reading the folder sees them.
std::map<TableId, std::vector<std::vector<Value>>> allRows(const std::string &dir)
{
    RecordingPrompter quiet;
    DataModule other(dir, quiet);
    other.openAll();
    std::map<TableId, std::vector<std::vector<Value>>> out;
    for (TableId id : projectTables()) {
        Table &t = other.table(id);
        if (!t.isOpen())
            continue;
        t.setMaster(nullptr);
        t.refresh();
        for (t.first(); !t.eof(); t.next())
            out[id].push_back(*t.rowByKey(t.bookmark()));
    }
    return out;
}

class PlacementExchange : public kv::test::PlacementDb {
protected:
    std::string data() const { return "--data " + quote(dir) + " "; }
    std::string kvproj(const char *name) const
    {
        return (std::filesystem::path(dir).parent_path() / (dir + "-" + name)).string();
    }
    void TearDown() override
    {
        for (const auto &f : written) {
            std::error_code ec;
            std::filesystem::remove(f, ec);
        }
        PlacementDb::TearDown();
    }
    std::string save(const char *name)
    {
        const std::string path = kvproj(name);
        written.push_back(path);
        saveProjectFile(*dm, path);
        return path;
    }
    void write(const std::string &path, const json &doc)
    {
        written.push_back(path);
        std::ofstream(path) << doc.dump(1);
    }
    std::vector<std::string> written;
};

} // namespace

// Two single-rod variants (one searched, with an exclusion sub-range), or a complex variant with
// ranges for both supports and their combinations; a multiple rod with its pairs.
TEST_F(PlacementExchange, SavedFileImportedByCliExportsTheSameRows)
{
    const char *kinds[] = {"одиночный стержневой молниеотвод", "одиночный тросовый молниеотвод",
                           "двойной стержневой молниеотвод"};
    for (const char *tip : kinds) {
        SCOPED_TRACE(tip);
        const bool single = std::string(tip) == kinds[0];
        newProject(tip, single ? std::vector<std::pair<double, double>>{{0, 0}}
                               : std::vector<std::pair<double, double>>{{0, 0}, {30, 0}});
        addObject("Склад", 10, 10, 0, 0, 9.2, "Б");
        addObject("Навес", 2, 14, 3, 2, 4, "А");
        SearchFeedback fb;
        if (single) {
            ASSERT_TRUE(addVariant(TableId::Diap0, "Вдоль склада"));
            ASSERT_TRUE(addRange(TableId::Diap1, 0, 20, 2, 0, 20, 2));
            ASSERT_TRUE(addSub(TableId::Diap2, 8, 12, 8, 12, {true, false, true, false}));
            ASSERT_TRUE(addRange(TableId::Diap1, 20, 30, 5, 0, 10, 5));
            ASSERT_TRUE(runSingleRodSearch(*dm, fb).found);
            ASSERT_TRUE(addVariant(TableId::Diap0, "Запасной"));
            ASSERT_TRUE(addRange(TableId::Diap1, 0, 5, 1, 0, 5, 1));
        } else {
            ASSERT_TRUE(addVariant(TableId::Diap2MO0, "Две опоры"));
            ASSERT_TRUE(addRange(TableId::Diap2MO1, 0, 10, 5, 0, 10, 5, "Левый"));
            ASSERT_TRUE(addSub(TableId::Diap2MO2, 4, 6, 4, 6));
            ASSERT_TRUE(addRange(TableId::Diap2MO11, 20, 30, 5, 0, 10, 5, "Правый"));
            ASSERT_TRUE(addSub(TableId::Diap2MO21, 25, 30, 0, 5, {false, true, false, true}));
            ASSERT_TRUE(addRange(TableId::Diap2MO11, 30, 40, 5, 20, 30, 5, "Дальний"));
            ASSERT_TRUE(runComplexSearch(*dm, fb).outcome.found);
        }
        const std::string kod = std::to_string(dm->project().asInt("Kod"));
        const std::string file = save(single ? "single.kvproj" : "complex.kvproj");

        const CliRun imported = run(data() + "import " + quote(file));
        ASSERT_EQ(imported.code, 0);
        const std::string kod2 = imported.out.substr(0, imported.out.find('\n'));
        ASSERT_NE(kod2, kod);
        const json a = json::parse(run(data() + "export " + kod).out);
        const json b = json::parse(run(data() + "export " + kod2).out);
        EXPECT_EQ(withoutKeys(b).dump(1), withoutKeys(a).dump(1));
        // The search results travel with the tables.
        const json &p = a["placement"];
        if (single) {
            ASSERT_EQ(p["diap0.DB"].size(), 2u);
            EXPECT_TRUE(p["diap0.DB"][0]["H"].is_number());
            EXPECT_TRUE(p["diap0.DB"][1]["H"].is_null());
            EXPECT_EQ(p["diap1.db"].size(), 3u);
            EXPECT_EQ(p["diap2.db"].size(), 1u);
        } else {
            EXPECT_EQ(p["diap2MO_3.DB"].size(), 2u);
            EXPECT_TRUE(p["diap2MO_0.DB"][0]["H1"].is_number());
            EXPECT_EQ(p["diap2MO_2_1.DB"][0]["VklX1"], false);
        }
        // The new project's variants hang under its own key.
        EXPECT_EQ(b["placement"][single ? "diap0.DB" : "diap2MO_0.DB"][0]["Kod0"],
                  std::stoi(kod2));
    }

    // A multiple rod, with the pairs and elements its selection stored.
    json six = rodCase();
    six["project"]["TipMO"] = "многократный стержневой молниеотвод";
    six["conductors"] = json::array({{{"MX", 10}, {"MY", 10}}, {{"MX", 30}, {"MY", 10}},
                                     {{"MX", 10}, {"MY", 30}}});
    const std::string caseFile = kvproj("multi.json");
    write(caseFile, six);
    const CliRun calc = run("calc " + quote(caseFile));
    ASSERT_EQ(calc.code, 0);
    write(caseFile, json::parse(calc.out));
    const CliRun first = run(data() + "import " + quote(caseFile));
    ASSERT_EQ(first.code, 0);
    const std::string kod = first.out.substr(0, first.out.find('\n'));
    RecordingPrompter quiet;
    DataModule other(dir, quiet);
    other.openAll();
    ASSERT_TRUE(locateProject(other, std::stoi(kod)));
    const std::string file = kvproj("multi.kvproj");
    written.push_back(file);
    saveProjectFile(other, file);
    const CliRun again = run(data() + "import " + quote(file));
    ASSERT_EQ(again.code, 0);
    const json a = json::parse(run(data() + "export " + kod).out);
    const std::string kod2 = again.out.substr(0, again.out.find('\n'));
    const json b = json::parse(run(data() + "export " + kod2).out);
    EXPECT_EQ(a["pairs"].size(), 3u);
    EXPECT_EQ(withoutKeys(b).dump(1), withoutKeys(a).dump(1));
}

TEST_F(PlacementExchange, DamagedPlacementRefusesTheWholeFile)
{
    newProject("одиночный стержневой молниеотвод", {{0, 0}});
    addObject("Склад", 10, 10, 0, 0, 9.2, "Б");
    ASSERT_TRUE(addVariant(TableId::Diap0, "Первый"));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 20, 2, 0, 20, 2));
    ASSERT_TRUE(addSub(TableId::Diap2, 8, 12, 8, 12));
    ASSERT_TRUE(addVariant(TableId::Diap0, "Второй"));
    ASSERT_TRUE(addRange(TableId::Diap1, 0, 5, 1, 0, 5, 1));
    const json good = readProjectFile(save("good.kvproj"));
    const auto change = [&](const std::function<void(json &)> &f) {
        json d = good;
        f(d["placement"]);
        return d;
    };
    const struct {
        const char *name;
        json file;
        const char *said;
    } cases[] = {
        {"not an object", change([](json &p) { p = "таблицы"; }), "\"placement\""},
        {"not an array", change([](json &p) { p["diap1.db"] = json::object(); }), "diap1.db"},
        {"no parent", change([](json &p) { p["diap2.db"][0]["Kod0"] = 99999; }), "diap2.db"},
        {"repeated key", change([](json &p) { p["diap0.DB"][1]["Kod"] = p["diap0.DB"][0]["Kod"]; }),
         "diap0.DB"},
        {"wrong type", change([](json &p) { p["diap1.db"][1]["X1"] = "ноль"; }), "diap1.db"},
        {"no name", change([](json &p) { p["diap0.DB"][1]["Name"] = ""; }), "diap0.DB"},
        {"zero step", change([](json &p) { p["diap1.db"][1]["DY"] = 0; }), "diap1.db"},
        {"wholly outside", change([](json &p) {
             p["diap2.db"][0]["X1"] = -9;
             p["diap2.db"][0]["X2"] = -5;
         }),
         "diap2.db"},
        // The question the grid would ask (clip it?) is not asked: the file is refused.
        {"partly outside", change([](json &p) { p["diap2.db"][0]["X1"] = -5; }), "diap2.db"},
    };
    const auto before = allRows(dir);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = kvproj("bad.kvproj");
        write(path, c.file);
        const CliRun r = run(data() + "import " + quote(path), {}, true);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.out.find(c.said), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Обрезать"), std::string::npos) << r.out;
        EXPECT_TRUE(allRows(dir) == before);
    }
}
