// Every command that writes, interrupted: korvan-cli's import, selection, catalogue choice,
// placement search and its application, pictures, DXF drawings and the report, and the project
// window's object and project commands (through the document, as the window runs them). Each
// command is
// - killed at random instants (KORVAN_FAULT_SEED, printed; KORVAN_FAULT_KILLS landed kills in
//   all, 220 by default), and
// - run on a full disk: a preloaded shim fails the n-th write of a file with ENOSPC, and in every
//   other run each later one too, n swept over the command's writes (KORVAN_FAULT_DISK runs a
//   command at most, 12 by default; KORVAN_FAULT_ONLY=text only the commands whose name holds
//   the text).
// After each run the folder is opened as the program opens it and every table must hold exactly
// the rows of before the command or of after it (a command of several steps: after one of them),
// never a mixture; every output file is absent or old, or complete; a run that ended by itself
// exits 0 only when the command was done, otherwise 1 or 2 with a message.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::string;

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long envNumber(const char *name, long fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// A child process with standard output to outFile, standard error to errFile and extra variables.
pid_t spawn(const std::vector<std::string> &args, const std::vector<std::string> &env,
            const std::string &outFile, const std::string &errFile)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char *> argv, envp;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    // The extra variables replace those of the same name.
    for (const auto &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    for (char **e = environ; *e; ++e) {
        const std::string_view var(*e);
        const auto same = [&](const std::string &x) {
            return var.substr(0, var.find('=') + 1) == x.substr(0, x.find('=') + 1);
        };
        if (std::none_of(env.begin(), env.end(), same))
            envp.push_back(*e);
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// The exit code, or -signal.
int waitFor(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Whether a file of this name is complete, by its format's own end marks.
bool looksComplete(const std::string &name, const Bytes &b)
{
    const std::string ext = fs::path(name).extension().string();
    auto u32 = [&](std::size_t at) {
        return at + 4 > b.size()
                   ? 0u
                   : static_cast<unsigned>(static_cast<unsigned char>(b[at])) |
                         static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8 |
                         static_cast<unsigned>(static_cast<unsigned char>(b[at + 2])) << 16 |
                         static_cast<unsigned>(static_cast<unsigned char>(b[at + 3])) << 24;
    };
    if (b.size() < 16)
        return false;
    if (ext == ".png")
        return b.compare(1, 3, "PNG") == 0 && b.compare(b.size() - 8, 4, "IEND") == 0;
    if (ext == ".jpg")
        return b.compare(0, 2, "\xFF\xD8") == 0 && b.compare(b.size() - 2, 2, "\xFF\xD9") == 0;
    if (ext == ".bmp")
        return b.compare(0, 2, "BM") == 0 && u32(2) == b.size();
    if (ext == ".emf")
        return u32(48) == b.size() && u32(b.size() - 20) == 14; // EMR_EOF last
    if (ext == ".wmf")
        return b.compare(b.size() - 6, 6, std::string("\x03\x00\x00\x00\x00\x00", 6)) == 0;
    if (ext == ".dxf")
        return b.find("EOF", b.size() - 8) != std::string::npos;
    if (ext == ".docx") // the end of central directory record closes the file
        return b.compare(b.size() - 22, 4, "PK\x05\x06") == 0;
    return false;
}

// One writing command: its arguments ({D} data folder, {O} output folder, {R} the run's root and
// the keys of the "keys" worker in braces), the files it writes, its number of steps (the
// window's commands: opening the project, which may store the selection's results, is the first).
struct Command {
    std::string name;
    std::vector<std::string> args;
    std::vector<std::string> outputs;
    int steps = 1;
    // A command line per step before the last whose rows are a step's (empty: the worker's own
    // KORVAN_FAULT_STEPS): `place --apply` first stores its search, then moves the conductor.
    std::vector<std::vector<std::string>> stepArgs = {};
};

std::vector<Command> commands()
{
    const std::string cli = KORVAN_CLI, doc = KORVAN_FAULT_COMMAND;
    const std::vector<std::string> c = {cli, "--data", "{D}"};
    auto withCli = [&](std::vector<std::string> rest) {
        std::vector<std::string> v = c;
        v.insert(v.end(), rest.begin(), rest.end());
        return v;
    };
    std::vector<Command> list = {
        {"import", withCli({"import", "{R}import.json"}), {}},
        {"podbor", withCli({"podbor", "{select}"}), {}},
        {"choose", withCli({"choose", "{select}", "--construction", "{construction}"}), {}},
        {"place", withCli({"place", "{place}", "--variant", "{variant}"}), {}},
        {"place --apply", withCli({"place", "{place}", "--variant", "{variant}", "--apply"}), {},
         2, {withCli({"place", "{place}", "--variant", "{variant}"})}},
        {"place --apply --podbor",
         withCli({"place", "{place}", "--variant", "{variant}", "--apply", "--podbor"}),
         {},
         2,
         {withCli({"place", "{place}", "--variant", "{variant}"})}},
        {"render png",
         withCli({"render", "{select}", "--top", "{O}top.png", "--front", "{O}front.png"}),
         {"top.png", "front.png"}},
        {"render bmp jpg",
         withCli({"render", "{select}", "--top", "{O}top.bmp", "--front", "{O}front.jpg"}),
         {"top.bmp", "front.jpg"}},
        {"render emf wmf",
         withCli({"render", "{select}", "--top", "{O}top.emf", "--front", "{O}front.wmf"}),
         {"top.emf", "front.wmf"}},
        {"render dxf",
         withCli({"render", "{select}", "--top", "{O}top.dxf", "--front", "{O}front.dxf"}),
         {"top.dxf", "front.dxf"}},
        {"report", withCli({"report", "{select}", "-o", "{O}report.docx"}), {"report.docx"}},
    };
    for (const char *step :
         {"add", "edit", "delete-object", "duplicate", "move", "drop", "align-conductor",
          "align-to-conductor", "align-to-object", "coordinates", "apply-placement", "choose",
          "podbor", "create-project", "edit-project", "save-as", "delete-project"})
        list.push_back({std::string("window ") + step, {doc, "doc", "{D}", step}, {}, 2});
    list.push_back({"window move, undo, redo", {doc, "doc", "{D}", "move,undo,redo"}, {}, 4});
    // KORVAN_FAULT_ONLY=text keeps the commands whose name holds the text (to reproduce one).
    if (const char *only = std::getenv("KORVAN_FAULT_ONLY"); only && *only)
        std::erase_if(list,
                      [&](const Command &cmd) { return cmd.name.find(only) == std::string::npos; });
    return list;
}

// The folder as the state worker reports it: table lines, messages, other files.
struct State {
    std::map<std::string, std::string> tables;
    std::vector<std::string> messages, extra;
    bool operator==(const State &o) const { return tables == o.tables; }
};

struct Outcome {
    int code = 0; // exit code or -signal
    std::string err;
    Clock::duration took{};
};

// Per command: what was found.
struct Tally {
    int kills = 0, before = 0, step = 0, after = 0, between = 0, disk = 0, diskDone = 0, stray = 0;
    int temps = 0;
    int faults = 0;
};

class FaultCommands : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // In memory where there is a tmpfs: the hundreds of runs do not wait for the disk.
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string t = (base / "korvan-fault-commands-XXXXXX").string();
        ASSERT_NE(mkdtemp(t.data()), nullptr);
        root = t + "/";
        seed = static_cast<unsigned>(envNumber("KORVAN_FAULT_SEED", 20261209));
        std::cout << "KORVAN_FAULT_SEED=" << seed << "\n";
        writeImportFile();
        const std::string pristine = root + "pristine/";
        Outcome o = run({KORVAN_FAULT_WORKER, "setup", pristine}, {});
        ASSERT_EQ(o.code, 0) << o.err;
        o = run({KORVAN_FAULT_COMMAND, "prepare", pristine}, {});
        ASSERT_EQ(o.code, 0) << o.err;
        o = run({KORVAN_FAULT_COMMAND, "keys", pristine}, {});
        ASSERT_EQ(o.code, 0) << o.err;
        std::istringstream in(slurp(root + "stdout.txt"));
        for (std::string k, v; in >> k >> v;)
            keys["{" + k + "}"] = v;
        keys["{D}"] = root + "Data/";
        keys["{O}"] = root + "out/";
        keys["{R}"] = root;
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    static Outcome run(const std::vector<std::string> &args, const std::vector<std::string> &env)
    {
        const auto t0 = Clock::now();
        Outcome o;
        o.code = waitFor(spawn(args, env, root + "stdout.txt", root + "stderr.txt"));
        o.took = Clock::now() - t0;
        o.err = slurp(root + "stderr.txt");
        return o;
    }

    static void writeImportFile()
    {
        std::ofstream out(root + "import.json");
        out << R"({"project": {"Name": "Импорт", "ProdGrozMin": 60, "ProdGrozMax": 79, "Udarov": 6,
        "TipMO": "одиночный стержневой молниеотвод", "IScale": 500},
        "conductors": [{"MX": 10, "MY": 10}], "objects": [)";
        for (int i = 0; i < 80; ++i)
            out << (i ? "," : "") << R"({"Name": "Объект )" << i << R"(", "MXa": )" << (i % 10) * 6
                << R"(, "MYa": )" << (i / 10) * 6 << R"(, "L": 4, "S": 3, "Hx": 6, "Tip": 1})";
        out << "]}\n";
    }

    static std::vector<std::string> argsOf(const Command &c) { return argsOf(c, c.args); }
    static std::vector<std::string> argsOf(const Command &, const std::vector<std::string> &args)
    {
        std::vector<std::string> v;
        for (std::string a : args) {
            for (const auto &[k, val] : keys)
                for (std::size_t at; (at = a.find(k)) != std::string::npos;)
                    a.replace(at, k.size(), val);
            v.push_back(a);
        }
        return v;
    }

    // A fresh copy of the prepared folder; the outputs old (kept) or absent.
    static void restore(const Command &c, bool oldOutputs)
    {
        std::error_code ec;
        fs::remove_all(root + "Data", ec);
        fs::remove_all(root + "out", ec);
        fs::copy(root + "pristine", root + "Data", fs::copy_options::recursive);
        fs::create_directory(root + "out");
        if (oldOutputs)
            for (const auto &f : c.outputs)
                std::ofstream(root + "out/" + f) << "an older file of the same name\n";
    }

    static State state()
    {
        State s;
        const Outcome o = run({KORVAN_FAULT_COMMAND, "state", root + "Data/"}, {});
        if (o.code != 0)
            s.messages.push_back("the folder does not open: " + o.err);
        std::istringstream in(slurp(root + "stdout.txt"));
        for (std::string line; std::getline(in, line);) {
            const auto sp = line.find(' ');
            const std::string head = line.substr(0, sp), rest = line.substr(sp + 1);
            if (head == "message")
                s.messages.push_back(rest);
            else if (head == "extra")
                s.extra.push_back(rest);
            else
                s.tables[head] = rest;
        }
        return s;
    }

    // The states before, after each step, and the outputs of a whole run.
    struct Reference {
        std::vector<State> states; // [0] before, [k] after k steps
        std::map<std::string, Bytes> outputs;
        bool exactOutputs = true; // two whole runs wrote the same bytes
        Clock::duration took{};
    };

    Reference reference(const Command &c)
    {
        Reference r;
        restore(c, false);
        r.states.push_back(state());
        for (int k = 1; k < c.steps; ++k) {
            restore(c, false);
            const Outcome o =
                c.stepArgs.empty()
                    ? run(argsOf(c), {"KORVAN_FAULT_STEPS=" + std::to_string(k)})
                    : run(argsOf(c, c.stepArgs.at(static_cast<std::size_t>(k - 1))), {});
            EXPECT_EQ(o.code, 0) << c.name << ": " << o.err;
            r.states.push_back(state());
        }
        for (int pass = 0; pass < 2; ++pass) {
            restore(c, false);
            const Outcome o = run(argsOf(c), {});
            EXPECT_EQ(o.code, 0) << c.name << ": " << o.err;
            r.took = pass ? std::min(r.took, o.took) : o.took;
            const State after = state();
            if (pass == 0)
                r.states.push_back(after);
            else
                EXPECT_TRUE(after == r.states.back()) << c.name << ": two whole runs differ";
            for (const auto &f : c.outputs) {
                const Bytes b = slurp(root + "out/" + f);
                EXPECT_TRUE(looksComplete(f, b)) << c.name << ": " << f << " is not complete";
                if (pass == 0)
                    r.outputs[f] = b;
                else if (r.outputs[f] != b)
                    r.exactOutputs = false;
            }
        }
        EXPECT_TRUE(!c.outputs.empty() || !(r.states.front() == r.states.back()))
            << c.name << " changed nothing";
        return r;
    }

    // What a run left: the step whose rows the folder holds (-1: none), and whether it wrote
    // every output whole.
    struct Found {
        int step = -1;
        bool outputsNew = false;
        bool before() const { return step == 0; }
    };

    // Checks the folder and the outputs after a run.
    Found verify(const Command &c, const Reference &r, bool oldOutputs, bool killed,
                 const std::string &what, Tally &t)
    {
        const State s = state();
        // The latest step whose rows these are (a step may change nothing).
        int found = static_cast<int>(r.states.size()) - 1;
        while (found >= 0 && !(s == r.states[static_cast<std::size_t>(found)]))
            --found;
        for (const auto &m : s.messages)
            fault(c, t, what + ": opening the folder says: " + m);
        if (found < 0) {
            std::string diff;
            for (const auto &[file, rows] : s.tables)
                if (rows != r.states.front().tables.at(file) ||
                    rows != r.states.back().tables.at(file))
                    diff += " " + file + " [" + rows + "; before " +
                            r.states.front().tables.at(file) + "; after " +
                            r.states.back().tables.at(file) + "]";
            fault(c, t, what + ": the rows are neither before nor after:" + diff);
        }
        for (const auto &e : s.extra) {
            if (e == "commit.log")
                fault(c, t, what + ": commit.log is still there after opening the folder");
            else if (killed)
                temporary(t, e);
            else
                fault(c, t, what + ": left " + e + " in the data folder");
        }
        std::set<std::string> named(c.outputs.begin(), c.outputs.end());
        int whole = 0;
        for (const auto &f : c.outputs) {
            const std::string path = root + "out/" + f;
            if (!fs::exists(path)) {
                if (oldOutputs)
                    fault(c, t, what + ": the older " + f + " is gone");
                continue;
            }
            const Bytes b = slurp(path);
            if (oldOutputs && b == "an older file of the same name\n")
                continue;
            if (r.exactOutputs ? b == r.outputs.at(f) : looksComplete(f, b)) {
                ++whole;
            } else {
                ++t.stray;
                fault(c, t,
                      what + ": " + f + " is there but not complete (" + std::to_string(b.size()) +
                          " bytes)");
            }
        }
        for (const auto &e : fs::directory_iterator(root + "out"))
            if (!named.count(e.path().filename().string())) {
                if (killed)
                    temporary(t, e.path().filename().string());
                else
                    fault(c, t,
                          what + ": left " + e.path().filename().string() + " beside the output");
            }
        // A command that changes no rows has its "after" in its files.
        const bool rowsSame = r.states.front() == r.states.back();
        Found out;
        out.step = found;
        out.outputsNew = !c.outputs.empty() && whole == static_cast<int>(c.outputs.size());
        if (rowsSame && found >= 0)
            out.step = whole > 0 ? static_cast<int>(r.states.size()) - 1 : 0;
        return out;
    }

    // A file a killed command left under a name of its own (its final names are checked).
    void temporary(Tally &t, const std::string &name)
    {
        ++t.temps;
        temporaries.insert(name.substr(0, name.find_first_of("0123456789-")));
    }

    void fault(const Command &c, Tally &t, const std::string &text)
    {
        ++t.faults;
        if (faults.size() < 60)
            faults.push_back(c.name + ", " + text);
    }

    void report(const std::map<std::string, Tally> &tallies, bool disk)
    {
        Tally sum;
        // "step": the rows after one of the command's steps (opening the project in the window).
        std::cout << "command                    " << (disk ? " runs  done" : "kills      ")
                  << "  before   step  after  between  stray  temporaries  faults\n";
        for (const auto &[name, t] : tallies) {
            std::printf("%-26s %5d %5s %7d %6d %6d %8d %6d %12d %7d\n", name.c_str(),
                        disk ? t.disk : t.kills, disk ? std::to_string(t.diskDone).c_str() : "",
                        t.before, t.step, t.after, t.between, t.stray, t.temps, t.faults);
            sum.kills += t.kills;
            sum.disk += t.disk;
            sum.before += t.before;
            sum.step += t.step;
            sum.after += t.after;
            sum.between += t.between;
            sum.stray += t.stray;
            sum.faults += t.faults;
        }
        std::cout << (disk ? "full disk: " : "kills: ") << (disk ? sum.disk : sum.kills) << " over "
                  << tallies.size() << " commands (seed " << seed << "); states before "
                  << sum.before << ", after " << sum.after << " (and after a step " << sum.step
                  << "), between " << sum.between << "; stray files " << sum.stray << "; faults "
                  << sum.faults << "\n";
        if (!temporaries.empty()) {
            std::cout << "left by kills under their own names:";
            for (const auto &n : temporaries)
                std::cout << " " << n << "…";
            std::cout << "\n";
        }
        std::string text;
        for (const auto &f : faults)
            text += f + "\n";
        EXPECT_TRUE(faults.empty()) << text;
    }

    static void count(Tally &t, const Found &f, const Reference &r)
    {
        if (f.step < 0)
            ++t.between;
        else if (f.before())
            ++t.before;
        else if (f.step + 1 < static_cast<int>(r.states.size()))
            ++t.step;
        else
            ++t.after;
    }

    static inline std::string root;
    static inline unsigned seed = 0;
    static inline std::map<std::string, std::string> keys;
    std::vector<std::string> faults;
    std::set<std::string> temporaries;
};

TEST_F(FaultCommands, KilledAtRandomInstantsLeaveBeforeOrAfter)
{
    const auto list = commands();
    const long total = envNumber("KORVAN_FAULT_KILLS", 220);
    const long perCommand =
        (total + static_cast<long>(list.size()) - 1) / static_cast<long>(list.size());
    std::mt19937 rng(seed);
    std::map<std::string, Tally> tallies;
    for (const Command &c : list) {
        Tally &t = tallies[c.name];
        const Reference r = reference(c);
        const long span = std::chrono::duration_cast<std::chrono::microseconds>(r.took).count();
        // Every other kill falls in the last third, where the writing is (the start is loading);
        // a run that ended before its kill does not count, so rounds go on (a bounded number)
        // until enough landed.
        for (long round = 0; round < perCommand * 3 && t.kills < perCommand; ++round) {
            const bool old = round % 2 == 0;
            restore(c, old);
            const long lo = round % 2 ? span * 2 / 3 : 0;
            const long delay = std::uniform_int_distribution<long>(lo, span * 21 / 20)(rng);
            const pid_t pid = spawn(argsOf(c), {}, "/dev/null", root + "stderr.txt");
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            kill(pid, SIGKILL);
            const int code = waitFor(pid);
            const bool killed = code == -SIGKILL;
            if (!killed && code != 0)
                fault(c, t,
                      "exit " + std::to_string(code) +
                          " without a kill: " + slurp(root + "stderr.txt"));
            if (killed)
                ++t.kills;
            const Found found =
                verify(c, r, old, killed, "killed at " + std::to_string(delay) + " µs", t);
            if (killed)
                count(t, found, r);
        }
        EXPECT_GE(t.kills, perCommand / 2) << c.name << ": the kills came too late";
    }
    report(tallies, false);
}

TEST_F(FaultCommands, FullDiskLeavesBeforeOrAfterAndSaysSo)
{
    const auto list = commands();
    const long cap = envNumber("KORVAN_FAULT_DISK", 12);
    std::mt19937 rng(seed + 1);
    std::map<std::string, Tally> tallies;
    const std::string preload = std::string("LD_PRELOAD=") + KORVAN_ENOSPC_SHIM;
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer's runtime wants to come first among the preloaded libraries.
    const char *asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                    (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
#else
    const std::string asanOptions = "KORVAN_FAULT_NO_SANITIZER=1";
#endif
    for (const Command &c : list) {
        Tally &t = tallies[c.name];
        const Reference r = reference(c);
        // How many writes the whole command makes.
        restore(c, false);
        const std::string countFile = root + "writes.txt";
        const Outcome whole =
            run(argsOf(c), {preload, asanOptions, "KORVAN_ENOSPC_COUNT=" + countFile});
        ASSERT_EQ(whole.code, 0) << c.name << ": " << whole.err;
        const long n = std::atol(slurp(countFile).c_str());
        ASSERT_GT(n, 0) << c.name << ": the shim saw no write";
        std::set<long> at;
        for (long k = 1; k <= std::min(n, 4L); ++k)
            at.insert(k);
        for (long k = std::max(1L, n - 3); k <= n; ++k)
            at.insert(k);
        while (static_cast<long>(at.size()) < std::min(n, cap))
            at.insert(std::uniform_int_distribution<long>(1, n)(rng));
        // Every other run fails only the one write: a disk that filled up and then had space
        // again, as when a failed transaction's journal is deleted.
        int i = 0;
        for (long k : at) {
            const bool old = k % 2 == 1, once = i++ % 2 == 1;
            restore(c, old);
            const Outcome o =
                run(argsOf(c), {preload, asanOptions, "KORVAN_ENOSPC_AT=" + std::to_string(k),
                                once ? "KORVAN_ENOSPC_ONCE=1" : "KORVAN_ENOSPC=full"});
            ++t.disk;
            const std::string what = (once ? "disk full at write " : "disk full from write ") +
                                     std::to_string(k) + " of " + std::to_string(n) + ", exit " +
                                     std::to_string(o.code);
            const Found found = verify(c, r, old, false, what, t);
            count(t, found, r);
            const bool done = found.step == static_cast<int>(r.states.size()) - 1 &&
                              (c.outputs.empty() || found.outputsNew);
            if (o.code == 0) {
                ++t.diskDone;
                if (!done)
                    fault(c, t, what + ": reported success but the command was not done");
                for (const auto &f : c.outputs)
                    if (slurp(root + "out/" + f) != r.outputs.at(f) && r.exactOutputs)
                        fault(c, t,
                              what + ": reported success but " + f + " is not the whole file");
            } else if (o.code != 1 && o.code != 2) {
                fault(c, t, what + ": " + o.err);
            } else if (o.err.find_first_not_of(" \n") == std::string::npos) {
                fault(c, t, what + ": no message");
            }
        }
    }
    report(tallies, true);
}

} // namespace
