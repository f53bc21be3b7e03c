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
using kv::CaseRefused;
using kv::appendEvaluatedObject;
using kv::requireConductorType;

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

// Reads a UTF-8 JSON file; throws std::runtime_error with a clear text.
nlohmann::ordered_json readJsonFile(const std::string &path);

} // namespace kv::cli
