#include <gtest/gtest.h>

#include "preferences/preference_file.h"
#include "support/temp_dir.h"
#ifdef _WIN32
#include <windows.h>  // last: its min and max macros would break the headers above
#endif

namespace fs = std::filesystem;

TEST(PreferenceFile, OnlyTheFirstFieldCounts)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  D:\\Mods,old\r\nnext", "D:\\Mods"}, {"\"D:\\Mods,old\" more", "D:\\Mods,old"}, {"    ", ""},
        {"\"unclosed,\r\nnext", "unclosed,"}, {"/a/b\nnext", "/a/b"}, {"no line end", "no line end"}, {"\r\nnext", ""},
    };
    for (const auto& [contents, field] : cases) {
        EXPECT_EQ(PreferenceFile::ReadFirstField(contents), field) << contents;
    }
}

// A folder is never stored mangled: on Linux the line holds the name's bytes;
// on Windows the ANSI code page when that holds the name exactly, else UTF-8.
TEST(PreferenceFile, StoresEveryDirectoryExactlyAndReadsAnEmptyFileOrAFolderAsNothing)
{
#ifdef _WIN32
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the lines below are those of code page 1252";
    }
    const std::pair<fs::path, std::string> cases[] = {
        {L"C:\\Gr\u00FCn", "C:\\Gr\xFCn"}, {L"D:\\\u041C\u043E\u0434\u044B", "D:\\\xD0\x9C\xD0\xBE\xD0\xB4\xD1\x8B"},  // not in the code page
        {L"D:\\\u00C3\u00A9", "D:\\\xC3\x83\xC2\xA9"},  // its code page bytes C3 A9 would read as UTF-8 "é"
    };
#else
    const std::pair<fs::path, std::string> cases[] = {
        {"/mods/Gr\xC3\xBCn", "/mods/Gr\xC3\xBCn"}, {"/mods/\xE9t\xE9", "/mods/\xE9t\xE9"}};  // UTF-8, Latin-1
#endif
    TempDir temp;
    const fs::path file = temp.Path() / "torvanepref.ini";
    for (const auto& [directory, line] : cases) {
        ASSERT_TRUE(PreferenceFile::WriteDirectory(file, directory));
        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), line + "\r\n");
        EXPECT_EQ(PreferenceFile::ReadDirectory(file).value().native(), directory.native());
    }
    WriteBytes(file, {});
    EXPECT_EQ(PreferenceFile::ReadDirectory(file), std::nullopt);
    EXPECT_EQ(PreferenceFile::ReadDirectory(temp.Path()), std::nullopt);  // a folder
}

// A portable copy keeps the file beside its executable. One whose folder cannot
// be written (a path through a regular file here), or an installed one, keeps
// it in the user's folder, made on demand; a file beside the executable is read
// first.
TEST(PreferenceFile, LivesBesideTheExecutableWhenItCanElseInTheUsersFolder)
{
    TempDir temp;
    const fs::path portable = temp.Path() / "portable", unwritable = temp.Path() / "file" / "bin",
                   user = temp.Path() / "config" / "Torvane";
    fs::create_directories(portable);
    WriteBytes(temp.Path() / "file", {});
    const std::pair<PreferenceFile::Places, fs::path> cases[] = {
        {{portable, user}, portable}, {{unwritable, user}, user}, {{{}, user}, user},
        {{unwritable, temp.Path() / "file" / "config"}, {}}, {{unwritable, {}}, {}},
    };
    for (const auto& [places, written] : cases) {
        SCOPED_TRACE(places.executableDirectory.string() + " " + places.userDirectory.string());
        fs::remove_all(temp.Path() / "config");
        fs::remove(portable / "torvanepref.ini");
        EXPECT_EQ(PreferenceFile::Remember(places, "/mods"), !written.empty());
        EXPECT_EQ(PreferenceFile::ReadRemembered(places), written.empty() ? std::nullopt : std::optional(fs::path("/mods")));
        EXPECT_EQ(fs::exists(temp.Path() / "config"), written == user);
    }
    PreferenceFile::Remember({{}, user}, "/user");
    PreferenceFile::Remember({portable, {}}, "/portable");
    EXPECT_EQ(PreferenceFile::ReadRemembered({portable, user}), fs::path("/portable"));
}
