// korvan-cli and the multiple rod: the double rod's vectors re-entered as two-rod multiple rods,
// a six-rod project through calc, import, export, render and report, its project file, and the
// refusal of one rod.

#include "clirun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using namespace clitest;

namespace
{

const char *kMulti = "многократный стержневой молниеотвод";

fs::path writeCase(const fs::path &dir, const std::string &name, const json &c)
{
    const fs::path f = dir / name;
    std::ofstream(f) << c.dump();
    return f;
}

json sixRods()
{
    json c = rodCase();
    c["project"]["TipMO"] = kMulti;
    c["conductors"] = json::array();
    for (const auto &[x, y] : {std::pair{10, 10}, {30, 10}, {50, 10}, {10, 30}, {30, 30}, {50, 30}})
        c["conductors"].push_back({{"MX", x}, {"MY", y}});
    c["objects"] = json::array({{{"Name", "Резервуар 1"},
                                 {"SLabel", "1"},
                                 {"MXa", 13},
                                 {"MYa", 13},
                                 {"L", 4},
                                 {"S", 3},
                                 {"Hx", 5},
                                 {"Tip", 1}},
                                {{"Name", "Насосная"},
                                 {"SLabel", "2"},
                                 {"MXa", 36},
                                 {"MYa", 16},
                                 {"L", 6},
                                 {"S", 8},
                                 {"Hx", 7},
                                 {"Tip", 1}},
                                {{"Name", "Резервуар 2"},
                                 {"SLabel", "3"},
                                 {"MXa", 56},
                                 {"MYa", 36},
                                 {"L", 3},
                                 {"S", 3},
                                 {"Hx", 4},
                                 {"Tip", 1}}});
    return c;
}

// The stored rows without their keys (which differ between folders and runs).
json rowsOf(json doc)
{
    doc.erase("messages");
    doc["project"].erase("Kod");
    for (const char *t : {"conductors", "objects"})
        for (json &r : doc[t])
            for (const char *k : {"Kod", "Kod0", "ShapeName"})
                r.erase(k);
    return doc;
}

} // namespace

// Every double-rod vector with only its type changed gives the double rod's stored values and
// messages to the last bit, and one pair with its element for each object.
TEST(CliMultiRod, DoubleRodVectorsAsTwoRods)
{
    TempFolder tmp;
    int seen = 0;
    for (const auto &e : fs::directory_iterator(fs::path(KORVAN_TESTDATA) / "calc")) {
        const std::string name = e.path().filename().string();
        if (name.size() != 8 || !name.ends_with(".json"))
            continue;
        json c = readJson(e.path());
        if (c["project"]["TipMO"] != "двойной стержневой молниеотвод")
            continue;
        SCOPED_TRACE(name);
        ++seen;
        const CliRun dbl = run("calc " + quote(e.path().string()));
        c["project"]["TipMO"] = kMulti;
        const CliRun multi = run("calc " + quote(writeCase(tmp.path, name, c).string()));
        ASSERT_EQ(dbl.code, 0);
        ASSERT_EQ(multi.code, 0);
        json a = json::parse(dbl.out), b = json::parse(multi.out);
        EXPECT_EQ(b["pairs"].size(), 1u);
        EXPECT_EQ(b["elements"].size(), b["objects"].size());
        b.erase("pairs");
        b.erase("elements");
        b["project"]["TipMO"] = a["project"]["TipMO"];
        EXPECT_EQ(a.dump(), b.dump());
    }
    EXPECT_GT(seen, 5);
}

// A six-rod project: calc stores the pairs and elements; import of its output and export give
// the same rows again; render writes both pictures and the DXF; report writes the document.
TEST(CliMultiRod, SixRodsRoundTripRenderAndReport)
{
    TempFolder tmp;
    const fs::path data = tmp.path / "data";
    const std::string d = "--data " + quote(data.string()) + " ";
    const CliRun calc = run("calc " + quote(writeCase(tmp.path, "six.json", sixRods()).string()));
    ASSERT_EQ(calc.code, 0);
    const json got = json::parse(calc.out);
    ASSERT_EQ(got["pairs"].size(), 15u);
    ASSERT_EQ(got["elements"].size(), 3u);
    // The object inside the triangle of rods 1, 2 and 4 is protected by it.
    EXPECT_EQ(got["elements"][0]["MO3"], 4);
    const double H = got["conductors"][0]["H"].get<double>();
    double highest = 0;
    for (const json &el : got["elements"])
        highest = std::max(highest, el["H"].get<double>());
    EXPECT_EQ(H, highest);

    ASSERT_EQ(run(d + "init").code, 0);
    const fs::path out = tmp.path / "out.json";
    std::ofstream(out) << calc.out;
    const CliRun imported = run(d + "import " + quote(out.string()));
    ASSERT_EQ(imported.code, 0);
    const std::string kod = imported.out.substr(0, imported.out.find('\n'));
    const CliRun exported = run(d + "export " + kod);
    ASSERT_EQ(exported.code, 0);
    EXPECT_EQ(rowsOf(json::parse(exported.out)).dump(), rowsOf(got).dump());

    const fs::path top = tmp.path / "top.png", dxf = tmp.path / "front.dxf";
    ASSERT_EQ(run(d + "render " + kod + " --top " + quote(top.string()) + " --front " +
                  quote(dxf.string()))
                  .code,
              0);
    EXPECT_GT(fs::file_size(top), 1000u);
    std::ifstream dxfIn(dxf);
    const std::string dxfText((std::istreambuf_iterator<char>(dxfIn)), {});
    EXPECT_NE(dxfText.find("ZONE_A"), std::string::npos);

    // The report needs a chosen construction.
    ASSERT_EQ(run(d + "choose " + kod + " --construction 1").code, 0);
    const fs::path docx = tmp.path / "r.docx";
    ASSERT_EQ(run(d + "report " + kod + " -o " + quote(docx.string())).code, 0);
    EXPECT_GT(fs::file_size(docx), 10000u);
}

