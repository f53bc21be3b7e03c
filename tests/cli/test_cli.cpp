// korvan-cli end to end: calculation cases against independently computed results, the export
// and import round trip, refusals and exit codes.

#include "clirun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using namespace clitest;

namespace {

class TempDir {
public:
    TempDir()
    {
        std::string t = (fs::temp_directory_path() / "korvan-test-XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

bool isKeyField(const std::string &k) { return k == "Kod" || k == "Kod0" || k == "ShapeName"; }

// Compares stored rows: numbers within tol, everything else exactly; returns the differences.
void compareRows(const json &got, const json &want, const std::string &where, double tol,
                 std::vector<std::string> &diffs)
{
    if (got.size() != want.size()) {
        diffs.push_back(where + ": " + std::to_string(got.size()) + " rows, expected "
                        + std::to_string(want.size()));
        return;
    }
    for (size_t i = 0; i < want.size(); ++i)
        for (const auto &[k, w] : want[i].items()) {
            if (isKeyField(k))
                continue;
            const json g = got[i].contains(k) ? got[i][k] : json("<missing>");
            const bool same = (w.is_number() && g.is_number())
                                  ? std::fabs(w.get<double>() - g.get<double>()) <= tol
                                  : g == w;
            if (!same)
                diffs.push_back(where + "[" + std::to_string(i) + "]." + k + ": " + g.dump()
                                + " expected " + w.dump());
        }
}

std::vector<fs::path> cases(const char *sub)
{
    std::vector<fs::path> v;
    const fs::path dir = fs::path(KORVAN_TESTDATA) / sub;
    if (!fs::exists(dir))
        return v;
    for (const auto &e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.size() == 8 && name.ends_with(".json"))
            v.push_back(e.path());
    }
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

TEST(CliCalc, VectorsMatch)
{
    const auto files = cases("calc");
    ASSERT_FALSE(files.empty());
    int exact = 0;
    for (const fs::path &c : files) {
        SCOPED_TRACE(c.filename().string());
        const CliRun r = run("calc " + quote(c.string()));
        ASSERT_EQ(r.code, 0);
        const json got = json::parse(r.out);
        fs::path e = c;
        e.replace_extension(".expected.json");
        const json want = readJson(e);
        std::vector<std::string> diffs;
        compareRows(json::array({got["project"]}), json::array({want["project"]}), "project",
                    0.011, diffs);
        compareRows(got["conductors"], want["conductors"], "conductors", 0.011, diffs);
        compareRows(got["objects"], want["objects"], "objects", 0.011, diffs);
        EXPECT_EQ(got["messages"], want["messages"]);
        for (const auto &d : diffs)
            ADD_FAILURE() << d;
        std::vector<std::string> strict;
        compareRows(got["conductors"], want["conductors"], "", 1e-9, strict);
        compareRows(got["objects"], want["objects"], "", 1e-9, strict);
        if (strict.empty())
            ++exact;
    }
    RecordProperty("exact", exact);
    EXPECT_EQ(exact, static_cast<int>(files.size()));
}

TEST(CliCalc, LeavesNoTemporaryFolder)
{
    // The case runs in a folder of its own temporary directory, which must be empty afterwards
    // (a private TMPDIR keeps other tests running at the same time out of the count).
    const auto files = cases("calc");
    ASSERT_FALSE(files.empty());
    TempDir tmp;
    ASSERT_EQ(run("calc " + quote(files.front().string()), "TMPDIR=" + quote(tmp.path.string()))
                  .code,
              0);
    EXPECT_TRUE(fs::is_empty(tmp.path));
    // The folder really is made there: without a usable temporary directory the case fails.
    EXPECT_NE(run("calc " + quote(files.front().string()),
                  "TMPDIR=" + quote((tmp.path / "missing").string()))
                  .code,
              0);
}

TEST(CliCalc, ObjectWithoutProtectionNeedIsRefused)
{
    TempDir d;
    json c = {{"project",
               {{"Name", "P"}, {"ProdGrozMin", 10}, {"ProdGrozMax", 19}, {"Udarov", 1.0},
                {"TipMO", "одиночный стержневой молниеотвод"}, {"IScale", 500}}},
              {"conductors", json::array({{{"MX", 0}, {"MY", 0}}})},
              {"objects", json::array({{{"Name", "Сарай"}, {"SLabel", "1"}, {"MXa", 1},
                                        {"MYa", 1}, {"L", 5}, {"S", 5}, {"Hx", 3}, {"Tip", 10}}})}};
    const fs::path f = d.path / "case.json";
    std::ofstream(f) << c.dump();
    const CliRun refused = run("calc " + quote(f.string()), {}, true);
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.out.find("Сарай"), std::string::npos) << refused.out;

    // With an explicit zone and category the same object is accepted.
    c["objects"][0]["Zona"] = "Б";
    c["objects"][0]["Kateg"] = 3;
    std::ofstream(f) << c.dump();
    const CliRun r = run("calc " + quote(f.string()));
    ASSERT_EQ(r.code, 0);
    const json got = json::parse(r.out);
    EXPECT_EQ(got["objects"][0]["Zona"], "Б");
    EXPECT_EQ(got["project"]["ZonaBCnt"], 1);
    EXPECT_TRUE(got["objects"][0]["H"].is_number());
}

TEST(CliProject, ExportImportRoundTrip)
{
    TempDir d;
    const std::string data = "--data " + quote((d.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path / "Data"), fs::directory_iterator{}), 22);
    const CliRun list = run(data + "list");
    ASSERT_EQ(list.code, 0);
    const std::string kod = list.out.substr(0, list.out.find('\t'));
    ASSERT_FALSE(kod.empty());

    // Compute something first so that result fields travel too.
    ASSERT_EQ(run(data + "podbor " + kod).code, 0);
    const CliRun first = run(data + "export " + kod);
    ASSERT_EQ(first.code, 0);
    const json a = json::parse(first.out);
    EXPECT_EQ(a["objects"].size(), 3u);
    EXPECT_TRUE(a["conductors"][0]["H"].is_number());
    EXPECT_TRUE(a["project"]["ProjMemo"].is_null() || a["project"]["ProjMemo"].is_string());

    const fs::path f = d.path / "p.json";
    json withExtra = a;
    withExtra["messages"] = json::array({"ignored"});
    std::ofstream(f) << withExtra.dump();
    const CliRun imp = run(data + "import " + quote(f.string()));
    ASSERT_EQ(imp.code, 0);
    const std::string kod2 = imp.out.substr(0, imp.out.find('\n'));
    EXPECT_NE(kod2, kod);
    const json b = json::parse(run(data + "export " + kod2).out);

    std::vector<std::string> diffs;
    compareRows(json::array({b["project"]}), json::array({a["project"]}), "project", 0, diffs);
    compareRows(b["conductors"], a["conductors"], "conductors", 0, diffs);
    compareRows(b["objects"], a["objects"], "objects", 0, diffs);
    for (const auto &x : diffs)
        ADD_FAILURE() << x;
    // Every stored field is present, empty ones as null.
    EXPECT_EQ(a["objects"][0].size(), b["objects"][0].size());
    EXPECT_TRUE(b["objects"][0].contains("TipPrim"));
    EXPECT_FALSE(b["objects"][0].contains("ClassObject"));
}

TEST(CliProject, ImportEvaluatesAndRefusesWholly)
{
    TempDir d;
    const std::string data = "--data " + quote((d.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    const std::string before = run(data + "list").out;
    json doc = {{"project",
                 {{"Name", "Импорт"}, {"ProdGrozMin", 60}, {"ProdGrozMax", 79}, {"Udarov", 5.5},
                  {"TipMO", "одиночный стержневой молниеотвод"}, {"IScale", 500}}},
                {"conductors", json::array({{{"MX", 0}, {"MY", 0}}})},
                {"objects", json::array({{{"Name", "Башня"}, {"SLabel", "1"}, {"MXa", 5},
                                          {"MYa", 5}, {"L", 2}, {"S", 2}, {"Hx", 20},
                                          {"Tip", 16}}})}};
    const fs::path f = d.path / "i.json";
    std::ofstream(f) << doc.dump();
    const CliRun ok = run(data + "import " + quote(f.string()));
    ASSERT_EQ(ok.code, 0);
    const json got = json::parse(run(data + "export " + ok.out.substr(0, ok.out.find('\n'))).out);
    EXPECT_EQ(got["objects"][0]["Zona"], "Б");
    EXPECT_EQ(got["objects"][0]["Kateg"], 3);
    EXPECT_EQ(got["objects"][0]["STip"], "сосредоточенный");
    EXPECT_EQ(got["project"]["ZonaBCnt"], 1);

    // A second object that needs no protection: nothing of the project stays behind.
    const std::string afterFirst = run(data + "list").out;
    doc["objects"].push_back({{"Name", "Навес"}, {"SLabel", "2"}, {"MXa", 5}, {"MYa", 5},
                              {"L", 2}, {"S", 2}, {"Hx", 10}, {"Tip", 16}});
    std::ofstream(f) << doc.dump();
    EXPECT_EQ(run(data + "import " + quote(f.string())).code, 2);
    EXPECT_EQ(run(data + "list").out, afterFirst);
    EXPECT_NE(afterFirst, before);
}

TEST(CliProject, MissingProjectAndFolderFail)
{
    TempDir d;
    EXPECT_NE(run("--data " + quote((d.path / "none").string()) + " list").code, 0);
    const std::string data = "--data " + quote((d.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    EXPECT_NE(run(data + "export 9999").code, 0);
    EXPECT_NE(run(data + "podbor x").code, 0);
    EXPECT_NE(run("frobnicate").code, 0);
}

// The rolling-sphere check of a case and of a stored project: the JSON shape, each level's
// fields consistent with its verdict, the best level and the rod height for a level; and the
// arguments it refuses.
TEST(CliSphere, CaseAndStoredProject)
{
    TempDir d;
    const fs::path f = d.path / "case.json";
    std::ofstream(f) << rodCase().dump();
    const CliRun r = run("sphere " + quote(f.string()) + " --height III");
    ASSERT_EQ(r.code, 0);
    const json got = json::parse(r.out);
    ASSERT_EQ(got["objects"].size(), 1u);
    EXPECT_EQ(got["objects"][0]["Name"], "Склад");
    EXPECT_EQ(got["objects"][0]["SLabel"], "1");
    int best = -1;
    const char *names[] = {"I", "II", "III", "IV"};
    for (int k = 3; k >= 0; --k) {
        const json &l = got["objects"][0]["levels"][names[k]];
        ASSERT_TRUE(l["protected"].is_boolean());
        if (l["protected"].get<bool>()) {
            EXPECT_TRUE(l["point"].is_null());
            EXPECT_EQ(l["depth"], 0);
            best = k;
        } else {
            ASSERT_EQ(l["point"].size(), 3u);
            EXPECT_GE(l["depth"].get<double>(), 0);
        }
    }
    EXPECT_EQ(got["best_level"], best < 0 ? json(nullptr) : json(names[best]));
    EXPECT_EQ(got["height"]["level"], "III");
    ASSERT_TRUE(got["height"]["H"].is_number());

    const std::string data = "--data " + quote((d.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    const std::string kod = run(data + "list").out.substr(0, run(data + "list").out.find('\t'));
    const CliRun stored = run(data + "sphere " + kod);
    ASSERT_EQ(stored.code, 0);
    const json s = json::parse(stored.out);
    EXPECT_EQ(s["objects"].size(), 3u);
    EXPECT_FALSE(s.contains("height"));

    EXPECT_EQ(run("sphere").code, 2);
    EXPECT_EQ(run("sphere " + quote(f.string()) + " --height V").code, 2);
    EXPECT_EQ(run(data + "sphere 99999").code, 2);
    EXPECT_EQ(run("sphere " + quote((d.path / "none.json").string())).code, 2);
}
