// Fuzz target: the DXF reader and the import plan. Whatever the bytes, the reader either refuses
// them with its message or gives a drawing the import can plan over, never a crash.

#include "plan/dxfimport.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    try {
        const kv::DxfDrawing d = kv::readDxfText(text, QStringLiteral("fuzz.dxf"));
        kv::DxfImportOptions opt;
        opt.layers = d.layers;
        kv::planDxfImport(d, opt, 1.0);
    } catch (const kv::DxfRefused &) {
    }
    return 0;
}