TEST(CliMultiRod, OneRodIsRefused)
{
    TempFolder tmp;
    json c = rodCase();
    c["project"]["TipMO"] = kMulti;
    const CliRun r = run("calc " + quote(writeCase(tmp.path, "one.json", c).string()), {}, true);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("должен иметь не менее двух опор"), std::string::npos) << r.out;
}

// A six-rod project with an underlay written by `export -o` as a project file and imported back:
// the same rows, pairs and elements and the same underlay bytes. A file whose pairs or elements
// name a rod the project does not have, or whose underlay is cut short, is refused and leaves
// every file of the folder as it was.
TEST(CliMultiRod, ProjectFileRoundTripAndDamagedOnesRefused)
{
    TempFolder tmp;
    const fs::path data = tmp.path / "data";
    const std::string d = "--data " + quote(data.string()) + " ";
    const CliRun calc = run("calc " + quote(writeCase(tmp.path, "six.json", sixRods()).string()));
    ASSERT_EQ(calc.code, 0);
    ASSERT_EQ(run(d + "init").code, 0);
    const CliRun imported = run(
        d + "import " + quote(writeCase(tmp.path, "six-out.json", json::parse(calc.out)).string()));
    ASSERT_EQ(imported.code, 0);
    const std::string kod = imported.out.substr(0, imported.out.find('\n'));
    const std::string picture("\x89PNG\r\n\x1a\n\0\xff plan", 16);
    fs::create_directories(data / "underlay");
    std::ofstream(data / "underlay" / (kod + ".png"), std::ios::binary) << picture;
    std::ofstream(data / "underlay" / (kod + ".json"))
        << R"({"underlay": {"kind": "image", "file": ")" << kod
        << R"(.png", "p1": [0, 0], "p2": [100, 0], "distance": 20, "at": [5, 5]}})";

    const fs::path file = tmp.path / "six.kvproj";
    EXPECT_EQ(run(d + "export " + kod + " -o " + quote((tmp.path / "six.json").string())).code, 2);
    ASSERT_EQ(run(d + "export " + kod + " -o " + quote(file.string())).code, 0);
    const CliRun again = run(d + "import " + quote(file.string()));
    ASSERT_EQ(again.code, 0);
    const std::string kod2 = again.out.substr(0, again.out.find('\n'));
    const json a = json::parse(run(d + "export " + kod).out);
    EXPECT_EQ(rowsOf(json::parse(run(d + "export " + kod2).out)).dump(), rowsOf(a).dump());
    std::ifstream copy(data / "underlay" / (kod2 + ".png"), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(copy)), {}), picture);

    const json good = json::parse(std::ifstream(file));
    const auto changed = [&](const std::function<void(json &)> &f) {
        json doc = good;
        f(doc);
        return doc;
    };
    const std::pair<const char *, json> bad[] = {
        {"опоры 7", changed([](json &j) { j["pairs"][0]["MO2"] = 7; })},
        {"опоры 1", changed([](json &j) { j["elements"][0]["MO2"] = j["elements"][0]["MO1"]; })},
        {"Подложка", changed([](json &j) {
             std::string &b64 = j["underlay"]["data"].get_ref<std::string &>();
             b64.resize(b64.size() - 3);
         })},
    };
    const auto files = [&] {
        std::map<std::string, std::string> out;
        for (const auto &e : fs::recursive_directory_iterator(data))
            if (e.is_regular_file()) {
                std::ifstream in(e.path(), std::ios::binary);
                out[e.path().string()].assign(std::istreambuf_iterator<char>(in), {});
            }
        return out;
    };
    const auto before = files();
    for (const auto &[said, doc] : bad) {
        SCOPED_TRACE(said);
        const CliRun r =
            run(d + "import " + quote(writeCase(tmp.path, "bad.kvproj", doc).string()), {}, true);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.out.find(said), std::string::npos) << r.out;
        EXPECT_TRUE(files() == before);
    }
}
