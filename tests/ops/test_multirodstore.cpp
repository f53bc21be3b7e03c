// The multiple rod in a data folder: two rods store exactly what the double rod stores, the
// rods commands keep at least two rods, and a folder holding a multiple rod is one that the
// previous build's table check refuses while a folder without one stays as it was.

#include "calc/multirod.h"
#include "data/datamodule.h"
#include "data/multirodstore.h"
#include "data/objectops.h"
#include "data/podborops.h"
#include "data/projectops.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace kv;
namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

class MultiRodStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = (fs::temp_directory_path() / "korvan-mrod-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string());
        open();
    }
    void TearDown() override
    {
        dm.reset();
        fs::remove_all(dir);
    }
    void open()
    {
        dm.reset();
        dm = std::make_unique<DataModule>(dir.string(), prompter);
        ASSERT_TRUE(dm->openAll());
    }

    // A calculation case entered as the windows enter it, with the given conductor type.
    int enterCase(const json &j, const char *tip)
    {
        Table &param = dm->param();
        param.first();
        param.edit();
        for (const char *f : {"A1", "A2", "A3", "B1", "B2", "ObjShag"})
            if (j["settings"].contains(f))
                param.setValue(f, j["settings"][f].get<double>());
        param.setValue("ChkMsgUseAs2", j["settings"].value("ChkMsgUseAs2", false));
        param.post();
        if (std::string(tip) == kTipMultiRod)
            prepareMultiRodFolder(*dm);
        Table &p = dm->project();
        p.append();
        const json &pr = j["project"];
        p.setValue("Name", pr.value("Name", std::string("П")));
        p.setValue("ProdGrozMin", pr.value("ProdGrozMin", 0));
        p.setValue("ProdGrozMax", pr.value("ProdGrozMax", 0));
        p.setValue("Udarov", pr.value("Udarov", 0.0));
        p.setValue("IScale", pr.value("IScale", 500));
        p.setValue("TipMO", std::string(tip));
        EXPECT_TRUE(p.post());
        for (const json &c : j["conductors"]) {
            dm->mo().append();
            dm->mo().setValue("MX", c["MX"].get<double>());
            dm->mo().setValue("MY", c["MY"].get<double>());
            EXPECT_TRUE(dm->mo().post());
        }
        for (const json &o : j["objects"]) {
            ObjectEntry e;
            e.name = o.value("Name", std::string());
            e.buildingClass = o.value("Tip", 0);
            e.x = o.value("MXa", 0.0);
            e.y = o.value("MYa", 0.0);
            e.L = o.value("L", 0.0);
            e.S = o.value("S", 0.0);
            e.Hx = o.value("Hx", 0.0);
            if (o.contains("Zona"))
                e.zona = o["Zona"].get<std::string>();
            if (o.contains("Kateg"))
                e.kateg = std::optional<int>(o["Kateg"].get<int>());
            enterObject(*dm, e, j["settings"].value("ObjShag", 1.0));
        }
        CountZones(*dm);
        return p.asInt("Kod");
    }

    fs::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

// The stored rows without their keys and the type, for comparing two projects.
ProjectSnapshot withoutKeys(ProjectSnapshot s)
{
    s.project.Kod.reset();
    s.project.TipMO.reset();
    for (auto &c : s.conductors)
        c.Kod = c.Kod0 = std::nullopt;
    for (auto &o : s.objects) {
        o.Kod = o.Kod0 = std::nullopt;
        o.ShapeName.reset();
    }
    return s;
}

