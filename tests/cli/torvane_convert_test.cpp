#include <gtest/gtest.h>

#include <filesystem>

#include "dds_builder.h"
#include "level_file_reader.h"
#include "child_program.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kTexture = BuildDds({8, 8, 4, "DXT1", NumberedBytes(32 + 8 + 8 + 8)});

// A relative path as the tool names it: with the system's own separator.
std::string Native(const std::string& path)
{
    return fs::path(path).make_preferred().string();
}

class TorvaneConvertTest : public testing::Test {
protected:
    // Runs the tool from inside the scratch folder, so paths read as a user types them.
    ChildProgram::Result Run(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> command{TORVANE_CONVERT};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ChildProgram(command, {.workingDirectory = folder.Path()}).Wait();
    }

    void AddTexture(const std::string& name) const
    {
        fs::create_directories((folder.Path() / name).parent_path());
        WriteBytes(folder / name, kTexture);
    }

    TempDir folder;
};

TEST_F(TorvaneConvertTest, DirectoryConvertsMatchingFilesInNameOrderAndGoesOnPastFailures)
{
    for (const char* name : {"textures/b.dds", "textures/A.DDS", "textures/c.dds.bak", "textures/sub/d.dds"}) {
        AddTexture(name);
    }
    WriteBytes(folder / "textures/notes.dds.txt", {'h', 'i'});
    WriteBytes(folder / "textures/readme.txt", {'h', 'i'});

    const ChildProgram::Result run = Run({"textures"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "A.lvl created.\nb.lvl created.\nc.lvl created.\n");
    EXPECT_EQ(run.err, Native("textures/notes.dds.txt") + ": Not a supported DDS File\n");
    EXPECT_EQ(ReadLevelFile(ReadBytes(folder / "textures/b.lvl"), 56).value().size(), 4u);
    EXPECT_FALSE(fs::exists(folder / "textures/readme.lvl"));
    EXPECT_FALSE(fs::exists(folder / "textures/notes.lvl"));
    EXPECT_FALSE(fs::exists(folder / "textures/sub/d.lvl"));
}

TEST_F(TorvaneConvertTest, RecursiveOutputKeepsTheFolderTreeSoSameNamesNeverCollide)
{
    AddTexture("mod/stone/grass.dds");
    AddTexture("mod/wood/grass.dds");
    AddTexture("mod/top.dds");
    WriteBytes(folder / "mod/wood/empty.dds", {});

    const ChildProgram::Result run = Run({"--recursive", "--output-dir", "out", "mod"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "top.lvl created.\ngrass.lvl created.\ngrass.lvl created.\n");
    EXPECT_EQ(run.err, Native("mod/wood/empty.dds") + ": Not a supported DDS File\n");
    for (const char* level : {"out/top.lvl", "out/stone/grass.lvl", "out/wood/grass.lvl"}) {
        EXPECT_TRUE(fs::exists(folder / level)) << level;
    }
    EXPECT_FALSE(fs::exists(folder / "mod/top.lvl"));
}

TEST_F(TorvaneConvertTest, FilesGoBesideTheirSourceOrIntoTheOutputDirectory)
{
    AddTexture("a/grass.final.dds");
    AddTexture("rock.dds");

    EXPECT_EQ(Run({"a/grass.final.dds", "rock.dds"}).out, "grass.lvl created.\nrock.lvl created.\n");
    EXPECT_TRUE(fs::exists(folder / "a/grass.lvl"));
    EXPECT_TRUE(fs::exists(folder / "rock.lvl"));

    EXPECT_EQ(Run({"--output-dir=made/here", "rock.dds"}).status, 0);
    EXPECT_EQ(ReadBytes(folder / "made/here/rock.lvl"), ReadBytes(folder / "rock.lvl"));
}

TEST_F(TorvaneConvertTest, UnreadableSourcesAndUnwritableOutputsFailWithTheirReason)
{
    AddTexture("rock.dds");
    WriteBytes(folder / "plain-file", {});

    const ChildProgram::Result missing = Run({"missing.dds", "rock.dds"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "missing.dds: Cannot read missing.dds: No such file or directory\n");
    EXPECT_EQ(missing.out, "rock.lvl created.\n");

    const ChildProgram::Result unwritable = Run({"-o", "plain-file", "rock.dds"});
    EXPECT_EQ(unwritable.status, 1);
    // The reason is the system's own ("Not a directory" on Linux).
    EXPECT_EQ(unwritable.err.rfind("rock.dds: Cannot write " + Native("plain-file/rock.lvl") + ": ", 0), 0u)
        << unwritable.err;
    EXPECT_EQ(unwritable.out, "");
}

TEST_F(TorvaneConvertTest, UsageErrorsExitWithTwoAndHelpAndVersionWithZero)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--bogus", "a.dds"}, {"a.dds", "--output-dir"}, {"--output-dir=", "a.dds"}}) {
        const ChildProgram::Result run = Run(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("Try 'torvane-convert --help'"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    const ChildProgram::Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: torvane-convert", 0), 0u);
    const ChildProgram::Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("torvane-convert ", 0), 0u);
    // A file named like an option is still reachable after "--".
    AddTexture("-odd.dds");
    EXPECT_EQ(Run({"--", "-odd.dds"}).out, "-odd.lvl created.\n");
}

#ifndef _WIN32
// Names are bytes on Linux: one that is not UTF-8 (here Latin-1 "été", and a
// lone 0xFF) converts, and messages name it byte for byte.
TEST_F(TorvaneConvertTest, NamesThatAreNotUtf8ConvertGivenOrListed)
{
    for (const char* name : {"raw/plain.dds", "raw/\xE9t\xE9.dds", "raw/\xFF.dds"}) {
        AddTexture(name);
    }

    const ChildProgram::Result run = Run({"raw", "raw/\xFF.dds", "raw/\xFE.dds"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "plain.lvl created.\n\xE9t\xE9.lvl created.\n\xFF.lvl created.\n\xFF.lvl created.\n");
    EXPECT_EQ(run.err, "raw/\xFE.dds: Cannot read raw/\xFE.dds: No such file or directory\n");
    for (const char* level : {"raw/\xE9t\xE9.lvl", "raw/\xFF.lvl"}) {
        EXPECT_EQ(ReadBytes(folder / level), ReadBytes(folder / "raw/plain.lvl")) << level;
    }
}
#endif

}  // namespace
