// korvan-cli import-dxf on drawings made by ezdxf and by hand: the stored objects, and the
// refusals with exit code 2.

#include "clirun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace clitest;
namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

// A project with no objects; its key.
std::string emptyProject(const std::string &data, const fs::path &dir)
{
    json c = rodCase();
    c["objects"] = json::array();
    const fs::path f = dir / "empty.json";
    std::ofstream(f) << c.dump();
    const CliRun r = run(data + "import " + quote(f.string()));
    EXPECT_EQ(r.code, 0);
    return r.out.substr(0, r.out.find('\n'));
}

// The drawing make_site_dxf.py writes (its `mode`, or the site plan) into `dxf`.
bool writeEzdxfDrawing(const fs::path &dxf, const std::string &mode = {})
{
    const std::string cmd = "/usr/bin/python3 " + quote(KORVAN_MAKE_DXF) + " "
                            + quote(dxf.string()) + (mode.empty() ? "" : " " + mode);
    return std::system(cmd.c_str()) == 0;
}

} // namespace

TEST(CliDxf, ImportsTheObjectsOfAnEzdxfDrawing)
{
    if (std::system("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-ezdxf is not installed";
    TempFolder t;
    const std::string data = "--data " + quote((t.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    const std::string kod = emptyProject(data, t.path);
    const fs::path dxf = t.path / "site.dxf";
    ASSERT_TRUE(writeEzdxfDrawing(dxf));
    const CliRun r = run(data + "import-dxf " + kod + " " + quote(dxf.string())
                         + " --layers " + quote("Здания, котельная,Опоры") + " --height 8",
                         {}, true);
    ASSERT_EQ(r.code, 0) << r.out;
    // Layers named with a space after the comma and in small letters are found.
    // A concentrated object of 8 m needs no protection: named in the question and left out.
    EXPECT_NE(r.out.find("не нуждаются в молниезащите и не будут импортированы:\r\"Опоры 1\""),
              std::string::npos)
        << r.out;
    // Grid step 1 m: the drawing goes 1 m right and 21.5 m down; each corner to the grid point
    // before it, the sizes grown to cover the outline.
    struct Want {
        const char *name;
        double x, y, L, S, Hx;
        int cls;
    };
    const std::vector<Want> want = {
        {"Гараж", 1, 9, 24, 12.5, 9, 1},        {"Здания 2", 31, 13, 10, 8.5, 6.5, 1},
        {"Котельная 1", 56, 11, 10, 10.5, 8, 1}, {"Опоры 2", 96, 16, 10, 10.5, 8, 1},
    };
    const CliRun exported = run(data + "export " + kod);
    ASSERT_EQ(exported.code, 0);
    const json objects = json::parse(exported.out)["objects"];
    ASSERT_EQ(objects.size(), want.size()) << exported.out;
    for (std::size_t i = 0; i < want.size(); ++i) {
        const json &o = objects[i];
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(o["Name"], want[i].name);
        EXPECT_DOUBLE_EQ(o["MXa"].get<double>(), want[i].x);
        EXPECT_DOUBLE_EQ(o["MYa"].get<double>(), want[i].y);
        EXPECT_DOUBLE_EQ(o["L"].get<double>(), want[i].L);
        EXPECT_DOUBLE_EQ(o["S"].get<double>(), want[i].S);
        EXPECT_DOUBLE_EQ(o["Hx"].get<double>(), want[i].Hx);
        EXPECT_EQ(o["Tip"], want[i].cls);
        EXPECT_FALSE(o["Zona"].get<std::string>().empty());
    }
    // The shift is remembered: the layer left out before comes in beside them, not moved again.
    const CliRun more = run(data + "import-dxf " + kod + " " + quote(dxf.string())
                            + " --layers Прочее");
    EXPECT_EQ(more.code, 2) << "the layer lies left of the plan's origin under the kept shift";
}

// Blocks as a designer inserts them, drawing order across circles and outlines, an outline seen
// from below with its text, and a frozen layer left out of the default layers. Each object
// entered is listed, also when one of its name needs no protection.
TEST(CliDxf, ImportsInsertedBlocksInDrawingOrder)
{
    if (std::system("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-ezdxf is not installed";
    TempFolder t;
    const std::string data = "--data " + quote((t.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    const std::string kod = emptyProject(data, t.path);
    const fs::path dxf = t.path / "blocks.dxf";
    ASSERT_TRUE(writeEzdxfDrawing(dxf, "blocks"));
    const CliRun r = run(data + "import-dxf " + kod + " " + quote(dxf.string()) + " --height 20");
    ASSERT_EQ(r.code, 0);
    // Drawing x -10..90 and y -30..12: the shift is (11, 13).
    EXPECT_EQ(r.out, "Здания 1\t11\t7\t12\t6\t15\t1\n" // the attribute's height, not the default's
                     "Здания 2\t35\t1\t6\t12\t20\t1\n" // turned by 90 degrees
                     "Здания 3\t59\t7\t12\t6\t20\t1\n" // mirrored
                     "Опоры 1\t80\t9\t2\t2\t20\t16\n"
                     "Мачта\t91\t3\t10\t10\t20\t1\n" // its namesake of 8 m is left out
                     "Здания 4\t1\t33\t10\t10\t14\t1\n");
}

TEST(CliDxf, RefusesWithExitTwo)
{
    TempFolder t;
    const std::string data = "--data " + quote((t.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    const std::string kod = emptyProject(data, t.path);
    const fs::path broken = t.path / "broken.dxf";
    std::ofstream(broken) << "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\n0\n90\n4\n70\n1\n10\n0\n";
    const fs::path unitless = t.path / "unitless.dxf";
    std::ofstream(unitless) << "0\nSECTION\n2\nENTITIES\n0\nCIRCLE\n8\nA\n10\n5\n20\n5\n40\n1\n"
                               "0\nENDSEC\n0\nEOF\n";
    const fs::path km = t.path / "km.dxf";
    std::ofstream(km) << "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n7\n0\nENDSEC\n0\nSECTION\n2\n"
                         "ENTITIES\n0\nCIRCLE\n8\nA\n10\n5\n20\n5\n40\n1\n0\nENDSEC\n0\nEOF\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {quote(broken.string()), "EOF"},
        {quote((t.path / "missing.dxf").string()), "не найден"},
        {quote(unitless.string()), "--units"},
        {quote(unitless.string()) + " --units km", "--units"},
        {quote(km.string()), "($INSUNITS = 7) не подходят для плана"},
        {quote(unitless.string()) + " --units m --layers B",
         "нет слоя \"B\"; слои чертежа: \"A\"."},
        {quote(unitless.string()) + " --units m --height -1", "--height"},
    };
    for (const auto &[args, reason] : cases) {
        const CliRun r = run(data + "import-dxf " + kod + " " + args, {}, true);
        EXPECT_EQ(r.code, 2) << args << ": " << r.out;
        EXPECT_NE(r.out.find(reason), std::string::npos) << args << ": " << r.out;
    }
    EXPECT_EQ(json::parse(run(data + "export " + kod).out)["objects"].size(), 0u);
    // Metres given for a unitless drawing: a circle of 2 m is a concentrated object.
    const CliRun ok = run(data + "import-dxf " + kod + " " + quote(unitless.string())
                          + " --units m --height 20");
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out, "A 1\t1\t1\t2\t2\t20\t16\n");
}

// `render --top` draws the underlay only while it is stored as shown; hidden, without one or with
// its copy damaged (said on standard error) the picture is the same as without an underlay.
TEST(CliDxf, RenderDrawsTheUnderlayWhileShown)
{
    TempFolder t;
    const fs::path dataDir = t.path / "Data";
    const std::string data = "--data " + quote(dataDir.string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    ASSERT_EQ(run(data + "podbor 1").code, 0);
    const auto render = [&](const std::string &name) {
        const fs::path png = t.path / name;
        const CliRun r = run(data + "render 1 --top " + quote(png.string()), {}, true);
        EXPECT_EQ(r.code, 0) << r.out;
        std::ifstream in(png, std::ios::binary);
        return std::make_pair(std::string(std::istreambuf_iterator<char>(in), {}), r.out);
    };
    const auto [plain, plainOut] = render("plain.png");
    ASSERT_FALSE(plain.empty());

    fs::create_directories(dataDir / "underlay");
    const auto setUnderlay = [&](bool shown, const std::string &dxf) {
        std::ofstream(dataDir / "underlay" / "1.json")
            << json{{"shift", {{"x", 0}, {"y", 0}, {"unit", 1}}},
                    {"underlay", {{"kind", "dxf"}, {"file", "1.dxf"}, {"shown", shown}}}}
                   .dump();
        std::ofstream(dataDir / "underlay" / "1.dxf") << dxf;
    };
    const std::string line = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n30\n20\n-10\n30\n0\n"
                             "11\n30\n21\n-80\n31\n0\n0\nENDSEC\n0\nEOF\n";
    struct Case {
        bool shown;
        std::string dxf;
        bool drawn;
        const char *said;
    };
    const Case cases[] = {{true, line, true, ""},
                          {false, line, false, ""},
                          {true, "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n", false, "поврежден"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.shown) + " " + std::to_string(c.dxf.size()));
        setUnderlay(c.shown, c.dxf);
        const auto [png, out] = render("u.png");
        EXPECT_EQ(png == plain, !c.drawn);
        EXPECT_NE(out.find(c.said), std::string::npos) << out;
    }
}
