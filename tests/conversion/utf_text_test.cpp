// Names need not be valid text (bytes on Linux, lone surrogates on Windows):
// whatever cannot be converted becomes U+FFFD, and nothing throws.
#include <gtest/gtest.h>

#include <string>

#include "utf_text.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

TEST(UtfText, EachByteThatIsNotUtf8BecomesOneReplacement)
{
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"Gr\xC3\xBCn \xE8\x8D\x89 \xF0\x9F\x8C\xBF", u"Gr\u00FCn \u8349 \U0001F33F"},  // two, three and four bytes
        {"\xFF" "a\x80", {kReplacement, u'a', kReplacement}},       // never a UTF-8 byte; a stray continuation
        {"a\xE8\x8D", {u'a', kReplacement, kReplacement}},          // cut off at the end
        {"\xC0\xAF", {kReplacement, kReplacement}},                 // "/" in two bytes (overlong)
        {"\xED\xA0\x80", std::u16string(3, kReplacement)},          // a surrogate, encoded
        {"\xF4\x90\x80\x80", std::u16string(4, kReplacement)},      // past U+10FFFF
        {"\xEF\xBF\xBD", {kReplacement}},                           // U+FFFD itself
    };
    for (const Case& test : cases) {
        EXPECT_EQ(UtfText::Utf8ToUtf16(test.utf8), test.utf16) << testing::PrintToString(test.utf8);
    }
    EXPECT_EQ(UtfText::Utf16ToUtf8(cases[0].utf16), cases[0].utf8);
}

TEST(UtfText, EachSurrogateWithoutItsPartnerBecomesOneReplacement)
{
    const std::u16string loneHigh{u'a', 0xD800};
    const std::u16string loneLow{0xDC00, u'b'};
    const std::u16string highBeforeLetter{0xD83C, u'c', 0xDF3F};
    EXPECT_EQ(UtfText::Utf16ToUtf8(loneHigh), "a\xEF\xBF\xBD");
    EXPECT_EQ(UtfText::Utf16ToUtf8(loneLow), "\xEF\xBF\xBD" "b");
    EXPECT_EQ(UtfText::Utf16ToUtf8(highBeforeLetter), "\xEF\xBF\xBD" "c\xEF\xBF\xBD");
}

TEST(UtfText, OnlyValidUtf8BeyondAsciiCountsAsMultibyte)
{
    for (const char* text : {"Gr\xC3\xBCn", "\xEF\xBF\xBD", "D:\\\xD0\x9C"}) {
        EXPECT_TRUE(UtfText::IsMultibyteUtf8(text)) << text;
    }
    for (const char* text : {"", "C:\\Mods", "Gr\xFCn", "\xC3\xA9\xFF", "\xC3"}) {
        EXPECT_FALSE(UtfText::IsMultibyteUtf8(text)) << text;
    }
}

}  // namespace
