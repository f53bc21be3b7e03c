// The data folder under korvan-cli: a refused command leaves every file as it was, and several
// programs creating one folder at once make one whole folder.

#include "clirun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using namespace clitest;

namespace {

using Tmp = TempFolder;

// Every file of a folder with its bytes.
std::map<std::string, std::string> folderBytes(const fs::path &dir)
{
    std::map<std::string, std::string> out;
    for (const auto &e : fs::directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        out[e.path().filename().string()] = ss.str();
    }
    return out;
}

TEST(CliDataFolder, RefusedImportLeavesEveryFileAsItWas)
{
    Tmp t;
    const std::string data = "--data " + quote((t.path / "D").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    const CliRun exported = run(data + "export 1");
    ASSERT_EQ(exported.code, 0);
    const json sample = json::parse(exported.out);
    const auto before = folderBytes(t.path / "D");

    // The last object refused after the project, its conductors and the other objects went in.
    const std::pair<const char *, json> bad[] = {
        {"Hx", "высоко"}, {"Zona", "АБ"}, {"MXa", "левее"}, {"Name", json(std::string(300, 'x'))}};
    for (const auto &[field, value] : bad) {
        SCOPED_TRACE(field);
        json doc = sample;
        doc["objects"].back()[field] = value;
        const fs::path f = t.path / "bad.json";
        std::ofstream(f) << doc.dump();
        EXPECT_EQ(run(data + "import " + quote(f.string())).code, 2);
        EXPECT_TRUE(folderBytes(t.path / "D") == before);
    }
    // The next import takes the freed key and gets exactly its own objects.
    const fs::path f = t.path / "good.json";
    std::ofstream(f) << sample.dump();
    const CliRun ok = run(data + "import " + quote(f.string()));
    ASSERT_EQ(ok.code, 0);
    const json got = json::parse(run(data + "export " + ok.out.substr(0, ok.out.find('\n'))).out);
    EXPECT_EQ(got["objects"].size(), sample["objects"].size());
    for (const json &o : got["objects"])
        EXPECT_FALSE(o["Hx"].is_null()) << o.dump();
}

TEST(CliDataFolder, ConcurrentInitsMakeOneWholeFolder)
{
    Tmp t;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const fs::path dir = t.path / ("D" + std::to_string(round));
        // Four at once, each printing its exit code.
        std::string cmd = "for i in 1 2 3 4; do (" + std::string(KORVAN_CLI) + " --data "
                          + quote(dir.string()) + " init >/dev/null 2>&1; echo $?) & done; wait";
        FILE *p = popen(cmd.c_str(), "r");
        ASSERT_TRUE(p);
        std::string codes;
        char buf[256];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            codes.append(buf, n);
        pclose(p);
        EXPECT_EQ(codes, "0\n0\n0\n0\n");
        EXPECT_EQ(folderBytes(dir).size(), 22u); // no temporary file left behind
        const CliRun list = run("--data " + quote(dir.string()) + " list", {}, true);
        EXPECT_EQ(list.code, 0) << list.out;
        EXPECT_EQ(list.out.rfind("1\t", 0), 0u) << list.out;
    }
}

} // namespace
