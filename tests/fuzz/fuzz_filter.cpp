// Fuzz target: the one-field filter expressions of the tables, applied to the object table of a
// fresh data folder and walked.

#include "data/datamodule.h"
#include "data/prompter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

class SilentPrompter : public kv::Prompter {
public:
    void error(const std::string &) override {}
    void info(const std::string &) override {}
    void warning(const std::string &) override {}
    bool ask(const std::string &) override { return true; }
    std::optional<std::string> input(const std::string &, const std::string &,
                                      const std::string &initial) override
    {
        return initial;
    }
};

kv::DataModule &dataModule()
{
    static SilentPrompter prompter;
    static std::unique_ptr<kv::DataModule> dm = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "korvan-fuzz-XXXXXX").string();
        if (!mkdtemp(dir.data()))
            std::abort();
        kv::createInstallationData(dir);
        auto m = std::make_unique<kv::DataModule>(dir, prompter);
        m->openAll();
        return m;
    }();
    return *dm;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kv::Table &t = dataModule().table(kv::TableId::ObjName);
    const std::string expr(reinterpret_cast<const char *>(data), size);
    try {
        t.setFilter(expr);
        int n = 0;
        for (t.first(); !t.eof() && n < 50; t.next())
            ++n;
    } catch (const kv::TableError &) {
    }
    t.setFilter("");
    return 0;
}
