// Fuzz target: the XML text escaping of the .docx writer. Whatever the bytes, the escaped text
// must parse as element content and as an attribute value, and valid text must come back as it
// went in.

#include "data/xmltext.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string escaped = kv::xmlEscape(text);
    const std::string xml = "<w:t a=\"" + escaped + "\">" + escaped + "</w:t>";
    pugi::xml_document doc;
    // Escapes only: no end-of-line rewriting, and blank text is kept.
    const unsigned options = pugi::parse_escapes | pugi::parse_ws_pcdata;
    if (!doc.load_buffer(xml.data(), xml.size(), options, pugi::encoding_utf8))
        std::abort();
    const std::string back = doc.first_child().child_value();
    const auto count = [](const std::string &s) {
        std::size_t n = 0;
        for (auto p = s.find("\xEF\xBF\xBD"); p != std::string::npos; p = s.find("\xEF\xBF\xBD", p + 3))
            ++n;
        return n;
    };
    const bool replaced = count(escaped) > count(text);
    if (!replaced && back != text)
        std::abort();
    return 0;
}
