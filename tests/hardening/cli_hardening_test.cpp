// The command-line tool against a file system that fails under it: each
// fault must end only its own texture, with a message naming it, nothing
// reported as created, an earlier level file untouched and no temporary file
// left, while the textures after it still convert.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "child_program.h"
#include "dds_builder.h"
#include "level_file_reader.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kEarlierLevelFile{'o', 'l', 'd'};

// A square DXT1 texture of one level with all its pixel data.
std::vector<std::uint8_t> Texture(std::uint32_t side = 64)
{
    return BuildDds({side, side, 1, "DXT1", NumberedBytes(side * side / 2)});
}

class CliHardeningTest : public testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder / name; }

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        fs::create_directories(fs::path(Path(name)).parent_path());
        WriteBytes(Path(name), bytes);
    }

    // Every entry under the folder, as paths relative to it.
    std::set<std::string> Tree() const
    {
        std::set<std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
            entries.insert(fs::relative(entry.path(), folder.Path()).string());
        }
        return entries;
    }

    // Starts the tool with its stdout on a pipe filled to the brim: once it
    // has written a level file it is held printing the line for it until the
    // pipe is read, so the test can act at that known point.
    void StartHeld(const std::vector<std::string>& arguments)
    {
        int output[2];
        ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
        fcntl(output[1], F_SETFL, O_NONBLOCK);
        filled_ = 0;
        while (write(output[1], "x", 1) == 1) {
            ++filled_;
        }
        fcntl(output[1], F_SETFL, 0);  // the tool must block on the full pipe, not fail
        held_.emplace(arguments, ChildProgram::Options{.stdoutFd = output[1]});
        close(output[1]);
        heldOutput_ = output[0];
    }

    void WaitUntilExists(const std::string& name) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(Path(name)) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(fs::exists(Path(name)));
    }

    // Reads what the held tool printed to its end.
    std::pair<ChildProgram::Result, std::string> Release()
    {
        std::string out;
        char buffer[4096];
        for (ssize_t count; (count = read(heldOutput_, buffer, sizeof buffer)) > 0;) {
            out.append(buffer, static_cast<std::size_t>(count));
        }
        close(heldOutput_);
        return {held_->Wait(), out.substr(filled_)};
    }

    TempDir folder;
    std::optional<ChildProgram> held_;

private:
    int heldOutput_ = -1;
    std::size_t filled_ = 0;
};

TEST_F(CliHardeningTest, OutputPathThroughARegularFileFailsOnlyTheTexturesBehindIt)
{
    Write("src/a.dds", Texture());
    Write("src/blocked/b.dds", Texture());
    Write("src/c.dds", Texture());
    Write("out/blocked", kEarlierLevelFile);  // where b's output folder should go

    const auto run = ChildProgram({TORVANE_CONVERT, "--recursive", "--output-dir", Path("out"), Path("src")}).Wait();

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "a.lvl created.\nc.lvl created.\n");
    EXPECT_EQ(run.err, Path("src/blocked/b.dds") + ": Cannot write " + Path("out/blocked/b.lvl") + ": Not a directory\n");
    EXPECT_EQ(ReadBytes(Path("out/blocked")), kEarlierLevelFile);
    EXPECT_EQ(Tree(), (std::set<std::string>{"out", "out/a.lvl", "out/blocked", "out/c.lvl", "src", "src/a.dds",
                                             "src/blocked", "src/blocked/b.dds", "src/c.dds"}));
}

// A disk that fills up part-way through one texture: the file size limit,
// which binds root too, stops the big texture's write after 64 KiB.
TEST_F(CliHardeningTest, WriteFailingPartWayKeepsTheEarlierFileAndTheNextTextureConverts)
{
    Write("a.dds", Texture());
    Write("big.dds", Texture(512));
    Write("c.dds", Texture());
    Write("big.lvl", kEarlierLevelFile);

    const auto limitFileSize = [] {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead of killing
        const rlimit limit{64 << 10, 64 << 10};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const auto run = ChildProgram({TORVANE_CONVERT, folder.Path().string()}, {.setup = limitFileSize}).Wait();

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "a.lvl created.\nc.lvl created.\n");
    EXPECT_EQ(run.err, Path("big.dds") + ": Cannot write " + Path("big.lvl") + ": File too large\n");
    EXPECT_EQ(ReadBytes(Path("big.lvl")), kEarlierLevelFile);
    EXPECT_EQ(ReadLevelFile(ReadBytes(Path("c.lvl")), 2'048).value().at(0).data, NumberedBytes(2'048));
    EXPECT_EQ(Tree(), (std::set<std::string>{"a.dds", "a.lvl", "big.dds", "big.lvl", "c.dds", "c.lvl"}));
}

