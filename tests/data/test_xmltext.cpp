// XML text escaping for the .docx writer: the markup characters, and bytes XML 1.0 forbids.

#include "data/xmltext.h"

#include <gtest/gtest.h>

TEST(XmlEscape, MarkupAndForbiddenCharacters)
{
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        std::string in, out;
    } rows[] = {
        {"Склад & <котельная>", "Склад &amp; &lt;котельная&gt;"},
        {"\"1\" 'a'", "&quot;1&quot; &apos;a&apos;"},
        {"a\tb\r\nc", "a\tb\r\nc"},
        {std::string("a\0b", 3), "a" + r + "b"},
        {"\x01\x1f", r + r},
        {"\xff", r},                       // not UTF-8
        {"\xd0", r},                       // truncated Cyrillic letter
        {"\xc0\xaf", r + r},               // overlong '/'
        {"\xed\xa0\x80", r + r + r},       // a surrogate
        {"\xef\xbf\xbe", r},               // U+FFFE
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"}, // outside the BMP is fine
    };
    for (const auto &row : rows)
        EXPECT_EQ(kv::xmlEscape(row.in), row.out) << row.in;
}
