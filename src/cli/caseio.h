#pragma once
// A calculation case (JSON) entered into a fresh temporary data folder as the windows would
// enter it: settings, sag table, the project, its conductor rows and its objects, each object
// evaluated as the object dialog's OK does.

#include "cli/cliprompter.h"
#include "cli/command.h"
#include "cli/jsonrows.h"
#include "data/datamodule.h"

#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace kv::cli {

// A case the program refuses (exit code 2), such as an object that needs no protection.
class CaseRefused : public InputRefused {
public:
    using InputRefused::InputRefused;
};

class CaseSession {
public:
    // Enters the case; throws CaseRefused or TableError.
    explicit CaseSession(const nlohmann::ordered_json &doc);
    ~CaseSession();

    DataModule &dm() { return *m_dm; }
    CliPrompter &prompter() { return m_prompter; }
    // The stored project, conductors and objects with "messages" holding every message shown
    // so far (nothing else of the case is copied).
    nlohmann::ordered_json result();

private:
    TempDataDir m_dir;
    CliPrompter m_prompter{nullptr};
    std::unique_ptr<DataModule> m_dm;
};

// Refuses a project row (being entered) without one of the three conductor types: nothing could
// be calculated for it.
void requireConductorType(const Table &project);

// Reads a UTF-8 JSON file; throws std::runtime_error with a clear text.
nlohmann::ordered_json readJsonFile(const std::string &path);

// Evaluates one object row of the current project from its class and sizes as the object dialog
// does on OK (N as "0.00", zone and category from the class rule unless given, STip from the
// class, position snapped to the grid step) and appends it. Throws CaseRefused when the object
// would need no protection.
void appendEvaluatedObject(DataModule &dm, const nlohmann::ordered_json &obj, double gridStep);

} // namespace kv::cli
