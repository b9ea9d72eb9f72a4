#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "file_pattern.h"
#include "temp_dir.h"

namespace {

TEST(FilePattern, StarAndQuestionMarkMatchIgnoringCase)
{
    for (const char* name : {"a.dds", "A.DDS", "a.ddsx", "a.dds.bak", ".dds", "x.y.Dds"}) {
        EXPECT_TRUE(FilePattern::Matches("*.dds*", name)) << name;
    }
    for (const char* name : {"a.dd", "adds", "a.lvl", "dds", ""}) {
        EXPECT_FALSE(FilePattern::Matches("*.dds*", name)) << name;
    }
    EXPECT_TRUE(FilePattern::Matches("?.lvl*", "g.LVL"));
    EXPECT_FALSE(FilePattern::Matches("?.lvl*", "gg.lvl"));
    // Many stars against a long name that does not match must stay quick.
    EXPECT_FALSE(FilePattern::Matches("*a*a*a*a*a*a*a*a*b", std::string(5'000, 'a')));
}

TEST(FilePattern, ListsMatchingRegularFilesInNameOrderWithoutHiddenOnes)
{
    TempDir folder;
    for (const char* name : {"b.dds", "A.DDS", "a.dds.bak", "c.ddsx", "readme.txt"}) {
        WriteBytes(folder / name, {});
    }
    // A file the system hides: by its attribute on Windows, by its dot on Linux.
#ifdef _WIN32
    WriteBytes(folder / "hidden.dds", {});
    ASSERT_TRUE(SetFileAttributesW((folder.Path() / "hidden.dds").c_str(), FILE_ATTRIBUTE_HIDDEN));
#else
    WriteBytes(folder / ".hidden.dds", {});
#endif
    std::filesystem::create_directory(folder / "folder.dds");
    std::filesystem::create_directory(folder / "sub");

    EXPECT_EQ(FilePattern::ListMatchingFiles(folder.Path().string(), "*.dds*"),
              (std::vector<std::filesystem::path>{"A.DDS", "a.dds.bak", "b.dds", "c.ddsx"}));
    EXPECT_EQ(FilePattern::ListSubdirectories(folder.Path().string()),
              (std::vector<std::filesystem::path>{"folder.dds", "sub"}));
    EXPECT_THROW(FilePattern::ListMatchingFiles(folder / "missing", "*"), std::filesystem::filesystem_error);
}

}  // namespace