// The tool lists a folder before it converts the first file; held after
// a.lvl, it finds the folder changed between listing and reading the rest.
TEST_F(CliHardeningTest, SourcesThatVanishOrShrinkAfterListingFailAloneOrConvertWhatIsLeft)
{
    for (const char* name : {"a.dds", "b.dds", "c.dds", "d.dds", "e.dds"}) {
        Write(name, Texture());
    }
    Write("b.lvl", kEarlierLevelFile);
    Write("c.lvl", kEarlierLevelFile);

    // One texture at a time, so that none after a.dds is read before the folder changes.
    StartHeld({TORVANE_CONVERT, "--jobs", "1", folder.Path().string()});
    WaitUntilExists("a.lvl");
    fs::remove(Path("b.dds"));
    fs::resize_file(Path("c.dds"), 100);       // the header cut short
    fs::resize_file(Path("d.dds"), 128 + 10);  // ten bytes of pixel data left
    const auto [run, out] = Release();

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(out, "a.lvl created.\nd.lvl created.\ne.lvl created.\n");
    EXPECT_EQ(run.err, Path("b.dds") + ": Cannot read " + Path("b.dds") + ": No such file or directory\n" +
                           Path("c.dds") + ": Not a supported DDS File\n");
    EXPECT_EQ(ReadBytes(Path("b.lvl")), kEarlierLevelFile);
    EXPECT_EQ(ReadBytes(Path("c.lvl")), kEarlierLevelFile);
    const auto shrunk = ReadLevelFile(ReadBytes(Path("d.lvl")), 10).value();
    EXPECT_EQ(shrunk.at(0).bodySize, 2'048u);
    EXPECT_EQ(shrunk.at(0).data, NumberedBytes(10));
    EXPECT_EQ(Tree(), (std::set<std::string>{"a.dds", "a.lvl", "b.lvl", "c.dds", "c.lvl", "d.dds", "d.lvl", "e.dds",
                                             "e.lvl"}));
}

TEST_F(CliHardeningTest, NamesWithSpacesNonAsciiLettersSeveralDotsOrNearTheLengthLimitConvert)
{
    const std::string longName(247, 'n');  // its level file name is 251 bytes, its temporary's must fit too
    const std::string names[] = {"Grün Moos.v2.final.dds", "  two  spaces .dds", "Ærø Ω.DDS", longName + ".dds"};
    for (const std::string& name : names) {
        Write("in/" + name, Texture());
    }
    Write("pack ü.v2/Kachel ä.b.dds", Texture());

    const auto run = ChildProgram({TORVANE_CONVERT, Path("in"), Path("pack ü.v2/Kachel ä.b.dds")}).Wait();

    EXPECT_EQ(run.status, 0) << run.err;
    // Name order compares bytes unsigned: non-ASCII letters after ASCII ones, on every platform.
    EXPECT_EQ(run.out, "  two  spaces .lvl created.\nGrün Moos.lvl created.\n" + longName +
                           ".lvl created.\nÆrø Ω.lvl created.\nKachel ä.lvl created.\n");
    const std::string levelFiles[] = {"in/  two  spaces .lvl", "in/Grün Moos.lvl", "in/Ærø Ω.lvl",
                                      "in/" + longName + ".lvl", "pack ü.v2/Kachel ä.lvl"};
    for (const std::string& level : levelFiles) {
        EXPECT_EQ(ReadLevelFile(ReadBytes(Path(level)), 2'048).value().at(0).data, NumberedBytes(2'048)) << level;
    }
}

// Ctrl+C in the middle of a batch: the texture under way finishes, and is
// reported, or leaves its earlier level file; the ones after it are not
// started; no temporary file is left; and the program ends as interrupted, so
// that a script running it stops too.
TEST_F(CliHardeningTest, CtrlCFinishesOrDropsTheTextureUnderWayAndEndsAsInterrupted)
{
    for (const char* name : {"a", "b", "c"}) {
        Write(std::string(name) + ".dds", Texture());
        Write(std::string(name) + ".lvl", kEarlierLevelFile);
    }
    fs::remove(Path("a.lvl"));
    StartHeld({TORVANE_CONVERT, "--jobs", "1", folder.Path().string()});
    WaitUntilExists("a.lvl");
    held_->Signal(SIGINT);
    const auto [held, heldOut] = Release();

    EXPECT_EQ(held.status, 128 + SIGINT);
    EXPECT_EQ(heldOut, "a.lvl created.\n");
    EXPECT_EQ(ReadBytes(Path("b.lvl")), kEarlierLevelFile);
    EXPECT_EQ(ReadBytes(Path("c.lvl")), kEarlierLevelFile);

    // Two at once: b.lvl is written while the large texture is still being
    // read, and its line, held back behind the large one's, still comes out.
    const std::vector<std::uint8_t> large = Texture(4096);  // 8 MiB: some tenths of a second to convert
    Write("large.dds", large);
    Write("large.lvl", kEarlierLevelFile);
    fs::remove(Path("b.lvl"));
    StartHeld({TORVANE_CONVERT, "--jobs", "2", Path("large.dds"), Path("b.dds")});
    WaitUntilExists("b.lvl");
    held_->Signal(SIGINT);
    const auto [interrupted, interruptedOut] = Release();

    EXPECT_EQ(interrupted.status, 128 + SIGINT);
    const std::vector<std::uint8_t> level = ReadBytes(Path("large.lvl"));
    if (level == kEarlierLevelFile) {
        EXPECT_EQ(interruptedOut, "b.lvl created.\n");
    } else {
        EXPECT_EQ(ReadLevelFile(level, 8 << 20).value().at(0).data.size(), 8u << 20);
        EXPECT_EQ(interruptedOut, "large.lvl created.\nb.lvl created.\n");
    }
    EXPECT_EQ(Tree(), (std::set<std::string>{"a.dds", "a.lvl", "b.dds", "b.lvl", "c.dds", "c.lvl", "large.dds",
                                             "large.lvl"}));
}

}  // namespace