// Every double-rod calculation vector entered twice, as a double rod and as a two-rod multiple
// rod, selected (and chosen, when the case chooses) through the data folder: the stored rows
// agree field for field, bit for bit, and the messages agree.
TEST_F(MultiRodStore, TwoRodsStoreTheDoubleRodsRowsInBothModes)
{
    std::vector<std::pair<std::string, json>> cases;
    for (const auto &f : fs::directory_iterator(fs::path(KORVAN_TESTDATA) / "calc")) {
        const std::string name = f.path().filename().string();
        std::ifstream in(f.path());
        if (name.size() == 8 && name.ends_with(".json"))
            cases.emplace_back(name, json::parse(in));
    }
    // Two single rods: a span far beyond B2·H for the low rods the near objects need.
    cases.emplace_back("far apart", json::parse(R"({
        "settings": {"A1": 1, "A2": 2, "A3": 4, "B1": 1, "B2": 6, "ChkMsgUseAs2": true,
                     "ObjShag": 0.5},
        "project": {"ProdGrozMin": 60, "ProdGrozMax": 79, "Udarov": 5.5,
                    "TipMO": "двойной стержневой молниеотвод"},
        "conductors": [{"MX": 10, "MY": 10}, {"MX": 110, "MY": 10}],
        "objects": [{"Name": "Склад", "Tip": 3, "MXa": 12, "MYa": 12, "L": 3, "S": 3, "Hx": 5,
                     "Zona": "Б", "Kateg": 3},
                    {"Name": "Цех", "Tip": 3, "MXa": 104, "MYa": 6, "L": 4, "S": 2, "Hx": 4,
                     "Zona": "Б", "Kateg": 3}],
        "choose": {"Tip": "МС-12", "Prim": "Стержневые", "H": 12}})"));
    int modes[2] = {0, 0};
    for (const auto &[name, j] : cases) {
        if (j["project"].value("TipMO", "") != kTipDoubleRod)
            continue;
        ProjectSnapshot stored[2];
        std::vector<std::string> shown[2];
        for (int k = 0; k < 2; ++k) {
            enterCase(j, k == 0 ? kTipDoubleRod : kTipMultiRod);
            prompter.messages.clear();
            ASSERT_TRUE(runAutoPodbor(*dm).ran) << name;
            if (j.contains("choose"))
                chooseConstruction(*dm, ChosenConstruction{j["choose"]["Tip"], j["choose"]["Prim"],
                                                           j["choose"]["H"].get<double>()});
            for (const auto &m : prompter.messages)
                shown[k].push_back(m.text);
            stored[k] = withoutKeys(loadCurrentProject(*dm));
        }
        EXPECT_TRUE(stored[0].project == stored[1].project) << name;
        ASSERT_EQ(stored[0].conductors.size(), 2u) << name;
        for (std::size_t i = 0; i < 2; ++i) {
            // Bit for bit: == would let 0 and -0 pass.
            forEachField(stored[0].conductors[i], [&](const char *field, const auto &v) {
                forEachField(stored[1].conductors[i], [&](const char *g, const auto &w) {
                    if (std::string(field) != g)
                        return;
                    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, OptD>
                                  && std::is_same_v<std::decay_t<decltype(w)>, OptD>) {
                        ASSERT_EQ(v.has_value(), w.has_value()) << name << " " << field;
                        if (v) {
                            EXPECT_EQ(std::memcmp(&*v, &*w, sizeof(double)), 0)
                                << name << " " << field;
                        }
                    }
                });
            });
        }
        EXPECT_TRUE(stored[0].conductors == stored[1].conductors) << name;
        EXPECT_TRUE(stored[0].objects == stored[1].objects) << name;
        EXPECT_EQ(shown[0], shown[1]) << name;
        ++modes[stored[0].project.ChkUseAs2.value_or(false) ? 1 : 0];
    }
    EXPECT_GT(modes[0], 0);
    EXPECT_GT(modes[1], 0);
}

std::vector<std::string> columns(const fs::path &file, const char *table)
{
    sqlite3 *db = nullptr;
    std::vector<std::string> cols;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, (std::string("PRAGMA table_info(\"") + table + "\")").c_str(), -1,
                           &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            cols.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return cols;
}

// The table check of the build before the multiple rod, as it opens project.DB: the table named
// after the file must hold every field of the layout; the first missing one is refused.
std::string previousBuildCheck(const fs::path &folder)
{
    const auto cols = columns(folder / "project.DB", "project");
    for (const FieldDef &f : tableDef(TableId::Project).fields)
        if (std::find(cols.begin(), cols.end(), f.name) == cols.end())
            return "Ошибка. Файл " + (folder / "project.DB").string()
                   + " не является таблицей project.DB (нет поля " + f.name + ").";
    return {};
}

