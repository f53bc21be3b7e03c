#pragma once
// The project JSON of the commands (shared with the program's project file), and the temporary
// data folder the calculation cases are entered in.

#include "exchange/projectjson.h"

#include <string>

namespace kv::cli {

using kv::jsonToRow;
using kv::multiRodElementsToJson;
using kv::multiRodFromJson;
using kv::multiRodPairsToJson;
using kv::projectToJson;
using kv::rowsToJson;
using kv::rowToJson;

// A fresh data folder in the system's temporary folder, removed with the object.
class TempDataDir {
public:
    TempDataDir();
    ~TempDataDir();
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace kv::cli
