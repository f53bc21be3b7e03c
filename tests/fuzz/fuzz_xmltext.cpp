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
    const unsigned options = pugi::parse_escapes; // no end-of-line or whitespace rewriting
    if (!doc.load_buffer(xml.data(), xml.size(), options, pugi::encoding_utf8))
        std::abort();
    const std::string back = doc.first_child().child_value();
    const std::string replacement = "\xEF\xBF\xBD";
    const bool replaced = escaped.find(replacement) != std::string::npos
                          && text.find(replacement) == std::string::npos;
    if (!replaced && back != text)
        std::abort();
    return 0;
}
