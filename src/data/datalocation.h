#pragma once
// Where the program keeps its Data folder. A portable build keeps it beside the executable. An
// installed program (bin/ with share/korvan/ beside it, as the Debian package lays it out) cannot
// write there, so it keeps the folder in the user's data folder: $XDG_DATA_HOME/korvan/Data,
// by default ~/.local/share/korvan/Data.

#include <string>

namespace kv {

// True when the executable in this folder belongs to an installed program.
bool isInstalledLayout(const std::string &executableDir);

// The default data folder for an executable in this folder (see above).
std::string defaultDataDir(const std::string &executableDir);

} // namespace kv
