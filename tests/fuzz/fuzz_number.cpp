// Fuzz target: the number parsers of the edit boxes and the filters, and the formatters fed
// with whatever they accept.

#include "calc/numfmt.h"
#include "data/textutil.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    for (const auto v : {kv::parseNumber(text), kv::parseLooseNumber(text)}) {
        if (!v)
            continue;
        if (!std::isfinite(*v))
            std::abort(); // a parsed number is always finite
        const std::string general = kv::formatGeneral(*v);
        const std::string fixed = kv::format00(*v);
        if (general.empty() || fixed.empty())
            std::abort();
    }
    return 0;
}
