// Names need not be valid text (bytes on Linux, lone surrogates on Windows):
// converting them never throws, and lists show only what the user may pick.
#include <gtest/gtest.h>

#include "conversion/file_pattern.h"
#include "conversion/path_text.h"
#include "conversion/utf_text.h"
#include "support/temp_dir.h"
#ifdef _WIN32
#include <windows.h>  // last: its min and max macros would break the headers above
#endif

TEST(UtfText, EachByteOrSurrogateThatCannotBeConvertedBecomesOneReplacement)
{
    constexpr char16_t kReplacement = 0xFFFD;
    // Never a UTF-8 byte, a stray continuation; cut off at the end; "/" in two bytes (overlong); a surrogate
    // encoded; past U+10FFFF.
    const std::pair<std::string, std::u16string> cases[] = {
        {"\xFF" "a\x80", {kReplacement, u'a', kReplacement}}, {"a\xE8\x8D", {u'a', kReplacement, kReplacement}},
        {"\xC0\xAF", {kReplacement, kReplacement}},          {"\xED\xA0\x80", std::u16string(3, kReplacement)},
        {"\xF4\x90\x80\x80", std::u16string(4, kReplacement)},
    };
    for (const auto& [utf8, utf16] : cases) {
        EXPECT_EQ(UtfText::Utf8ToUtf16(utf8), utf16) << testing::PrintToString(utf8);
    }
    EXPECT_EQ(UtfText::Utf16ToUtf8(std::u16string{u'a', 0xD800, u'b', 0xDFFF, u'c', 0xD83C}), "a\uFFFDb\uFFFDc\uFFFD");
    // The first and last code point of each length, and one with every bit
    // group of four bytes in use, both ways.
    const std::string utf8 = "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF0\x9F\x98\x80";
    const std::u16string utf16 = u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF\U0001F600";
    EXPECT_EQ(UtfText::Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(UtfText::Utf16ToUtf8(utf16), utf8);
}

TEST(UtfText, OnlyValidUtf8BeyondAsciiCountsAsMultibyte)
{
    const std::pair<const char*, bool> cases[] = {{"Gr\xC3\xBCn", true}, {"\xEF\xBF\xBD", true}, {"D:\\\xD0\x9C", true},
                                                  {"", false}, {"C:\\Mods", false}, {"Gr\xFCn", false},
                                                  {"\xC3\xA9\xFF", false}, {"\xC3", false}};
    for (const auto& [text, multibyte] : cases) {
        EXPECT_EQ(UtfText::IsMultibyteUtf8(text), multibyte) << text;
    }
}

TEST(FilePattern, StarsMatchAnyRunIgnoringCase)
{
    for (const char* name : {"a.dds", "A.DDS", "a.ddsx", "a.dds.bak", ".dds", "x.y.Dds"}) {
        EXPECT_TRUE(FilePattern::Matches("*.dds*", name)) << name;
    }
    for (const char* name : {"a.dd", "adds", "a.lvl", "dds", ""}) {
        EXPECT_FALSE(FilePattern::Matches("*.dds*", name)) << name;
    }
    // Many stars against a long name that does not match must stay quick.
    EXPECT_FALSE(FilePattern::Matches("*a*a*a*a*a*a*a*a*b", std::string(5'000, 'a')));
    // The pattern ends with its view, even where the memory behind it holds a star.
    EXPECT_TRUE(FilePattern::Matches(std::string_view("*s*").substr(0, 2), "ss"));
}

TEST(LevelBaseName, IsTheFileNameUpToItsFirstDot)
{
    EXPECT_EQ(LevelBaseName("pack.v2/grass.final.dds"), "grass");
    EXPECT_EQ(LevelBaseName("pack.v2/.dds"), "");
#ifdef _WIN32
    EXPECT_EQ(LevelBaseName("D:grass.dds"), "grass");
#endif
}

// Ignoring case, "_" (0x5F) sorts before letters, "a" before "B", and "Z" last.
TEST(FilePattern, ListsMatchingFilesInNameOrderWithoutHiddenOnesOrFolders)
{
    TempDir folder;
    for (const char* name : {"B.dds", "Z.dds", "A.DDS", "a.dds.bak", "_.dds", "readme.txt", ".hidden.dds"}) {
        WriteBytes(folder / name, {});
    }
#ifdef _WIN32  // hidden by its attribute, not its dot
    ASSERT_TRUE(SetFileAttributesW((folder.Path() / ".hidden.dds").c_str(), FILE_ATTRIBUTE_HIDDEN));
#endif
    std::filesystem::create_directory(folder / "folder.dds");
    std::filesystem::create_directory(folder / "sub");
    EXPECT_EQ(FilePattern::ListMatchingFiles(folder.Path(), "*.dds*"),
              (std::vector<std::filesystem::path>{"_.dds", "A.DDS", "a.dds.bak", "B.dds", "Z.dds"}));
    EXPECT_EQ(FilePattern::ListSubdirectories(folder.Path()), (std::vector<std::filesystem::path>{"folder.dds", "sub"}));
    EXPECT_THROW(FilePattern::ListMatchingFiles(folder / "missing", "*"), std::filesystem::filesystem_error);
}
