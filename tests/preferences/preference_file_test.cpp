// The reading rule's corners; the window's start-up tests cover the rest.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "preference_file.h"
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

TEST(PreferenceFileTest, UnusableFilesAreRefusedAndNothingIsLeftBehind)
{
    TempDir temp;
    // No such directory, and a directory in the file's place.
    EXPECT_FALSE(PreferenceFile::WriteDirectory((temp.Path() / "missing" / "torvanepref.ini").string(), "/mods"));
    std::filesystem::create_directories(temp.Path() / "blocked" / "torvanepref.ini");
    EXPECT_FALSE(PreferenceFile::WriteDirectory((temp.Path() / "blocked" / "torvanepref.ini").string(), "/mods"));
    EXPECT_EQ(PreferenceFile::ReadDirectory((temp.Path() / "blocked" / "torvanepref.ini").string()), std::nullopt);

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1);  // "blocked" alone
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
