#include "data/xmltext.h"

namespace kv {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is not valid (truncated,
// overlong, a surrogate or past U+10FFFF).
std::size_t decode(std::string_view s, std::size_t i, char32_t &cp)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    std::size_t n;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    const char32_t minimum = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool allowedInXml(char32_t cp)
{
    if (cp < 0x20)
        return cp == 0x09 || cp == 0x0A || cp == 0x0D;
    return cp != 0xFFFE && cp != 0xFFFF;
}

} // namespace

namespace {

std::string clean(std::string_view text, bool escapeMarkup)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t n = decode(text, i, cp);
        if (n == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (!allowedInXml(cp)) {
            out += kReplacement;
        } else if (!escapeMarkup) {
            out.append(text.substr(i, n));
        } else {
            switch (cp) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out.append(text.substr(i, n)); break;
            }
        }
        i += n;
    }
    return out;
}

} // namespace

std::string xmlEscape(std::string_view text) { return clean(text, true); }

std::string xmlSafeText(std::string_view text) { return clean(text, false); }

} // namespace kv
