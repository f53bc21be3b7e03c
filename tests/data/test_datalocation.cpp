// Where the Data folder lives: beside a portable executable, in the user's data folder for an
// installed one.

#include "data/datalocation.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

TEST(DataLocation, PortableBesideTheExecutableInstalledInTheUserDataFolder)
{
    kv::test::TempDir t;
    const fs::path root = fs::path(t.path()).parent_path();
    fs::create_directories(root / "usr/bin");
    fs::create_directories(root / "usr/share/korvan");
    fs::create_directories(root / "build/bin");
    const std::string installed = (root / "usr/bin").string();
    const std::string portable = (root / "build/bin").string();

    setenv("HOME", "/home/u", 1);
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(kv::defaultDataDir(portable), portable + "/Data");
    EXPECT_EQ(kv::defaultDataDir(installed), "/home/u/.local/share/korvan/Data");
    setenv("XDG_DATA_HOME", "/x/data", 1);
    EXPECT_EQ(kv::defaultDataDir(installed), "/x/data/korvan/Data");
    setenv("XDG_DATA_HOME", "relative", 1); // ignored, as XDG asks
    EXPECT_EQ(kv::defaultDataDir(installed), "/home/u/.local/share/korvan/Data");
    unsetenv("XDG_DATA_HOME");
    // bin without share/korvan beside it is a portable build, whatever its name.
    fs::create_directories(root / "opt/bin");
    EXPECT_EQ(kv::defaultDataDir((root / "opt/bin").string()), (root / "opt/bin/Data").string());
}
