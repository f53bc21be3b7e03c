#pragma once
// A data folder with the installation data, made once per fuzz run, and a prompter that stays
// silent.

#include "data/datamodule.h"
#include "data/prompter.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fuzz {

class SilentPrompter : public kv::Prompter {
public:
    void error(const std::string &) override {}
    void info(const std::string &) override {}
    void warning(const std::string &) override {}
    bool ask(const std::string &) override { return true; }
    std::optional<std::string> input(const std::string &, const std::string &,
                                      const std::string &initial, int = 0) override
    {
        return initial;
    }
};

// The folder, removed when the fuzzer exits (after the tables are closed).
struct FuzzFolder {
    std::string path;
    ~FuzzFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

inline kv::DataModule &dataModule()
{
    static SilentPrompter prompter;
    static FuzzFolder folder;
    static std::unique_ptr<kv::DataModule> dm = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "korvan-fuzz-XXXXXX").string();
        if (!mkdtemp(dir.data()))
            std::abort();
        folder.path = dir;
        kv::createInstallationData(dir);
        auto m = std::make_unique<kv::DataModule>(dir, prompter);
        m->openAll();
        return m;
    }();
    return *dm;
}

} // namespace fuzz
