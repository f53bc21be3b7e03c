#include "data/datalocation.h"

#include <cstdlib>
#include <filesystem>

namespace kv {

namespace fs = std::filesystem;

bool isInstalledLayout(const std::string &executableDir)
{
    const fs::path dir(executableDir);
    std::error_code ec;
    return dir.filename() == "bin" && fs::is_directory(dir.parent_path() / "share" / "korvan", ec);
}

std::string defaultDataDir(const std::string &executableDir)
{
    if (!isInstalledLayout(executableDir))
        return (fs::path(executableDir) / "Data").string();
    // XDG: an empty or relative XDG_DATA_HOME is ignored.
    fs::path base;
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute())
        base = xdg;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".local" / "share";
    else
        return (fs::path(executableDir) / "Data").string();
    return (base / "korvan" / "Data").string();
}

} // namespace kv
