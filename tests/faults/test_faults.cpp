// Fault injection: a child process is killed at random moments (fixed seed) while it imports a
// project, stores a selection's results, stores a placement search, saves a project under another
// name or deletes one. After every kill each
// project is whole or absent, also to a reader running at the same time in another process, and
// every table file passes SQLite's integrity check.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kImportObjects = 300;

pid_t spawn(const std::vector<std::string> &args, const std::string &errFile)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    std::vector<char *> argv;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Faults : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = (fs::temp_directory_path() / "korvan-faults-XXXXXX").string();
        ASSERT_NE(mkdtemp(t.data()), nullptr);
        root = t + "/";
        dir = root + "Data/";
        errFile = root + "stderr.txt";
        ASSERT_EQ(run({KORVAN_FAULT_WORKER, "setup", dir}), 0) << slurp(errFile);
        ASSERT_EQ(check(), 0) << slurp(errFile);
    }
    void TearDown() override
    {
        std::cout << kills << " kills, " << inCommit << " inside a commit over several files\n";
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    int run(const std::vector<std::string> &args)
    {
        const pid_t pid = spawn(args, errFile);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int check() { return run({KORVAN_FAULT_WORKER, "check", dir, std::to_string(kImportObjects)}); }

    // Runs the writer with a concurrent reader, kills the writer after `delay`, then checks.
    void killRound(const std::vector<std::string> &writer, std::chrono::microseconds delay)
    {
        fs::remove(errFile);
        const pid_t reader =
            spawn({KORVAN_FAULT_WORKER, "watch", dir, std::to_string(kImportObjects)}, errFile);
        const pid_t w = spawn(writer, errFile);
        ASSERT_GT(reader, 0);
        ASSERT_GT(w, 0);
        std::this_thread::sleep_for(delay);
        kill(w, SIGKILL);
        int status = 0;
        waitpid(w, &status, 0);
        if (WIFSIGNALED(status))
            ++kills;
        std::error_code ec;
        if (fs::exists(dir + "commit.log", ec))
            ++inCommit; // killed between its commit point and the end of its commit
        else
            EXPECT_EQ(WEXITSTATUS(status), 0) << slurp(errFile);
        // The reader goes on a little after the kill: it may find a commit to finish.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        kill(reader, SIGKILL);
        waitpid(reader, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the concurrent reader saw a fault:\n" << slurp(errFile);
        ASSERT_EQ(check(), 0) << "after a kill at " << delay.count() << " µs:\n" << slurp(errFile);
    }

    std::string root, dir, errFile;
    int kills = 0;
    int inCommit = 0;
};

std::string importFile(const std::string &root)
{
    const std::string path = root + "import.json";
    std::ofstream out(path);
    out << R"({"project": {"Name": "Импорт", "ProdGrozMin": 60, "ProdGrozMax": 79, "Udarov": 6,
        "TipMO": "одиночный стержневой молниеотвод", "IScale": 500},
        "conductors": [{"MX": 10, "MY": 10}], "objects": [)";
    for (int i = 0; i < kImportObjects; ++i)
        out << (i ? "," : "") << R"({"Name": "Объект )" << i << R"(", "SLabel": "О)" << i
            << R"(", "MXa": )" << (i % 20) * 5 << R"(, "MYa": )" << (i / 20) * 5
            << R"(, "L": 4, "S": 3, "Hx": 6, "Tip": 1, "ObjColor": 255})";
    out << "]}\n";
    return path;
}

TEST_F(Faults, KilledImportLeavesEachProjectWholeOrAbsent)
{
    const std::vector<std::string> writer = {KORVAN_CLI, "--data", dir, "import", importFile(root)};
    // One import to its end tells how long the kills have to spread over.
    const auto t0 = Clock::now();
    ASSERT_EQ(run(writer), 0) << slurp(errFile);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0);
    std::mt19937 rng(20261209);
    // Every other kill falls near the end, where the commit is. An import that finished before
    // its kill does not count, so rounds go on (a bounded number) until enough kills landed.
    for (int k = 0; k < 40 && kills < 14; ++k) {
        const long lo = k % 2 ? span.count() * 7 / 10 : 0;
        killRound(writer, std::chrono::microseconds(std::uniform_int_distribution<long>(
                              lo, span.count() * 11 / 10)(rng)));
    }
    EXPECT_GE(kills, 10);
}

TEST_F(Faults, KilledSelectionStoreLeavesResultsOfOnePosition)
{
    std::mt19937 rng(7);
    for (int k = 0; k < 14; ++k)
        killRound({KORVAN_FAULT_WORKER, "store", dir},
                  std::chrono::microseconds(std::uniform_int_distribution<long>(30000, 400000)(rng)));
    EXPECT_EQ(kills, 14);
}

TEST_F(Faults, KilledPlacementStoreLeavesResultsOfOneSearch)
{
    std::mt19937 rng(11);
    for (int k = 0; k < 14; ++k)
        killRound({KORVAN_FAULT_WORKER, "place", dir},
                  std::chrono::microseconds(std::uniform_int_distribution<long>(30000, 400000)(rng)));
    EXPECT_EQ(kills, 14);
}

TEST_F(Faults, KilledSaveAsLeavesEachCopyWholeOrAbsent)
{
    std::mt19937 rng(13);
    for (int k = 0; k < 12; ++k)
        killRound({KORVAN_FAULT_WORKER, "saveas", dir},
                  std::chrono::microseconds(std::uniform_int_distribution<long>(30000, 400000)(rng)));
    EXPECT_EQ(kills, 12);
}

TEST_F(Faults, KilledDeleteLeavesEachProjectWholeOrAbsent)
{
    std::mt19937 rng(17);
    for (int k = 0; k < 12; ++k)
        killRound({KORVAN_FAULT_WORKER, "delete", dir},
                  std::chrono::microseconds(std::uniform_int_distribution<long>(30000, 400000)(rng)));
    EXPECT_EQ(kills, 12);
}

} // namespace
