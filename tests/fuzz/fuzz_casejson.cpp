// Fuzz target: the JSON reader of calc, place and import, followed by the typed field access and
// the row writer the commands use on what it returns.

#include "cli/jsoninput.h"
#include "cli/jsonrows.h"
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

// Writes a JSON record into a new row of the table and throws the row away.
void tryRow(kv::Table &t, const nlohmann::ordered_json &rec)
{
    if (!t.append())
        return;
    try {
        kv::cli::jsonToRow(t, rec);
    } catch (const kv::TableError &) {
    }
    t.cancel();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace kv::cli;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        const auto doc = parseJsonObject(text, "fuzz.json");
        kv::DataModule &dm = dataModule();
        if (doc.contains("project"))
            tryRow(dm.project(), doc["project"]);
        for (const auto &o : optArray(doc, "objects", "fuzz")) {
            tryRow(dm.object(), o);
            if (o.is_object()) {
                optNumber(o, "Hx", "fuzz");
                optInteger(o, "Tip", "fuzz", 1, 16);
                optString(o, "Name", "fuzz");
            }
        }
        for (const auto &r : optArray(doc, "ranges", "fuzz"))
            if (r.is_object())
                for (const char *f : {"X1", "X2", "DX"})
                    optNumber(r, f, "fuzz");
        optInteger(doc, "stop_after", "fuzz", 0, 1'000'000);
    } catch (const InputRefused &) {
    }
    return 0;
}
