#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "picture/picture_decode.h"
#include "support/child_program.h"
#include "support/dds_builder.h"
#include "support/expected_level_file.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string Native(const std::string& path) { return fs::path(path).make_preferred().string(); }

Bytes TestPicture(const std::string& name) { return ReadBytes(fs::path(TORVANE_PICTURE_DATA) / name); }

class PictureTools : public testing::Test {
protected:
    ChildProgram::Result Run(std::vector<std::string> arguments, const char* program = TORVANE_CONVERT,
                             const std::function<void()>& setup = {}) const
    {
        arguments.insert(arguments.begin(), program);
        return ChildProgram(arguments, folder.Path(), setup).Wait();
    }

    void Add(const std::string& name, const Bytes& bytes) const
    {
        fs::create_directories(fs::path(folder / name).parent_path());
        WriteBytes(folder / name, bytes);
    }

    Bytes Read(const std::string& name) const { return ReadBytes(folder / name); }

    TempDir folder;
};

// Little-endian field of a level file's first record.
std::uint32_t FirstRecordSize(const Bytes& levelFile) { return levelFile.size() < 24 ? 0 : LittleEndianAt(levelFile, 20); }

}  // namespace

// Each kind of picture, told by its content, becomes a level file that is
// byte for byte the conversion of the DDS texture kept beside it.
TEST_F(PictureTools, PicturesBecomeTheLevelFilesOfTheTexturesTheyKeep)
{
    Add("pics/a.png", TestPicture("rgba.png"));
    Add("pics/b.jpg", TestPicture("quad.jpg"));
    Add("pics/c.tga", TestPicture("rgba32.tga"));
    Add("pics/d.bmp", TestPicture("rle8.bmp"));
    Add("pics/e.jpeg", TestPicture("rgba.png"));  // a PNG whatever its name says
    Add("pics/notes.txt", {'h', 'i'});
    const ChildProgram::Result run = Run({"--keep-dds", "kept", "pics"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "a.lvl created.\nb.lvl created.\nc.lvl created.\nd.lvl created.\ne.lvl created.\n");
    EXPECT_EQ(run.err, "");
    for (const std::string name : {"a", "b", "c", "d", "e"}) {
        SCOPED_TRACE(name);
        const Bytes kept = Read("kept/" + name + ".dds");
        ASSERT_GT(kept.size(), 128u);
        Add("again/" + name + ".dds", kept);
        ASSERT_EQ(Run({"again/" + name + ".dds"}).status, 0);
        EXPECT_EQ(Read("pics/" + name + ".lvl"), Read("again/" + name + ".lvl"));
        // DXT1 of 8 x 4: half a byte a pixel; its four levels down to 1 x 1.
        EXPECT_EQ(FirstRecordSize(Read("pics/" + name + ".lvl")), 16u);
    }
    EXPECT_EQ(Run({"pics/a.lvl", "kept/a.dds"}, TORVANE_INSPECT).status, 0) << "both sound";

    ASSERT_EQ(Run({"--format", "a4r4g4b4", "-o", "sixteen", "pics/a.png"}).status, 0);
    EXPECT_EQ(FirstRecordSize(Read("sixteen/a.lvl")), 64u);  // two bytes a pixel
    EXPECT_EQ(Run({"--format", "dxt5", "pics/a.png"}).status, 2);
}

// A picture and a texture of one base name want one level file: the first
// in name order keeps it, as between two textures; kept textures likewise.
TEST_F(PictureTools, PicturesCollideWithTexturesAndWithEachOther)
{
    Add("mod/grass.dds", BuildDds({4, 4, 1, "DXT1", NumberedBytes(8)}));
    Add("mod/grass.png", TestPicture("rgba.png"));
    const ChildProgram::Result run = Run({"mod"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "grass.lvl created.\n");
    EXPECT_EQ(run.err, Native("mod/grass.png: would overwrite mod/grass.lvl, already written from mod/grass.dds\n"));

    Add("a/leaf.png", TestPicture("rgba.png"));
    Add("b/leaf.bmp", TestPicture("rgb24.bmp"));
    // Names given are echoed as given, so they are given in the system's form.
    const ChildProgram::Result kept = Run({"--keep-dds", "kept", Native("a/leaf.png"), Native("b/leaf.bmp")});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(kept.err, Native("b/leaf.bmp: would overwrite kept/leaf.dds, already written from a/leaf.png\n"));
    EXPECT_FALSE(fs::exists(folder / "b/leaf.lvl"));
}

// A texture the level file cannot carry converts as ever, with a warning
// that names the mend; the mend gives a level file of the picture.
TEST_F(PictureTools, TexturesTheLevelFileCannotCarryWarnAndReencode)
{
    const Bytes dxt5 = BuildDds({8, 8, 1, "DXT5", NumberedBytes(64)});
    Add("rock.dds", dxt5);
    const ChildProgram::Result warned = Run({"rock.dds"});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.out, "rock.lvl created.\n");
    EXPECT_NE(warned.err.find("rock.dds: warning: DXT5 texture of 8 x 8"), std::string::npos) << warned.err;
    EXPECT_NE(warned.err.find("--reencode"), std::string::npos);
    EXPECT_EQ(Read("rock.lvl"), ExpectedLevelFile(std::span(dxt5).subspan(128), {128}));

    const ChildProgram::Result mended = Run({"--reencode", "--keep-dds", "kept", "rock.dds"});
    EXPECT_EQ(mended.status, 0);
    EXPECT_EQ(mended.err, "");
    EXPECT_EQ(FirstRecordSize(Read("rock.lvl")), 32u);  // DXT1 now
    EXPECT_EQ(Run({"rock.lvl", "kept/rock.dds"}, TORVANE_INSPECT).status, 0);

    // A texture kept over its own source would lose it.
    const ChildProgram::Result itself = Run({"--reencode", "--keep-dds", ".", "rock.dds"});
    EXPECT_EQ(itself.status, 1);
    EXPECT_NE(itself.err.find("would overwrite itself"), std::string::npos) << itself.err;
    EXPECT_EQ(Read("rock.dds"), dxt5);
}

// A picture that cannot be decoded is named with the reason and leaves
// everything as it was.
TEST_F(PictureTools, APictureThatCannotBeDecodedWritesNothing)
{
    Bytes cut = TestPicture("rgba.png");
    cut.resize(60);
    Add("broken.png", cut);
    Add("broken.lvl", {'o', 'l', 'd'});
    const ChildProgram::Result run = Run({"--keep-dds", "kept", "broken.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("broken.png: the PNG picture cannot be read: ", 0), 0u) << run.err;
    EXPECT_EQ(Read("broken.lvl"), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(folder / "kept"));
}

// Previews show the level file as the game reads it: the picture, within
// DXT1's error, and a short level as short.
TEST_F(PictureTools, PreviewsShowThePictureAndMarkShortLevels)
{
    Add("quad.png", TestPicture("rgba.png"));
    ASSERT_EQ(Run({"quad.png"}).status, 0);
    const ChildProgram::Result run = Run({"--preview", "seen", "quad.lvl"}, TORVANE_INSPECT);
    EXPECT_EQ(run.status, 0) << run.err;
    // 8 x 4 read as DXT1 from its first record of 16 bytes: twice as wide as high.
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), Native("seen/quad.level-0.png") + ": 8 x 4 DXT1");
    const Picture::Image seen = Picture::DecodePicture(Picture::PictureKind::Png, Read("seen/quad.level-0.png"));
    const Picture::Image picture = Picture::DecodePicture(Picture::PictureKind::Png, TestPicture("rgba.png"));
    ASSERT_EQ(seen.rgba.size(), picture.rgba.size());
    for (std::size_t index = 0; index < seen.rgba.size(); ++index) {
        if (picture.rgba[index | 3] != 0) {  // a transparent pixel's colour is anyone's
            EXPECT_NEAR(seen.rgba[index], picture.rgba[index], 8) << index;
        }
    }

    // A texture is shown through a level file made in a temporary folder,
    // which goes with the run.
    Add("short.dds", BuildDds({8, 8, 2, "DXT1", Bytes(8, 0)}));
    const std::string temporary = folder / "temporary";
    fs::create_directory(temporary);
    const ChildProgram::Result cut = Run({"--preview", "seen", "short.dds"}, TORVANE_INSPECT, [&temporary] {
#ifndef _WIN32
        setenv("TMPDIR", temporary.c_str(), 1);
#endif
    });
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.out.find("short.level-0.png: 8 x 8 DXT1, truncated: 8 of its 32 bytes"), std::string::npos) << cut.out;
    EXPECT_TRUE(fs::exists(folder / "seen/short.level-1.png"));
    EXPECT_TRUE(fs::is_empty(temporary));
}

// A level file is read in the format asked for; one that cannot be shown is
// named, fails the run, and the next is still shown.
TEST_F(PictureTools, PreviewsReadTheFormatAskedForAndNameWhatCannotBeShown)
{
    Add("quad.png", TestPicture("rgba.png"));
    ASSERT_EQ(Run({"quad.png"}).status, 0);
    Add("empty.lvl", {});
    const ChildProgram::Result run =
        Run({"--preview", "seen", "--format", "a4r4g4b4", "empty.lvl", "quad.lvl"}, TORVANE_INSPECT);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "empty.lvl: it holds no level to show\n");
    // Its first record's 16 bytes are 8 pixels of two bytes.
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), Native("seen/quad.level-0.png") + ": 4 x 2 16-bit A4R4G4B4");
}
