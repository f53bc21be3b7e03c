// Fuzz target: the JSON reader of calc, place and import, followed by the typed field access and
// the row writer the commands use on what it returns.

#include "cli/jsoninput.h"
#include "cli/jsonrows.h"
#include "data/datamodule.h"
#include "fuzzdata.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

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
        kv::DataModule &dm = fuzz::dataModule();
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
