// Refused input of korvan-cli: every case below once crashed, hung, wrapped a number, leaked the
// parser's text or exited 0; now each exits 2 with one Russian message naming what is wrong.

#include "clirun.h"
#include "../damagedfile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using namespace clitest;

namespace {

using Tmp = TempFolder;

json placeCase(double x2, double dx, double y2, double dy)
{
    json c = rodCase();
    c["variant"] = {{"Name", "В"}};
    c["ranges"] = json::array({{{"X1", 0}, {"X2", x2}, {"DX", dx}, {"Y1", 0}, {"Y2", y2},
                                {"DY", dy}}});
    return c;
}

std::string write(const fs::path &p, const std::string &text)
{
    std::ofstream(p, std::ios::binary) << text;
    return quote(p.string());
}

// Any shell command: its exit code and standard output.
CliRun runCommand(const std::string &cmd)
{
    CliRun r;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// Within the size limit but mostly punctuation: as a tree in memory twenty times its size.
std::string punctuation(std::size_t megabytes)
{
    std::string text = "{\"project\":{},\"x\":[";
    const std::size_t n = megabytes * 1024 * 1024 / 3;
    text.reserve(n * 3 + 32);
    for (std::size_t i = 0; i < n; ++i)
        text += "{},";
    return text + "{}]}";
}

std::string nested(int depth)
{
    return "{\"project\":{},\"x\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
}

} // namespace

// Each row: a command that must be refused, and a text its message must contain.
TEST(CliRefusal, BadInputExitsTwoWithARussianMessage)
{
    Tmp t;
    const std::string data = "--data " + quote((t.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);

    json wrapClass = rodCase();
    wrapClass["objects"][0]["Tip"] = 4294967298ULL; // once read as class 2
    json wrapDuration = rodCase();
    wrapDuration["project"]["ProdGrozMin"] = 1LL << 62; // once stored as 0
    json nullNumber = rodCase();
    nullNumber["choose"] = {{"Tip", "МС"}, {"H", nullptr}, {"Prim", 5}};
    json stringNumber = rodCase();
    stringNumber["objects"][0]["Hx"] = "пять";
    json badRanges = placeCase(10, 1, 10, 1);
    badRanges["ranges"][0]["DX"] = "1";
    // Values out of the ranges the dialogs keep, given in an import with the zone and category
    // (so that no evaluation stands between the file and the table).
    const auto given = [&](const char *part, const char *field, const json &v) {
        json c = rodCase();
        c["objects"][0]["Zona"] = "Б";
        c["objects"][0]["Kateg"] = 3;
        if (std::string(part) == "project")
            c["project"][field] = v;
        else
            c["objects"][0][field] = v;
        return data + "import " + write(t.path / (std::string(field) + v.dump() + ".json"), c.dump());
    };
    json unknownType = rodCase();
    unknownType["project"]["TipMO"] = "что-то";
    json belowGround = rodCase();
    belowGround["choose"] = {{"Tip", "МС"}, {"H", -1}, {"Prim", "М"}};

    const struct {
        std::string args;
        std::string says;
    } rows[] = {
        {"calc " + write(t.path / "deep.json", nested(50'000)), "вложенность"},
        {"place " + write(t.path / "deep2.json", nested(20'000)), "вложенность"},
        {"calc " + write(t.path / "text.json", "это не JSON"), "не является правильным файлом JSON"},
        {"calc " + write(t.path / "flat.json", punctuation(40)), "слишком много значений"},
        {"calc " + write(t.path / "array.json", "[1, 2]"), "ожидался объект JSON"},
        // Found by fuzzing: a number past a double escaped as the parser's raw exception.
        {"calc " + write(t.path / "huge.json", R"({"project": {"Udarov": 1e400}})"),
         "число вне допустимых пределов"},
        {"calc " + write(t.path / "class.json", wrapClass.dump()), "Tip"},
        {"calc " + write(t.path / "duration.json", wrapDuration.dump()), "ProdGrozMin"},
        {"calc " + write(t.path / "null.json", nullNumber.dump()), "Prim"},
        {"calc " + write(t.path / "string.json", stringNumber.dump()), "Hx"},
        {"place " + write(t.path / "ranges.json", badRanges.dump()), "DX"},
        {given("objects", "Tip", -1), "Tip"},
        {given("objects", "Tip", 0), "Tip"},
        {given("objects", "Tip", 99), "Tip"},
        {given("objects", "Kateg", 0), "Kateg"},
        {given("objects", "Kateg", -1), "Kateg"},
        {given("objects", "Kateg", 7), "Kateg"},
        {given("objects", "Zona", "В"), "Zona"},
        {given("project", "IScale", 0), "IScale"},
        {given("project", "IScale", -1), "IScale"},
        {given("project", "ProdGrozMin", -1), "ProdGrozMin"},
        {given("project", "TipMO", "что-то"), "TipMO"},
        {"calc " + write(t.path / "type.json", unknownType.dump()), "TipMO"},
        {"calc " + write(t.path / "below.json", belowGround.dump()), "choose"},
        {"place " + write(t.path / "dx0.json", placeCase(10, 0, 10, 1).dump()), "ranges[0]"},
        {"place " + write(t.path / "dxneg.json", placeCase(10, -1, 10, 1).dump()), "ranges[0]"},
        {"calc " + quote((t.path / "none.json").string()), "не открывается"},
        {"calc " + quote(t.path.string()), "папка"},
        {data + "import /dev/zero", "слишком велик"},
        {data + "export 99999999999", "код проекта"},
        {data + "export 1x", "код проекта"},
        {data + "export 9999", "не найден"},
        {data + "podbor -1", "код проекта"},
        {data + "choose 1 --construction 99999999999", "код конструкции"},
        {data + "render 1 --suffix chosen --top " + quote((t.path / "t.png").string()),
         "Просмотр невозможен"},
        {"--data " + quote((t.path / "none").string()) + " list", "не найдена"},
        {data + "render 1 --overlay-top " + quote((t.path / "o.png").string())
             + " --width 100000 --height 100000",
         "больше допустимого"},
        {"--data " + quote((t.path / "deep.json").string()) + " list", "не папка"},
        {"--data", "--data"},
        {"frobnicate", "Неизвестная команда"},
    };
    for (const auto &row : rows) {
        const CliRun r = run(row.args, {}, true);
        EXPECT_EQ(r.code, 2) << row.args << "\n" << r.out;
        EXPECT_NE(r.out.find(row.says), std::string::npos) << row.args << "\n" << r.out;
        EXPECT_EQ(r.out.find("json.exception"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("stoi"), std::string::npos) << r.out;
    }
    EXPECT_FALSE(fs::exists(t.path / "t.png"));
}

TEST(CliRefusal, HelpOfACommandTouchesNothing)
{
    Tmp t;
    const fs::path data = t.path / "Data";
    for (const char *cmd : {"init", "list", "import x.json", "calc", "place", "render", "export"}) {
        const CliRun r = run("--data " + quote(data.string()) + " " + cmd + " --help");
        EXPECT_EQ(r.code, 0) << cmd;
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << cmd;
    }
    EXPECT_FALSE(fs::exists(data));
}

// The case output holds the stored rows and messages only: an unknown key is not echoed back.
TEST(CliRefusal, UnknownCaseKeysAreNotCopied)
{
    Tmp t;
    json c = rodCase();
    c["zzz_unknown"] = json::array({json::array({json::array({"x"})})});
    const CliRun r = run("calc " + write(t.path / "c.json", c.dump()));
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out.find("zzz_unknown"), std::string::npos);
    EXPECT_TRUE(json::parse(r.out).contains("objects"));
}

// Searches are sized before they start: a step too small for its span once never ended, a
// billion candidates took a gigabyte, a trillion ended in bad_alloc.
TEST(CliRefusal, PlacementSearchesAreSizedFirst)
{
    Tmp t;
    const struct {
        double x2, dx, y2, dy;
    } rows[] = {{10, 1e-300, 10, 1}, {31'622, 1, 31'622, 1}, {1e6, 1, 1e6, 1}, {1e7, 1e-3, 1, 1}};
    int k = 0;
    for (const auto &row : rows) {
        const auto start = std::chrono::steady_clock::now();
        const std::string f =
            write(t.path / ("p" + std::to_string(k++) + ".json"),
                  placeCase(row.x2, row.dx, row.y2, row.dy).dump());
        const CliRun r = run("place " + f, {}, true);
        EXPECT_EQ(r.code, 2) << r.out;
        EXPECT_NE(r.out.find("допускается не более"), std::string::npos) << r.out;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    }
    // A height table too large is refused the same way.
    json table = placeCase(3000, 1, 3000, 1);
    table["table"] = {{"range", 1}};
    table["stop_after"] = 1;
    const CliRun r = run("place " + write(t.path / "table.json", table.dump()), {}, true);
    EXPECT_EQ(r.code, 2) << r.out;
    EXPECT_NE(r.out.find("Таблица высот слишком велика"), std::string::npos) << r.out;
}

// Each damaged table file gives its message and exit 2, never a crash, a hang or exit 0.
TEST(CliRefusal, DamagedTableFilesAreRefused)
{
    Tmp t;
    const fs::path good = t.path / "good";
    ASSERT_EQ(run("--data " + quote(good.string()) + " init").code, 0);
    for (const char *file : {"diap1.db", "objname.db", "project.DB", "param.db"}) {
        for (const std::string &kind : kv::test::kDamageKinds) {
            const fs::path d = t.path / (kind + "-" + file);
            fs::copy(good, d);
            const fs::path f = d / file;
            kv::test::damageFile(f, kind);
            for (const char *cmd : {" list", " export 1", " podbor 1"}) {
                const CliRun r = run("--data " + quote(d.string()) + cmd, {}, true);
                EXPECT_EQ(r.code, 2) << kind << " " << file << cmd << "\n" << r.out;
                EXPECT_NE(r.out.find(file), std::string::npos) << r.out;
            }
        }
    }
    // A read-only data folder still lists; a change is refused with a message, not a crash.
    const fs::path ro = t.path / "readonly";
    fs::copy(good, ro);
    for (const auto &e : fs::directory_iterator(ro))
        fs::permissions(e.path(), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(run("--data " + quote(ro.string()) + " list").code, 0);
    const int podbor = run("--data " + quote(ro.string()) + " podbor 1").code;
    EXPECT_TRUE(podbor == 0 || podbor == 2) << podbor;
}

// A case killed while it runs leaves no temporary data folder behind: a catchable signal removes
// it at once, and the folder of a process killed outright goes with the next case.
TEST(CliRefusal, KilledCaseLeavesNoTemporaryFolder)
{
    Tmp t;
    const fs::path tmp = t.path / "tmp";
    fs::create_directory(tmp);
    write(t.path / "slow.json", placeCase(9999, 1, 9999, 1).dump());
    for (int sig : {SIGTERM, SIGKILL}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setenv("TMPDIR", tmp.c_str(), 1);
            execl(KORVAN_CLI, KORVAN_CLI, "place", (t.path / "slow.json").c_str(),
                  static_cast<char *>(nullptr));
            _exit(127);
        }
        // Kill it once its data folder is filled and the search runs.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            bool ready = false;
            for (const auto &e : fs::directory_iterator(tmp))
                ready = ready || fs::exists(e.path() / "diap2MO_3.DB");
            if (ready)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(pid, sig);
        int st = 0;
        waitpid(pid, &st, 0);
        EXPECT_TRUE(WIFSIGNALED(st));
        if (sig == SIGTERM) {
            EXPECT_TRUE(fs::is_empty(tmp)) << "after SIGTERM";
        }
    }
    EXPECT_FALSE(fs::is_empty(tmp)); // SIGKILL gives no chance to clean up
    ASSERT_EQ(run("calc " + write(t.path / "c.json", rodCase().dump()),
                  "TMPDIR=" + quote(tmp.string()))
                  .code,
              0);
    EXPECT_TRUE(fs::is_empty(tmp));
}

// The DXF drawings of the zone pictures read back with ezdxf: layers, entities, and the
// conductor and zone circles where the stored values put them.
TEST(CliDxf, DrawingsHoldTheStoredGeometry)
{
    Tmp t;
    const std::string data = "--data " + quote((t.path / "Data").string()) + " ";
    ASSERT_EQ(run(data + "init").code, 0);
    // The sample single rod, and a catenary entered as a case and imported.
    json cable = rodCase();
    cable["project"]["TipMO"] = "одиночный тросовый молниеотвод";
    cable["conductors"] = json::array({{{"MX", 0}, {"MY", 10}}, {{"MX", 30}, {"MY", 14}}});
    const CliRun imported = run(data + "import " + write(t.path / "cable.json", cable.dump()));
    ASSERT_EQ(imported.code, 0);
    for (const std::string &kod : {std::string("1"), imported.out.substr(0, imported.out.find('\n'))}) {
        const CliRun sel = run(data + "podbor " + kod);
        ASSERT_EQ(sel.code, 0) << kod;
        const std::string project = write(t.path / ("p" + kod + ".json"), sel.out);
        const std::string plan = quote((t.path / ("plan" + kod + ".DXF")).string());
        const std::string front = quote((t.path / ("front" + kod + ".dxf")).string());
        const CliRun r =
            run(data + "render " + kod + " --suffix design --top " + plan + " --front " + front);
        ASSERT_EQ(r.code, 0) << r.out;
        const CliRun check = runCommand("/usr/bin/python3 " + quote(KORVAN_CHECK_DXF) + " "
                                        + project + " " + plan + " " + front + " '' 2>&1");
        EXPECT_EQ(check.code, 0) << kod << ": " << check.out;
        EXPECT_TRUE(check.out.empty()) << kod << ": " << check.out;
    }
}

// Out of memory is a failure with its message and exit 1, never an abort: the reader keeps a
// document within a small multiple of its text, so a file of 40 MB reads in a gigabyte of address
// space and fails cleanly in 200 MB.
TEST(CliRefusal, OutOfMemoryEndsWithExitOne)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit gives";
#endif
    Tmp t;
    const json object = {{"Name", "Склад готовой продукции"}, {"SLabel", "12"}, {"MXa", 12.5},
                      {"MYa", 14}, {"L", 20}, {"S", 12}, {"Hx", 6}, {"Tip", 3},
                      {"Zona", "Б"}, {"Kateg", 2}, {"Rx1", nullptr}, {"ShapeName", "Shape1"}};
    std::string text = rodCase().dump();
    text.pop_back();
    text += ",\"zzz_unknown\":[";
    const std::string one = object.dump();
    for (std::size_t n = 0; text.size() < (40u << 20); ++n)
        text += (n ? "," : "") + one;
    text += "]}";
    const std::string file = write(t.path / "big.json", text);
    const struct {
        int megabytes, code;
    } rows[] = {{200, 1}, {1024, 0}};
    for (const auto &row : rows) {
        const CliRun r = runCommand("ulimit -v " + std::to_string(row.megabytes * 1024) + "; "
                                    + KORVAN_CLI + " calc " + file + " 2>&1 >/dev/null");
        EXPECT_EQ(r.code, row.code) << row.megabytes << " MB\n" << r.out;
        if (row.code == 1) {
            EXPECT_NE(r.out.find("Недостаточно памяти"), std::string::npos) << r.out;
        }
    }
}
