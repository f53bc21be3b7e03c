// Fuzz target: the one-field filter expressions of the tables, applied to the object names table
// of a fresh data folder and walked.

#include "data/datamodule.h"
#include "fuzzdata.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kv::Table &t = fuzz::dataModule().table(kv::TableId::ObjName);
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
