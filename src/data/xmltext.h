#pragma once
// Text for XML documents (the .docx writer's runs and attributes): any byte string becomes
// well-formed XML 1.0 character data, so a name typed into a project can never break the file.

#include <string>
#include <string_view>

namespace kv {

// Escapes & < > " ' and replaces what XML 1.0 forbids (control characters other than tab, line
// feed and carriage return, U+FFFE/U+FFFF, surrogates, invalid or overlong UTF-8) with U+FFFD.
std::string xmlEscape(std::string_view text);
// The same replacements without the markup escapes, for an XML writer that escapes & < > itself
// (pugixml) but would write a forbidden character as a character reference such as "&#1;".
std::string xmlSafeText(std::string_view text);

} // namespace kv
