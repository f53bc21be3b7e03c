#pragma once
// The installation data: the contents of a fresh data folder, compiled into the program.

#include "data/schema.h"

#include <map>
#include <string>

namespace kv {

// INSERT statements per table, keyed by the table's name inside its file ("project", "class").
const std::map<std::string, std::string> &installationSql();

} // namespace kv