TEST_F(MultiRodStore, OnlyAFolderWithAMultipleRodIsRefusedByThePreviousBuild)
{
    // Today's projects, selected and stored: the folder keeps its 22 files and its layout.
    ProjectInput in = newProjectDefaults(*dm, "2026-12-09", "12:00:00");
    in.name = "Двойной";
    in.typeIndex = kTypeIndexDoubleRod;
    createProject(*dm, in);
    runAutoPodbor(*dm);
    EXPECT_FALSE(fs::exists(dir / "mrod.DB"));
    EXPECT_EQ(previousBuildCheck(dir), "");

    in.name = "Многократный";
    in.typeIndex = kTypeIndexMultiRod;
    const int kod = createProject(*dm, in);
    addRod(*dm, 20, 5);
    ObjectEntry e{"Склад", 3, 8, 4, 6, 3, 5, std::string("Б"), std::optional<int>(3)};
    enterObject(*dm, e, 1.0);
    runAutoPodbor(*dm);
    EXPECT_TRUE(fs::exists(dir / "mrod.DB"));
    EXPECT_EQ(previousBuildCheck(dir), "Ошибка. Файл " + (dir / "project.DB").string()
                                           + " не является таблицей project.DB (нет поля Kod).");

    // This build opens it again with every project, the pairs and elements included.
    const MultiRodResult before = loadMultiRod(*dm);
    open();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(dm->project().recordCount(), 3); // with the installation's sample project
    ASSERT_TRUE(locateProject(*dm, kod));
    const MultiRodResult after = loadMultiRod(*dm);
    ASSERT_EQ(after.pairs.size(), 3u);
    ASSERT_EQ(after.objects.size(), 1u);
    EXPECT_EQ(after.pairs[2].i, 1);
    EXPECT_EQ(after.pairs[2].j, 2);
    EXPECT_EQ(after.objects[0].by, before.objects[0].by);
    EXPECT_EQ(after.objects[0].H, before.objects[0].H);
    EXPECT_EQ(after.objects[0].H, loadCurrentProject(*dm).objects[0].H);
}

TEST_F(MultiRodStore, RodsCommandsKeepTwoRodsAndTheirResultsGoWithTheProject)
{
    ProjectInput in = newProjectDefaults(*dm, "2026-12-09", "12:00:00");
    in.name = "М";
    in.typeIndex = kTypeIndexMultiRod;
    createProject(*dm, in);
    EXPECT_EQ(dm->mo().recordCount(), 2);
    EXPECT_EQ(addRod(*dm, -3, 7.4), 2);
    dm->mo().last();
    EXPECT_EQ(dm->mo().asDouble("MX"), 0); // snapped, never below 0
    EXPECT_EQ(dm->mo().asDouble("MY"), 7);
    ObjectEntry e{"Склад", 3, 8, 4, 6, 3, 5, std::string("Б"), std::optional<int>(3)};
    enterObject(*dm, e, 1.0);
    runAutoPodbor(*dm);
    EXPECT_EQ(dm->table(TableId::MRod).recordCount(), 4); // three pairs and one object
    deleteRod(*dm, 0);
    EXPECT_EQ(dm->mo().recordCount(), 2);
    try {
        deleteRod(*dm, 1);
        ADD_FAILURE() << "a multiple rod kept one rod";
    } catch (const TableError &err) {
        EXPECT_STREQ(err.what(), kMsgMultiRodTooFew);
    }
    EXPECT_EQ(dm->mo().recordCount(), 2);
    // A copy takes the rows along; a change of type drops them with the rods beyond two.
    addRod(*dm, 30, 30);
    runAutoPodbor(*dm);
    copyCurrentProject(*dm, "Копия");
    EXPECT_EQ(loadMultiRod(*dm).pairs.size(), 3u);
    in = currentProjectInput(*dm);
    in.typeIndex = kTypeIndexDoubleRod;
    editProject(*dm, in, {});
    EXPECT_EQ(dm->mo().recordCount(), 2);
    EXPECT_EQ(dm->table(TableId::MRod).recordCount(), 0);
}

} // namespace
