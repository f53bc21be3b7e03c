// Fuzz target: the XML text of the .docx writer. Whatever the bytes, the escaped text must parse
// as element content and as an attribute value, and valid text must come back as it went in;
// the writer's own path (xmlSafeText, then pugixml's output) must give no character reference
// and no forbidden character, which XML 1.0 parsers (Word, LibreOffice) refuse.

#include "data/xmltext.h"

#include <pugixml.hpp>
#include <sstream>

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

    pugi::xml_document written;
    written.append_child("w:t").text().set(kv::xmlSafeText(text).c_str());
    std::ostringstream os;
    written.save(os, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string out = os.str();
    if (out.find("&#") != std::string::npos)
        std::abort();
    for (const char c : out)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            std::abort();
    if (out.find("\xEF\xBF\xBE") != std::string::npos || out.find("\xEF\xBF\xBF") != std::string::npos)
        std::abort();
    return 0;
}
