#include "data/textutil.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kv {

namespace {

// Decodes one code point at s[i]; returns false on a malformed sequence.
bool decode(std::string_view s, std::size_t &i, char32_t &cp)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra = 0;
    if (b0 < 0x80) {
        cp = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F;
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F;
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size() && extra > 0)
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static const char32_t minOf[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minOf[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

void encode(char32_t cp, std::string &out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t foldChar(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F) // А..Я
        return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) // Ѐ..Џ, Ё among them
        return c + 0x50;
    return c;
}

} // namespace

std::optional<std::size_t> utf8Length(std::string_view s)
{
    std::size_t n = 0;
    std::size_t i = 0;
    char32_t cp = 0;
    while (i < s.size()) {
        if (!decode(s, i, cp))
            return std::nullopt;
        ++n;
    }
    return n;
}

std::string foldCase(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    char32_t cp = 0;
    while (i < s.size()) {
        const std::size_t start = i;
        if (!decode(s, i, cp)) {
            // Not UTF-8: keep the byte as it is.
            out += s[start];
            i = start + 1;
            continue;
        }
        encode(foldChar(cp), out);
    }
    return out;
}

std::optional<double> parseLooseNumber(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    if (b == e)
        return std::nullopt;
    std::string t(s.substr(b, e - b));
    for (char &c : t) {
        if (c == ',')
            c = '.';
        // Only a plain decimal notation: no hex, no "inf"/"nan" words.
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    }
    errno = 0;
    char *end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace kv

namespace kv {
std::string utf8Prefix(std::string_view s, std::size_t n)
{
    std::size_t i = 0, chars = 0;
    while (i < s.size() && chars < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        i += len;
        ++chars;
    }
    return std::string(s.substr(0, std::min(i, s.size())));
}
} // namespace kv
