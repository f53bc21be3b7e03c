#pragma once
// Running korvan-cli from a test: its exit code and standard output.

#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace clitest {

struct CliRun {
    int code = -1;
    std::string out;
};

inline std::string quote(const std::string &s) { return "'" + s + "'"; }

// A small single-rod case as `calc` takes it: one rod at (10, 10), one object beside it.
inline nlohmann::ordered_json rodCase()
{
    using json = nlohmann::ordered_json;
    return {{"project",
             {{"Name", "P"}, {"ProdGrozMin", 60}, {"ProdGrozMax", 79}, {"Udarov", 5.5},
              {"TipMO", "одиночный стержневой молниеотвод"}, {"IScale", 500}}},
            {"conductors", json::array({{{"MX", 10}, {"MY", 10}}})},
            {"objects", json::array({{{"Name", "Склад"}, {"SLabel", "1"}, {"MXa", 12},
                                      {"MYa", 12}, {"L", 6}, {"S", 4}, {"Hx", 5}, {"Tip", 1}}})}};
}

// A temporary folder, removed with everything in it (parts made read-only by a test included).
struct TempFolder {
    TempFolder()
    {
        std::string t = (std::filesystem::temp_directory_path() / "korvan-cli-XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    std::filesystem::path path;
};

// Runs korvan-cli with the arguments (already quoted where needed), with optional environment
// assignments in front; standard error is dropped unless mergeStderr.
inline CliRun run(const std::string &args, const std::string &env = {}, bool mergeStderr = false)
{
    CliRun r;
    const std::string cmd = (env.empty() ? "" : env + " ") + std::string(KORVAN_CLI) + " " + args
                            + (mergeStderr ? " 2>&1" : " 2>/dev/null");
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline nlohmann::ordered_json readJson(const std::filesystem::path &p)
{
    std::ifstream in(p);
    return nlohmann::ordered_json::parse(in);
}

} // namespace clitest
