#include <gtest/gtest.h>

#include <chrono>
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
    // Runs the tool, or with `tool` false the command given, from inside the
    // scratch folder, so paths read as a user types them.
    ChildProgram::Result Run(const std::vector<std::string>& arguments, bool tool = true)
    {
        std::vector<std::string> command;
        if (tool) {
            command.push_back(TORVANE_CONVERT);
        }
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
         {std::vector<std::string>{}, {"--bogus", "a.dds"}, {"a.dds", "--output-dir"}, {"--output-dir=", "a.dds"},
          {"-j0", "a.dds"}, {"--jobs=2x", "a.dds"}, {"-uj"}, {"--watch=yes", "a.dds"}, {"a.dds", "--file-list"}}) {
        const ChildProgram::Result run = Run(arguments);
        EXPECT_EQ(run.status, 2) << (arguments.empty() ? "" : arguments[0]);
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
    for (const char* name : {"raw/plain.dds", "raw/\xE9t\xE9.dds", "raw/\xFF.dds", "given/\xFF.dds"}) {
        AddTexture(name);
    }

    const ChildProgram::Result run = Run({"raw", "given/\xFF.dds", "raw/\xFE.dds"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "plain.lvl created.\n\xE9t\xE9.lvl created.\n\xFF.lvl created.\n\xFF.lvl created.\n");
    EXPECT_EQ(run.err, "raw/\xFE.dds: Cannot read raw/\xFE.dds: No such file or directory\n");
    for (const char* level : {"raw/\xE9t\xE9.lvl", "raw/\xFF.lvl", "given/\xFF.lvl"}) {
        EXPECT_EQ(ReadBytes(folder / level), ReadBytes(folder / "raw/plain.lvl")) << level;
    }
}
#endif

// Within one run the first texture that maps to a level file keeps it, and
// every later one is refused before it is read, however many run at once.
TEST_F(TorvaneConvertTest, LaterTexturesMappingToAWrittenLevelFileAreRefusedBeforeTheyAreRead)
{
    AddTexture("a.dds");
    WriteBytes(folder / "a.dds.bak", BuildDds({4, 4, 1, "", NumberedBytes(32)}));
    AddTexture("x/g.dds");
    for (const char* jobs : {"1", "2"}) {
        const ChildProgram::Result sameFolder = Run({"-j", jobs, "a.dds", "a.dds.bak"});
        EXPECT_EQ(sameFolder.status, 1);
        EXPECT_EQ(sameFolder.out, "a.lvl created.\n");
        EXPECT_EQ(sameFolder.err, "a.dds.bak: would overwrite a.lvl, already written from a.dds\n");
        EXPECT_EQ(ReadLevelFile(ReadBytes(folder / "a.lvl"), 56).value().size(), 4u) << jobs;

        // y/g.dds does not exist: reading it would fail differently. The same
        // texture named twice is no collision; it is converted once.
        const ChildProgram::Result oneOutput = Run({"-j", jobs, "-o", "out", "x/g.dds", "y/g.dds", "x/../x/g.dds"});
        EXPECT_EQ(oneOutput.status, 1);
        EXPECT_EQ(oneOutput.out, "g.lvl created.\n");
        EXPECT_EQ(oneOutput.err, "y/g.dds: would overwrite " + Native("out/g.lvl") + ", already written from x/g.dds\n");
        EXPECT_EQ(ReadBytes(folder / "out/g.lvl"), ReadBytes(folder / "a.lvl"));
    }
}

TEST_F(TorvaneConvertTest, ParallelJobsPrintInBatchOrderAndWriteTheSameBytes)
{
    for (const char* name : {"mod/b.dds", "mod/d.dds", "mod/e.dds", "mod/sub/f.dds"}) {
        AddTexture(name);
    }
    // The first texture takes longest, so the others finish before it.
    WriteBytes(folder / "mod/a-large.dds", BuildDds({512, 512, 10, "", NumberedBytes(699'052)}));
    WriteBytes(folder / "mod/c.dds", {'n', 'o'});

    const ChildProgram::Result serial = Run({"-r", "--jobs=1", "-o", "one", "mod"});
    const ChildProgram::Result parallel = Run({"-rj3", "-o", "three", "mod"});

    EXPECT_EQ(serial.status, 1);
    EXPECT_EQ(serial.out, "a-large.lvl created.\nb.lvl created.\nd.lvl created.\ne.lvl created.\nf.lvl created.\n");
    EXPECT_EQ(serial.err, Native("mod/c.dds") + ": Not a supported DDS File\n");
    EXPECT_EQ(parallel.status, serial.status);
    EXPECT_EQ(parallel.out, serial.out);
    EXPECT_EQ(parallel.err, serial.err);
    for (const char* level : {"a-large.lvl", "b.lvl", "d.lvl", "e.lvl", "sub/f.lvl"}) {
        EXPECT_EQ(ReadBytes(folder / (std::string("three/") + level)), ReadBytes(folder / (std::string("one/") + level)))
            << level;
    }
}

TEST_F(TorvaneConvertTest, UpdateConvertsOnlyTexturesWithoutANewerOrEquallyOldLevelFile)
{
    for (const char* name : {"t/same.dds", "t/newer.dds", "t/gone.dds"}) {
        AddTexture(name);
    }
    ASSERT_EQ(Run({"t"}).status, 0);
    fs::last_write_time(folder / "t/same.dds", fs::last_write_time(folder / "t/same.lvl"));
    fs::last_write_time(folder / "t/newer.lvl", fs::last_write_time(folder / "t/newer.dds") - std::chrono::seconds(10));
    fs::remove(folder / "t/gone.lvl");

    const ChildProgram::Result dryRun = Run({"-un", "t"});
    EXPECT_EQ(dryRun.out, Native("t/gone.dds: would write t/gone.lvl\nt/newer.dds: would write t/newer.lvl\n") +
                              "same.lvl is up to date.\n");
    EXPECT_FALSE(fs::exists(folder / "t/gone.lvl"));

    const ChildProgram::Result update = Run({"--update", "t"});
    EXPECT_EQ(update.status, 0);
    EXPECT_EQ(update.out, "gone.lvl created.\nnewer.lvl created.\nsame.lvl is up to date.\n");
    EXPECT_EQ(Run({"-u", "t"}).out, "gone.lvl is up to date.\nnewer.lvl is up to date.\nsame.lvl is up to date.\n");
}

TEST_F(TorvaneConvertTest, DryRunPrintsWritesAndRefusalsAndLeavesEverythingAsItWas)
{
    AddTexture("x/g.dds");
    AddTexture("y/g.dds");

    const ChildProgram::Result run = Run({"--dry-run", "-o", "out", "x/g.dds", "y/g.dds", "missing.dds"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "x/g.dds: would write " + Native("out/g.lvl") + "\nmissing.dds: would write " +
                           Native("out/missing.lvl") + "\n");
    EXPECT_EQ(run.err, "y/g.dds: would overwrite " + Native("out/g.lvl") + ", already written from x/g.dds\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(TorvaneConvertTest, QuietRunsPrintOnlyFailures)
{
    AddTexture("rock.dds");
    WriteBytes(folder / "bad.dds", {'n', 'o'});

    const ChildProgram::Result run = Run({"-qu", "rock.dds", "bad.dds", "rock.dds.bak"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "bad.dds: Not a supported DDS File\nrock.dds.bak: would overwrite rock.lvl, already written "
                       "from rock.dds\n");
    EXPECT_TRUE(fs::exists(folder / "rock.lvl"));
}

TEST_F(TorvaneConvertTest, FileListsAddTheirPathsAfterTheCommandLinesAndSkipCommentsAndBlankLines)
{
    for (const char* name : {"rock.dds", " spaced .dds", "sub/grass.dds", "first.dds"}) {
        AddTexture(name);
    }
    // Saved on Windows: a byte order mark and CR LF line ends.
    const std::string list = "\xEF\xBB\xBF# textures of the mod\r\n\r\nrock.dds\r\n spaced .dds\nsub\n#sub/grass.dds\n";
    WriteBytes(folder / "list.txt", std::vector<std::uint8_t>(list.begin(), list.end()));

    const ChildProgram::Result run = Run({"first.dds", "--file-list", "list.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "first.lvl created.\nrock.lvl created.\n spaced .lvl created.\ngrass.lvl created.\n");

#ifndef _WIN32
    const std::string command = "printf 'rock.dds\\n' | '" TORVANE_CONVERT "' --file-list=- -u";
    EXPECT_EQ(Run({"/bin/sh", "-c", command}, false).out, "rock.lvl is up to date.\n");
#endif

    const ChildProgram::Result missing = Run({"--file-list", "missing.txt", "rock.dds"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "torvane-convert: cannot read the file list missing.txt: No such file or directory\n");
    EXPECT_EQ(missing.out, "");
}

}  // namespace
