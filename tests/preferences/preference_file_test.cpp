// The reading rule's corners; the window's start-up tests cover the rest.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
