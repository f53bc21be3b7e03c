#include "cli/jsonrows.h"

#include "data/transaction.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <signal.h>
#include <unistd.h>

namespace kv::cli {

namespace {

// The folders of a case are named korvan-case-PID-XXXXXX so that a later run can tell the
// folders of processes that were killed (SIGKILL leaves no chance to clean up) from live ones.
constexpr const char *kCasePrefix = "korvan-case-";

// Paths removed by the signal handler: every file a data folder can hold, then the folder.
// Built before the handler is installed and never changed while it is.
std::vector<std::string> &cleanupPaths()
{
    static std::vector<std::string> paths;
    return paths;
}

extern "C" void removeCaseFolderAndDie(int sig)
{
    for (const std::string &p : cleanupPaths())
        ::unlink(p.c_str());
    if (!cleanupPaths().empty())
        ::rmdir(cleanupPaths().back().c_str());
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void sweepFoldersOfDeadProcesses(const std::filesystem::path &tmp)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(tmp, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kCasePrefix, 0) != 0 || !it->is_directory(ec))
            continue;
        const std::string rest = name.substr(std::strlen(kCasePrefix));
        const auto dash = rest.find('-');
        if (dash == std::string::npos)
            continue;
        pid_t pid = 0;
        const auto [p, err] = std::from_chars(rest.data(), rest.data() + dash, pid);
        if (err != std::errc() || p != rest.data() + dash || pid <= 0)
            continue;
        if (::kill(pid, 0) == -1 && errno == ESRCH) {
            std::error_code rec;
            std::filesystem::remove_all(it->path(), rec);
        }
    }
}

} // namespace

TempDataDir::TempDataDir()
{
    const std::filesystem::path tmp = std::filesystem::temp_directory_path();
    sweepFoldersOfDeadProcesses(tmp);
    std::string tmpl =
        (tmp / (kCasePrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = tmpl;

    auto &paths = cleanupPaths();
    if (paths.empty()) {
        for (TableId id : openingOrder())
            for (const char *suffix : {"", "-journal", "-wal", "-shm", ".tmp"})
                paths.push_back(m_path + "/" + tableDef(id).fileName + suffix);
        // The transaction's commit record.
        for (const std::string &name :
             {std::string(kCommitRecordName), std::string(kCommitRecordName) + ".tmp"})
            paths.push_back(m_path + "/" + name);
        paths.push_back(m_path);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, removeCaseFolderAndDie);
    }
}

TempDataDir::~TempDataDir()
{
    if (!cleanupPaths().empty() && cleanupPaths().back() == m_path) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, SIG_DFL);
        cleanupPaths().clear();
    }
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace kv::cli
