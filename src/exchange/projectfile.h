#pragma once
// The one-file project (.kvproj) a designer mails or archives: the project JSON with its
// conductors and objects under a format name and version, and the project's underlay (its
// settings and its file, base64) under "underlay", read back as a new project. The file
// is bounded like every JSON input (64 MB, 64 levels); anything else is refused with its reason.

#include "data/datamodule.h"

#include <nlohmann/json.hpp>
#include <string>

namespace kv {

inline constexpr const char *kProjectFileFormat = "korvan-project";
inline constexpr int kProjectFileVersion = 1;
inline constexpr const char *kProjectFileSuffix = ".kvproj";

// The current project as a project file's JSON.
nlohmann::ordered_json projectFileJson(DataModule &dm);

// Writes the current project to path (through a temporary file beside it, renamed when
// complete). Throws InputRefused when path names a file of the data folder and
// std::runtime_error with the Russian reason when it cannot be written.
void saveProjectFile(DataModule &dm, const std::string &path);

// Reads and checks a project file without touching the data folder: throws InputRefused naming
// the file and what is wrong (missing, too large, not JSON, another format, a newer version, no
// project).
nlohmann::ordered_json readProjectFile(const std::string &path);

// Enters a file read by readProjectFile (or a korvan-cli export) as a new project, which becomes
// the current row of project.DB, with its placement rows, a multiple rod's pairs and elements
// and its underlay written beside the tables; returns its key. The caller has prepared the
// folder (prepareMultiRodImport) and holds the transaction over the project's tables; on a
// throw it must be rolled back.
int enterProjectFile(DataModule &dm, const nlohmann::ordered_json &file, const std::string &path);

} // namespace kv
