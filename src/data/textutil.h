#pragma once
// UTF-8 helpers of the table store: character counts, validity and a case fold for the Latin
// and Cyrillic letters (SQLite's own folding covers ASCII only).

#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Number of characters (code points) of a UTF-8 text, or nullopt when it is not valid UTF-8.
std::optional<std::size_t> utf8Length(std::string_view s);

// Lower-cases Latin A-Z and the Cyrillic capitals (А-Я, Ё and the other U+0400-U+040F
// letters); every other character is kept as it is.
std::string foldCase(std::string_view s);

// Parses a number written with a decimal comma or a decimal point ("12,5", "12.5", " -3 ").
std::optional<double> parseLooseNumber(std::string_view s);

} // namespace kv

namespace kv {
// The first n characters of a UTF-8 text (the whole text when it is shorter).
std::string utf8Prefix(std::string_view s, std::size_t n);
} // namespace kv
