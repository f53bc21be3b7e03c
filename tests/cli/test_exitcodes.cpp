// The exit codes of the README hold for every command: 0 when done, 2 for refused input with its
// message on standard error, 1 when the result cannot be written (a full disk, a full standard
// output).

#include "clirun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using namespace clitest;

namespace {

using Folder = TempFolder;

std::string write(const fs::path &p, const json &doc)
{
    std::ofstream(p) << doc.dump();
    return quote(p.string());
}

} // namespace

TEST(CliExitCodes, EveryCommandGoodRefusedAndFailingDisk)
{
    Folder t;
    const fs::path data = t.path / "Data";
    const std::string d = "--data " + quote(data.string()) + " ";
    ASSERT_EQ(run(d + "init").code, 0);
    ASSERT_EQ(run(d + "podbor 1").code, 0);
    ASSERT_EQ(run(d + "choose 1 --construction 3").code, 0);
    const CliRun exported = run(d + "export 1");
    ASSERT_EQ(exported.code, 0);
    const std::string project = write(t.path / "p.json", json::parse(exported.out));

    // The full disk: a copy of the folder where every write fails with ENOSPC.
    const fs::path full = t.path / "full";
    fs::create_directory(full);
    fs::copy(data, full / "Data");
    const std::string fd = "--data " + quote((full / "Data").string()) + " ";
    const std::string disk = std::string("LD_PRELOAD=") + KORVAN_FULLDISK_SHIM
                             + " KORVAN_FULL_DIR=" + quote(full.string());
    const auto in = [&](const fs::path &dir, const char *name) {
        return quote((dir / name).string());
    };

    json unknownType = rodCase();
    unknownType["project"]["TipMO"] = "что-то";
    json zeroStep = rodCase();
    zeroStep["variant"] = {{"Name", "В"}};
    zeroStep["ranges"] = json::array({{{"X1", 0}, {"X2", 10}, {"DX", 0}, {"Y1", 0}, {"Y2", 10},
                                       {"DY", 1}}});
    json goodPlace = zeroStep;
    goodPlace["ranges"][0]["DX"] = 1;
    json badClass = json::parse(exported.out);
    badClass["objects"][0]["Tip"] = 99;
    // A project file of a newer version is refused whatever the case of its name.
    json newer = json::parse(exported.out);
    newer["format"] = "korvan-project";
    newer["version"] = 99;
    // A 140 m tower at the finest scale: its zone pictures are past the size limit.
    json tower = rodCase();
    tower["project"]["IScale"] = 50;
    for (const auto &[k, v] : {std::pair{"Hx", 140}, {"Tip", 16}, {"L", 2}, {"S", 2}})
        tower["objects"][0][k] = v;
    const CliRun far = run(d + "import " + write(t.path / "tower.json", tower));
    ASSERT_EQ(far.code, 0);
    const std::string farKod = far.out.substr(0, far.out.find('\n'));
    ASSERT_EQ(run(d + "podbor " + farKod).code, 0);
    ASSERT_EQ(run(d + "choose " + farKod + " --construction 11").code, 0);

    const std::string caseFile = write(t.path / "case.json", rodCase());
    const std::string placeFile = write(t.path / "place.json", goodPlace);
    const struct {
        std::string args, env;
        int code;
    } rows[] = {
        {"--data " + in(t.path, "new") + " init", "", 0},
        {"--data " + caseFile + " init", "", 2},
        {"--data " + in(full, "new") + " init", disk, 1},

        {d + "list", "", 0},
        {"--data " + in(t.path, "none") + " list", "", 2},
        {d + "list >/dev/full", "", 1},

        {d + "export 1", "", 0},
        {d + "export 99", "", 2},
        {d + "export 1 >/dev/full", "", 1},
        {d + "export 1 -o " + in(t.path, "p.kvproj"), "", 0},
        {d + "export 1 -o " + in(t.path, "p.json"), "", 2},
        {d + "export 1 -o " + in(data, "project.DB"), "", 2},
        {d + "export 1 -o " + in(full, "p.kvproj"), disk, 1},

        {d + "import " + project, "", 0},
        {d + "import " + write(t.path / "class.json", badClass), "", 2},
        {d + "import " + write(t.path / "NEWER.KVPROJ", newer), "", 2},
        {fd + "import " + project, disk, 1},

        {"calc " + caseFile, "", 0},
        {"calc " + write(t.path / "type.json", unknownType), "", 2},
        {"calc " + caseFile + " >/dev/full", "", 1},
        {"calc " + caseFile, disk + " TMPDIR=" + quote(full.string()), 1},

        {d + "podbor 1", "", 0},
        {d + "podbor 99", "", 2},
        {d + "podbor 1 >/dev/full", "", 1},
        {fd + "podbor 1", disk, 1},

        {d + "choose 1 --construction 3", "", 0},
        {d + "choose 1 --construction 99999", "", 2},
        {fd + "choose 1 --construction 1", disk, 1},

        {"place " + placeFile, "", 0},
        {"place " + write(t.path / "step.json", zeroStep), "", 2},
        {"place " + placeFile + " >/dev/full", "", 1},

        {d + "render 1 --top " + in(t.path, "top.png"), "", 0},
        {d + "render 1 --top " + in(t.path, "top.xyz"), "", 2},
        {d + "render " + farKod + " --suffix design --top " + in(t.path, "tower.png"), "", 2},
        {d + "render 1 --top " + in(full, "top.png"), disk, 1},
        {d + "render 1 --top " + in(full, "top.dxf"), disk, 1},

        {d + "report 1 -o " + in(t.path, "r.docx"), "", 0},
        {d + "report", "", 2},
        {d + "report 99 -o " + in(t.path, "r99.docx"), "", 2},
        {d + "report " + farKod + " -o " + in(t.path, "tower.docx"), "", 2},
        {d + "report 1 -o " + in(full, "r.docx"), disk, 1},
        {d + "report 1 -o " + in(t.path, "r.pdf"), "", 0},
        {d + "report 1 -o " + in(full, "r.pdf"), disk, 1},
    };
    for (const auto &row : rows) {
        const std::string cmd = row.env + " " + KORVAN_CLI + " " + row.args + " 2>"
                                + in(t.path, "stderr.txt");
        FILE *p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[4096];
        while (fread(buf, 1, sizeof buf, p) > 0) {
        }
        const int st = pclose(p);
        const CliRun r{WIFEXITED(st) ? WEXITSTATUS(st) : -1, {}};
        std::ifstream errFile(t.path / "stderr.txt");
        const std::string err((std::istreambuf_iterator<char>(errFile)), {});
        EXPECT_EQ(r.code, row.code) << cmd << "\n" << err;
        // A refusal or a failure says why on standard error.
        if (row.code != 0) {
            EXPECT_FALSE(err.empty()) << row.args;
        }
    }
    EXPECT_FALSE(fs::exists(t.path / "top.xyz"));
}
