// The reading rule's corners; the window's start-up tests cover the rest.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "preference_file.h"
#include "simulated_full_disk.h"
#include "temp_dir.h"

namespace {

TEST(PreferenceFileTest, TheFirstFieldEndsAtTheLineOrTheClosingQuote)
{
    EXPECT_EQ(PreferenceFile::ReadFirstField("\"unclosed, quote\r\nnext"), "unclosed, quote");
    EXPECT_EQ(PreferenceFile::ReadFirstField("\"D:\\Mods,old\" and more"), "D:\\Mods,old");
    EXPECT_EQ(PreferenceFile::ReadFirstField("/a/b\nsecond"), "/a/b");
    EXPECT_EQ(PreferenceFile::ReadFirstField("no line end"), "no line end");
    EXPECT_EQ(PreferenceFile::ReadFirstField("\r\nsecond line"), "");
    EXPECT_EQ(PreferenceFile::ReadFirstField("    "), "");
}

// A folder is never stored mangled: on Linux the line holds the name's bytes;
// on Windows the ANSI code page when that holds the name exactly, else UTF-8,
// and a line reads as UTF-8 only when it is UTF-8 beyond plain ASCII.
TEST(PreferenceFileTest, EveryDirectoryIsStoredSoThatItReadsBackExactly)
{
    struct Case {
        std::filesystem::path directory;
        std::string line;
    };
#ifdef _WIN32
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the lines below are those of code page 1252";
    }
    const Case cases[] = {
        {L"C:", "C:"},
        {L"D:\\Mods\\Gr\u00FCn", "D:\\Mods\\Gr\xFCn"},
        {L"D:\\\u041C\u043E\u0434\u044B", "D:\\\xD0\x9C\xD0\xBE\xD0\xB4\xD1\x8B"},  // not in the code page
        {L"D:\\\u00C3\u00A9", "D:\\\xC3\x83\xC2\xA9"},  // its code page bytes C3 A9 would read as UTF-8 "é"
    };
#else
    const Case cases[] = {
        {"/mods/Gr\xC3\xBCn", "/mods/Gr\xC3\xBCn"},
        {"/mods/\xE9t\xE9", "/mods/\xE9t\xE9"},  // Latin-1, not UTF-8
    };
#endif
    TempDir temp;
    const std::filesystem::path file = temp.Path() / "torvanepref.ini";
    for (const Case& test : cases) {
        ASSERT_TRUE(PreferenceFile::WriteDirectory(file, test.directory));
        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), test.line + "\r\n");
        EXPECT_EQ(PreferenceFile::ReadDirectory(file).value().native(), test.directory.native());
    }
}

TEST(PreferenceFileTest, UnusableFilesAreRefusedAndNothingIsLeftBehind)
{
    TempDir temp;
    // No such directory, and a directory in the file's place.
    EXPECT_FALSE(PreferenceFile::WriteDirectory((temp.Path() / "missing" / "torvanepref.ini").string(), "/mods"));
    std::filesystem::create_directories(temp.Path() / "blocked" / "torvanepref.ini");
    EXPECT_FALSE(PreferenceFile::WriteDirectory((temp.Path() / "blocked" / "torvanepref.ini").string(), "/mods"));
    EXPECT_EQ(PreferenceFile::ReadDirectory((temp.Path() / "blocked" / "torvanepref.ini").string()), std::nullopt);

    // A full disk keeps the earlier file whole.
    const std::filesystem::path file = temp.Path() / "torvanepref.ini";
    ASSERT_TRUE(PreferenceFile::WriteDirectory(file, "/mods"));
    {
        const SimulatedFullDisk disk(4);
        EXPECT_FALSE(PreferenceFile::WriteDirectory(file, "/textures"));
    }
    EXPECT_EQ(PreferenceFile::ReadDirectory(file), std::filesystem::path("/mods"));

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 2);  // "blocked" and the file
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path() / "blocked"), {}), 1);
}

// A portable copy writes beside its executable and leaves the user's folder
// alone; a copy whose folder cannot be written (here, a path through a
// regular file) or that is installed falls back to the user's folder.
TEST(PreferenceFileTest, TheFileGoesBesideTheExecutableWhenItCanElseToTheUsersFolder)
{
    TempDir temp;
    const std::filesystem::path writable = temp.Path() / "portable";
    std::filesystem::create_directories(writable);
    WriteBytes(temp.Path() / "a-file", {1});
    const std::filesystem::path unwritable = temp.Path() / "a-file" / "bin";
    const std::filesystem::path user = temp.Path() / "config" / "Torvane";  // created on demand

    struct Case {
        const char* name;
        PreferenceFile::Places places;
        std::filesystem::path written;
    };
    const std::vector<Case> cases = {
        {"portable", {writable, user}, writable},
        {"unwritable program folder", {unwritable, user}, user},
        {"installed", {{}, user}, user},
        {"nowhere to write", {unwritable, temp.Path() / "a-file" / "config"}, {}},
        {"no user folder", {unwritable, {}}, {}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::filesystem::remove_all(temp.Path() / "config");
        std::filesystem::remove(writable / "torvanepref.ini");

        EXPECT_EQ(PreferenceFile::Remember(test.places, "/mods"), !test.written.empty());
        EXPECT_EQ(PreferenceFile::ReadRemembered(test.places),
                  test.written.empty() ? std::nullopt : std::optional<std::filesystem::path>("/mods"));
        if (!test.written.empty()) {
            EXPECT_EQ(ReadBytes(test.written / "torvanepref.ini"), std::vector<std::uint8_t>({'/', 'm', 'o', 'd', 's', '\r', '\n'}));
        }
        EXPECT_EQ(std::filesystem::exists(temp.Path() / "config"), test.written == user);
    }
}

TEST(PreferenceFileTest, AFileBesideTheExecutableIsReadBeforeTheUsers)
{
    TempDir temp;
    const PreferenceFile::Places places{temp.Path() / "portable", temp.Path() / "user"};
    std::filesystem::create_directories(places.executableDirectory);
    std::filesystem::create_directories(places.userDirectory);
    WriteBytes(places.userDirectory / "torvanepref.ini", {'/', 'u', '\r', '\n'});
    EXPECT_EQ(PreferenceFile::ReadRemembered(places), std::filesystem::path("/u"));

    WriteBytes(places.executableDirectory / "torvanepref.ini", {'/', 'p', '\r', '\n'});
    EXPECT_EQ(PreferenceFile::ReadRemembered(places), std::filesystem::path("/p"));
}

}  // namespace
