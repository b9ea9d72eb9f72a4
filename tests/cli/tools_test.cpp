#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "support/child_program.h"
#include "support/dds_builder.h"
#include "support/expected_level_file.h"
#include "support/temp_dir.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/syscall.h>

#include "support/syscall_tracer.h"
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// DXT1 8 x 8: 32 + 8 + 8 + 8 bytes in 4 levels.
const Bytes kTexture = BuildDds({8, 8, 4, "DXT1", NumberedBytes(56)});
const Bytes kNotDds{'n', 'o'};

// A relative path as the tool names it: with the system's own separator.
std::string Native(const std::string& path) { return fs::path(path).make_preferred().string(); }

// The tools run inside a scratch folder, so that paths read as a user types them.
class ConvertTool : public testing::Test {
protected:
    ChildProgram::Result Run(std::vector<std::string> arguments, const std::function<void()>& setup = {},
                             const char* program = TORVANE_CONVERT) const
    {
        arguments.insert(arguments.begin(), program);
        return ChildProgram(arguments, folder.Path(), setup).Wait();
    }

    ChildProgram::Result Inspect(const std::vector<std::string>& arguments) const
    {
        return Run(arguments, {}, TORVANE_INSPECT);
    }

    void Add(std::initializer_list<std::string> names, const Bytes& bytes = kTexture) const
    {
        for (const std::string& name : names) {
            fs::create_directories(fs::path(folder / name).parent_path());
            WriteBytes(folder / name, bytes);
        }
    }

    bool Exists(const std::string& name) const { return fs::exists(folder / name); }

    TempDir folder;
};

class InspectTool : public ConvertTool {};

// A folder's textures convert in name order, its subfolders after them.
// However many convert at once, the lines and level files are those of one
// at a time, and the first texture that maps to a level file keeps it: a
// later one is refused before it is read, and one named twice converts once.
TEST_F(ConvertTool, FoldersConvertInNameOrderAndCollisionsAreRefusedAlikeWithAnyNumberOfJobs)
{
    Add({"mod/a-large.dds"}, BuildDds({512, 512, 10, "", NumberedBytes(699'052)}));  // takes longest
    Add({"mod/b.dds", "mod/D.DDS", "mod/sub/f.dds"});
    Add({"mod/b.dds.bak"}, BuildDds({4, 4, 1, "", NumberedBytes(32)}));
    Add({"mod/c.dds", "mod/notes.txt"}, kNotDds);

    for (const std::string jobs : {"1", "3"}) {
        const ChildProgram::Result run = Run({"-rj" + jobs, "-o", jobs, "mod", "mod/D.DDS", Native("missing/b.dds")});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "a-large.lvl created.\nb.lvl created.\nD.lvl created.\nf.lvl created.\n");
        EXPECT_EQ(run.err, Native("mod/b.dds.bak: would overwrite " + jobs + "/b.lvl, already written from mod/b.dds\n" +
                                  "mod/c.dds: Not a supported DDS File\nmissing/b.dds: would overwrite " + jobs +
                                  "/b.lvl, already written from mod/b.dds\n"));
        EXPECT_EQ(ReadBytes(folder / (jobs + "/b.lvl")), ReadBytes(folder / (jobs + "/D.lvl")));  // b.dds's
    }
    EXPECT_EQ(ReadBytes(folder / "3/a-large.lvl"), ReadBytes(folder / "1/a-large.lvl"));
#ifndef _WIN32
    // Paths are compared as the file system sees them: through a link, it is the same texture.
    fs::create_directory_symlink("mod", folder / "link");
    EXPECT_EQ(Run({"mod/b.dds", "link/b.dds"}).out, "b.lvl created.\n");
#endif
}

TEST_F(ConvertTool, FailuresNameTheirTextureAndReasonAndTheNextTextureStillConverts)
{
    Add({"src/b.dds", "src/blocked/c.dds", "src/z/d.dds"});
    Add({"src/a-bad.dds", "out/blocked"}, kNotDds);  // out/blocked: where c's output folder would go

    const ChildProgram::Result run = Run({"-r", "-o", "out", "missing.dds", "src"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "b.lvl created.\nd.lvl created.\n");
    // The reason a write failed is the system's own ("Not a directory" on Linux).
    const std::string failures = "missing.dds: Cannot read missing.dds: No such file or directory\n" +
                                 Native("src/a-bad.dds") + ": Not a supported DDS File\n" +
                                 Native("src/blocked/c.dds") + ": Cannot write " + Native("out/blocked/c.lvl") + ": ";
    EXPECT_EQ(run.err.substr(0, failures.size()), failures);
#ifndef _WIN32
    // A pipe named like a texture, which nothing writes to, is no texture: it is not waited on.
    ASSERT_EQ(mkfifo((folder / "pipe.dds").c_str(), 0600), 0);
    EXPECT_EQ(Run({"pipe.dds"}).err, "pipe.dds: Not a supported DDS File\n");
#endif
}

// Which usage errors there are is the option parser's business; the tool
// names them and exits with 2.
TEST_F(ConvertTool, UsageErrorsExitWithTwoWhileHelpAndVersionExitWithZero)
{
    const ChildProgram::Result usage = Run({"--bogus", "a.dds"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, "torvane-convert: unknown option --bogus\nTry 'torvane-convert --help' for more information.\n");
    EXPECT_EQ(Run({}).status, 2);
    for (const char* option : {"-h", "--version"}) {
        EXPECT_EQ(Run({"-j1024", option}).status, 0) << option;
    }
    EXPECT_EQ(Run({"--help"}).out.rfind("Usage: torvane-convert [OPTION]... PATH...\n", 0), 0u);
}

TEST_F(ConvertTool, UpdateConvertsOnlyTexturesNewerThanTheirLevelFileAndDryRunsWriteNothing)
{
    Add({"t/same.dds", "t/newer.dds", "t/gone.dds"});
    Add({"t/same.lvl", "t/newer.lvl"}, kNotDds);
    fs::last_write_time(folder / "t/same.lvl", fs::last_write_time(folder / "t/same.dds"));
    fs::last_write_time(folder / "t/newer.lvl", fs::last_write_time(folder / "t/newer.dds") - 10s);

    EXPECT_EQ(Run({"-un", "t"}).out, Native("t/gone.dds: would write t/gone.lvl\nt/newer.dds: would write t/newer.lvl\n") +
                                         "same.lvl is up to date.\n");
    EXPECT_FALSE(Exists("t/gone.lvl"));

    EXPECT_EQ(Run({"--update", "t"}).out, "gone.lvl created.\nnewer.lvl created.\nsame.lvl is up to date.\n");
}

TEST_F(ConvertTool, FileListsAddTheirPathsAfterTheCommandLinesAndSkipCommentsAndBlankLines)
{
    Add({"rock.dds", " spaced .dds", "sub/grass.dds", "first.dds"});
    // Saved on Windows: a byte order mark and CR LF line ends.
    const std::string list = "\xEF\xBB\xBF# textures of the mod\r\n\r\nrock.dds\r\n spaced .dds\nsub\n#sub/grass.dds\n";
    Add({"list.txt"}, {list.begin(), list.end()});

    const ChildProgram::Result run = Run({"first.dds", "--file-list", "list.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "first.lvl created.\nrock.lvl created.\n spaced .lvl created.\ngrass.lvl created.\n");

    const ChildProgram::Result missing = Run({"--file-list", "missing.txt", "rock.dds"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "torvane-convert: cannot read the file list missing.txt: No such file or directory\n");
#ifndef _WIN32
    const std::string fromStdin = "printf 'rock.dds\\n' | '" TORVANE_CONVERT "' --file-list=- -u";
    EXPECT_EQ(ChildProgram({"/bin/sh", "-c", fromStdin}, folder.Path()).Wait().out, "rock.lvl is up to date.\n");
#endif
}

TEST_F(InspectTool, OnlySoundFilesExitWithZeroUsageErrorsWithTwoAndNothingIsWritten)
{
    WriteBytes(folder / "sound.dds", BuildDds({1, 2, 2, "", NumberedBytes(8)}));  // one pixel wide, two levels
    WriteBytes(folder / "notes.txt", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(Inspect({"sound.dds"}).status, 0);
    const ChildProgram::Result unsound = Inspect({"sound.dds", "missing.lvl", "notes.txt"});
    EXPECT_EQ(unsound.status, 1);
    EXPECT_NE(unsound.out.find("  4\n\nmissing.lvl\n  error: cannot read it: No such file or directory\n\nnotes.txt\n"
                               "  error: neither a DDS texture (\"DDS \" at its start) nor a level file (\"LVL_\")\n"),
              std::string::npos);
    // Not options: "-" alone, and anything after "--".
    EXPECT_EQ(Inspect({"-", "--", "--json"}).out.find("-\n  error: cannot read it"), 0u);
    const ChildProgram::Result usage = Inspect({"--bogus", "sound.dds"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(Inspect({}).status, 2);
    EXPECT_NE(usage.err.find("Try 'torvane-inspect --help'"), std::string::npos);
    EXPECT_EQ(Inspect({"-h"}).status, 0);
    for (const std::string option : {"--preview", "--format"}) {
        const ChildProgram::Result valueless = Inspect({"sound.dds", option});
        EXPECT_EQ(valueless.status, 2);
        EXPECT_EQ(valueless.err.find("torvane-inspect: option " + option + " needs a value\n"), 0u) << valueless.err;
    }
    EXPECT_EQ(Inspect({"--json", "sound.dds"}).out.find("{\n  \"files\": ["), 0u);
    const ChildProgram::Result folderGiven = Inspect({"."});
    EXPECT_EQ(folderGiven.status, 1);
    EXPECT_EQ(folderGiven.out.find(".\n  error: cannot read it: Is a directory\n"), 0u) << folderGiven.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}

#ifndef _WIN32
// Names are bytes on Linux: ones that are not UTF-8 (Latin-1 "été", a lone
// 0xFF) convert, listed or given, and messages name them byte for byte.
TEST_F(ConvertTool, NamesThatAreNotUtf8Convert)
{
    Add({"raw/\xE9t\xE9.dds", "given/\xFF.dds"});
    const ChildProgram::Result run = Run({"raw", "given/\xFF.dds", "raw/\xFE.dds"});
    EXPECT_EQ(run.out, "\xE9t\xE9.lvl created.\n\xFF.lvl created.\n");
    EXPECT_EQ(run.err, "raw/\xFE.dds: Cannot read raw/\xFE.dds: No such file or directory\n");
    EXPECT_TRUE(Exists("raw/\xE9t\xE9.lvl") && Exists("given/\xFF.lvl"));
}

bool Eventually(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

// Root reads any folder: the tool then runs as nobody, so that it meets one
// it cannot list. Nobody may not reach the build (a clone in a home folder of
// mode 0700), so it runs a copy of the tool in the scratch folder.
TEST_F(ConvertTool, AFolderThatCannotBeListedIsNamedWithItsReasonAndTheBatchGoesOn)
{
    Add({"mod/a.dds", "mod/locked/b.dds"});
    fs::permissions(folder.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    fs::copy_file(TORVANE_CONVERT, folder / "tool");
    fs::permissions(folder / "mod/locked", fs::perms::none);
    const ChildProgram::Result run =
        Run({"-rn", "mod"}, [] { static_cast<void>(geteuid() == 0 && setuid(65534) == 0); }, (folder / "tool").c_str());
    fs::permissions(folder / "mod/locked", fs::perms::all);  // so that the folder can be removed
    EXPECT_EQ(run.err, "mod/locked: Permission denied\n");
    EXPECT_EQ(run.out, "mod/a.dds: would write mod/a.lvl\n");

    // Watched, it is named once, not again at each look.
    fs::permissions(folder / "mod", fs::perms::all);
    fs::permissions(folder / "mod/locked", fs::perms::none);
    ChildProgram watcher({folder / "tool", "--watch", "-r", "mod"}, folder.Path(),
                         [] { static_cast<void>(geteuid() == 0 && setuid(65534) == 0); });
    ASSERT_TRUE(Eventually([&] { return Exists("mod/a.lvl"); }));
    Add({"mod/c.dds"});
    ASSERT_TRUE(Eventually([&] { return Exists("mod/c.lvl"); }));
    watcher.Signal(SIGINT);
    const ChildProgram::Result watched = watcher.Wait();
    fs::permissions(folder / "mod/locked", fs::perms::all);
    EXPECT_EQ(watched.err, "mod/locked: Permission denied\n");
}

// Everything written to `descriptor` until its other end is closed.
std::string ReadToEnd(int descriptor)
{
    std::FILE* stream = fdopen(descriptor, "r");
    const std::string text = ChildProgram::ReadAll(stream);
    std::fclose(stream);
    return text;
}

// On a terminal each texture's progress shows until its line takes its place,
// and a batch ends with a summary; neither reaches a pipe (see the tests above).
TEST_F(ConvertTool, ATerminalShowsProgressLinesAndAfterABatchASummary)
{
    const auto onTerminal = [this](const std::vector<std::string>& arguments) {  // `err` is what it shows
        const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(terminal);
        unlockpt(terminal);
        const std::string side = ptsname(terminal);
        ChildProgram::Result run = Run(arguments, [&side] { dup2(open(side.c_str(), O_RDWR), STDERR_FILENO); });
        run.err = ReadToEnd(terminal);
        return run;
    };
    Add({"a.dds", "b.dds"});
    Add({"c.dds", "b.lvl"}, kNotDds);  // b.lvl: newer than b.dds, so up to date

    const std::string batch = onTerminal({"-uj1", "a.dds", "b.dds", "c.dds"}).err;
    const std::size_t time = batch.rfind(" in ") + 4;
    EXPECT_EQ(batch.substr(0, time), "\r[1/3] a.dds 0%\033[K\r[1/3] a.dds 100%\033[K\r\033[K"
                                     "\r[3/3] c.dds 0%\033[K\r[3/3] c.dds 100%\033[K\r\033[Kc.dds: Not a supported DDS File\r\n"
                                     "1 converted, 1 up to date, 1 failed in ");
    EXPECT_TRUE(batch.ends_with(" s\r\n")) << batch;

    // Two textures are a batch, one is not; a quiet run shows only failures.
    EXPECT_NE(onTerminal({"-u", "b.dds", "c.dds"}).err.find("0 converted, 1 up to date, 1 failed in "), std::string::npos);
    EXPECT_EQ(onTerminal({"a.dds"}).err, "\r[1/1] a.dds 0%\033[K\r[1/1] a.dds 100%\033[K\r\033[K");
    const ChildProgram::Result quiet = onTerminal({"-q", "a.dds", "c.dds"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "c.dds: Not a supported DDS File\r\n");
}

// Ctrl+C in a batch lets the texture under way finish and starts no other;
// the tool then ends as interrupted, so that a script running it stops too.
TEST_F(ConvertTool, CtrlCInABatchFinishesTheTextureUnderWayAndStartsNoOther)
{
    Add({"a.dds", "b.dds"});
    // On a full pipe the tool is held printing a's line until the pipe is read.
    int held[2];
    ASSERT_EQ(pipe2(held, O_CLOEXEC), 0);
    const std::string filling(fcntl(held[1], F_SETPIPE_SZ, 4096), 'x');
    ASSERT_EQ(write(held[1], filling.data(), filling.size()), std::ssize(filling));
    ChildProgram tool({TORVANE_CONVERT, "-j1", "a.dds", "b.dds"}, folder.Path(), [&] { dup2(held[1], STDOUT_FILENO); });
    close(held[1]);
    ASSERT_TRUE(Eventually([&] { return Exists("a.lvl"); }));
    tool.Signal(SIGINT);
    // The signal lands while the tool is still held, not as the pipe is read.
    ASSERT_TRUE(Eventually([&] { return !tool.SignalPending(SIGINT); }));

    EXPECT_EQ(ReadToEnd(held[0]), filling + "a.lvl created.\n");
    // Ended by the signal itself, not only with its number: a shell script stops only then.
    EXPECT_EQ(tool.Wait().signal, SIGINT);
    EXPECT_FALSE(Exists("b.lvl"));
}

// A texture saved or changed while watched converts once it has stayed as it
// is for a while, never half-saved, until Ctrl+C ends the watch.
TEST_F(ConvertTool, WatchingConvertsChangedAndNewTexturesOnceSettled)
{
    const auto square = [](std::uint32_t side) { return BuildDds({side, side, 1, "", NumberedBytes(side * side * 2)}); };
    Add({"mod/a.dds"}, square(8));
    fs::create_directory(folder / "mod/sub");
    ChildProgram watcher({TORVANE_CONVERT, "--watch", "--recursive", "mod"}, folder.Path());
    ASSERT_TRUE(Eventually([&] { return Exists("mod/a.lvl"); }));

    const Bytes whole = square(16);
    for (std::ptrdiff_t length = 100; length < std::ssize(whole); length += 80) {  // saved over a second
        Add({"mod/sub/b.dds"}, {whole.begin(), whole.begin() + length});
        std::this_thread::sleep_for(150ms);
    }
    Add({"mod/sub/b.dds"}, whole);
    ASSERT_TRUE(Eventually([&] { return ReadBytes(folder / "mod/sub/b.lvl").size() == 32 + 16 * 16 * 2; }));
    Add({"mod/a.dds"}, square(4));
    ASSERT_TRUE(Eventually([&] { return ReadBytes(folder / "mod/a.lvl").size() == 32 + 4 * 4 * 2; }));
    Add({"mod/a.dds.bak", "mod/c.dds"}, square(4));  // a.dds.bak is refused, once, before c.dds converts
    ASSERT_TRUE(Eventually([&] { return Exists("mod/c.lvl"); }));
    watcher.Signal(SIGINT);
    const ChildProgram::Result run = watcher.Wait();

    EXPECT_EQ(run.signal, SIGINT);
    EXPECT_EQ(run.out, "a.lvl created.\nb.lvl created.\na.lvl created.\nc.lvl created.\n");
    EXPECT_EQ(run.err, "mod/a.dds.bak: would overwrite mod/a.lvl, already written from mod/a.dds\n");
}

// The temporary file a write leaves when the tool is killed, if any: its name.
std::optional<std::string> Leftover(const fs::path& folder)
{
    for (const std::string& name : NamesIn(folder)) {
        if (name.starts_with(".torvane-")) {
            return name;
        }
    }
    return std::nullopt;
}

// Killed at any point of a write, the tool leaves the earlier level file as it
// was; the next run removes the temporary file left behind, says so, and
// converts. The tool is held at each system call, so that it is killed after
// so many bytes of the temporary file have appeared, and at each call from
// the last byte to the rename and beyond.
TEST_F(ConvertTool, KilledAnywhereInAWriteTheEarlierLevelFileStaysAndTheNextRunRemovesWhatWasLeft)
{
    Add({"big.dds"}, BuildDds({4096, 3072, 1, "", NumberedBytes(24 << 20)}));
    ASSERT_EQ(Run({"big.dds"}).status, 0);
    const Bytes converted = ReadBytes(folder / "big.lvl");
    const Bytes earlier(1000, 7);
    struct KillPoint {
        std::size_t bytes;    // of the temporary file, at least
        unsigned callsAfter;  // calls to let through from there
    };
    std::vector<KillPoint> points;
    for (std::size_t sixth = 0; sixth < 6; ++sixth) {
        points.push_back({converted.size() * sixth / 6, 0});
    }
    for (unsigned calls = 0; calls < 6; ++calls) {
        points.push_back({converted.size(), calls});
    }

    unsigned midWrite = 0, written = 0, replaced = 0;
    for (const KillPoint& point : points) {
        SCOPED_TRACE(std::to_string(point.bytes) + " bytes, then " + std::to_string(point.callsAfter) + " calls");
        WriteBytes(folder / "big.lvl", earlier);
        ChildProgram tool({TORVANE_CONVERT, "-j1", "big.dds"}, folder.Path(), SyscallTracer::TraceMe);
        SyscallTracer tracer(tool.Id());
        bool reached = false;
        unsigned calls = 0;
        std::optional<std::string> temporary;
        ASSERT_TRUE(tracer.RunUntil([&](const SyscallTracer::Stop&) {
            if (!reached) {
                temporary = temporary ? temporary : Leftover(folder.Path());
                std::error_code gone;
                reached = temporary && fs::file_size(folder / *temporary, gone) >= point.bytes && !gone;
            }
            return reached && calls++ == point.callsAfter;
        }));
        tool.Signal(SIGKILL);
        ASSERT_EQ(tool.Wait().signal, SIGKILL);

        const std::optional<std::string> leftover = Leftover(folder.Path());
        if (leftover) {
            EXPECT_EQ(ReadBytes(folder / "big.lvl"), earlier);
            ++(fs::file_size(folder / *leftover) < converted.size() ? midWrite : written);
        } else {
            EXPECT_EQ(ReadBytes(folder / "big.lvl"), converted);
            ++replaced;
        }
        const ChildProgram::Result next = Run({"big.dds"});
        EXPECT_EQ(next.status, 0);
        EXPECT_EQ(next.out, "big.lvl created.\n");
        EXPECT_EQ(next.err, leftover ? "big.dds: removed ./" + *leftover +
                                           ", left behind by an earlier write of ./big.lvl that did not finish\n"
                                     : "");
        EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::string>{"big.dds", "big.lvl"}));
        EXPECT_EQ(ReadBytes(folder / "big.lvl"), converted);
    }
    // Killed in the middle of the write, once it was whole but not yet renamed, and after.
    EXPECT_GE(midWrite, 6u);
    EXPECT_GE(written, 1u);
    EXPECT_GE(replaced, 1u);
}

// Two jobs convert two textures at once: while the tool's first thread is
// held in the write of its level file, the other texture still converts.
// (Traced, that thread is slow: the other may have taken both textures.) A
// traced tool cannot check itself for leaks at its end, so it does not try.
TEST_F(ConvertTool, TwoJobsConvertTwoTexturesAtOnce)
{
    Add({"a.dds", "b.dds"});
    ChildProgram tool({TORVANE_CONVERT, "-j2", "a.dds", "b.dds"}, folder.Path(), [] {
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        SyscallTracer::TraceMe();
    });
    SyscallTracer tracer(tool.Id());
    std::string held;
    tracer.RunUntil([&](const SyscallTracer::Stop& stop) {
        held = stop.entry && stop.number == SYS_write ? tracer.FileOf(stop.arguments[0]) : "";
        return held.ends_with(".tmp");
    });
    const bool otherConverted = Eventually([&] { return Exists("a.lvl") || Exists("b.lvl"); });
    tracer.Release();
    EXPECT_TRUE(otherConverted) << "nothing converted while " << held << " was held";
    const ChildProgram::Result run = tool.Wait();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "a.lvl created.\nb.lvl created.\n");
}

// A watched texture deleted, replaced, rewritten or truncated in the middle of
// its read is named once with what happened, and nothing is written from it;
// the watcher goes on and converts the version that settles then. The tool
// is held at the read of each texture's data, after its header, while the
// test changes the file.
TEST_F(ConvertTool, WatchingATextureChangedWhileItIsReadNamesItOnceAndConvertsTheNextVersion)
{
    const Bytes first = BuildDds({4, 4, 1, "", NumberedBytes(32)});
    const auto texture = [](std::size_t seed) {
        Bytes pixels = NumberedBytes(512 + seed);
        pixels.erase(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(seed));
        return BuildDds({16, 16, 1, "", pixels});
    };
    const Bytes second = texture(1), third = texture(2);
    const auto levelFile = [&first](const Bytes& dds) {  // each version has one level
        return ExpectedLevelFile(std::span(dds).subspan(128), {dds == first ? 32u : 512u});
    };
    const Bytes truncated(second.begin(), second.begin() + 128 + 64);
    struct Race {
        std::string name;
        std::function<void(const fs::path&)> change;
        std::string what;
        Bytes settled;  // the version converted next
    };
    const std::vector<Race> races{
        {"deleted", [](const fs::path& path) { fs::remove(path); }, "it was deleted while it was being read", third},
        {"replaced", [&](const fs::path& path) { WriteBytes(folder / "new", third); fs::rename(folder / "new", path); },
         "it was replaced while it was being read", third},
        {"rewritten", [&](const fs::path& path) {
             std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).write(
                 reinterpret_cast<const char*>(third.data()), std::ssize(third));
         }, "it changed while it was being read", third},
        {"truncated", [](const fs::path& path) { fs::resize_file(path, 128 + 64); },
         "it was truncated while it was being read", truncated},
    };
    for (const Race& race : races) {
        Add({"mod/" + race.name + ".dds"}, first);
    }

    ChildProgram watcher({TORVANE_CONVERT, "--watch", "-j1", "mod"}, folder.Path(), SyscallTracer::TraceMe);
    SyscallTracer tracer(watcher.Id());
    const fs::path mod = fs::canonical(folder.Path()) / "mod";
    bool changed = false;
    std::set<std::string> raced;
    for (std::size_t round = 0; round < races.size(); ++round) {
        // Held where the data after the header is read, of a texture of the second version.
        const Race* race = nullptr;
        ASSERT_TRUE(tracer.RunUntil([&](const SyscallTracer::Stop& stop) {
            if (!changed && std::ranges::all_of(races, [&](const Race& each) { return Exists("mod/" + each.name + ".lvl"); })) {
                for (const Race& each : races) {
                    Add({"mod/" + each.name + ".dds"}, second);
                }
                changed = true;
            }
            if (!changed || !stop.entry || stop.number != SYS_read || stop.arguments[2] <= 128) {
                return false;
            }
            const std::string file = tracer.FileOf(stop.arguments[0]);
            for (const Race& each : races) {
                if (file == (mod / (each.name + ".dds")).string() && !raced.contains(each.name)) {
                    race = &each;
                }
            }
            return race != nullptr;
        }));
        SCOPED_TRACE(race->name);
        raced.insert(race->name);
        race->change(mod / (race->name + ".dds"));
        // Held again as it says what happened.
        ASSERT_TRUE(tracer.RunUntil([](const SyscallTracer::Stop& stop) {
            return stop.entry && stop.number == SYS_write && stop.arguments[0] == STDERR_FILENO;
        }));
        EXPECT_EQ(ReadBytes(mod / (race->name + ".lvl")), levelFile(first));
        EXPECT_FALSE(Leftover(mod));
        if (race->name == "deleted") {
            Add({"mod/deleted.dds"}, third);  // saved again
        }
    }
    tracer.Release();
    for (const Race& race : races) {
        EXPECT_TRUE(Eventually([&] { return ReadBytes(mod / (race.name + ".lvl")) == levelFile(race.settled); }))
            << race.name;
    }
    watcher.Signal(SIGINT);
    const ChildProgram::Result run = watcher.Wait();

    EXPECT_EQ(run.signal, SIGINT);
    std::string created, failures;
    for (const Race& race : races) {
        created += race.name + ".lvl created.\n";
        failures += "mod/" + race.name + ".dds: Cannot read mod/" + race.name + ".dds: " + race.what + "\n";
    }
    EXPECT_EQ(run.out, created + created);
    EXPECT_EQ(run.err, failures);
    EXPECT_FALSE(Leftover(mod));
}

// A texture whose conversion would need more memory than the machine has is
// refused before it is read; the jobs' share of memory lets it run alone,
// and the other textures convert beside it. Sparse, it takes no disk.
TEST_F(ConvertTool, ATextureNeedingMoreMemoryThanThereIsIsRefusedAndTheOthersConvert)
{
    Add({"huge.dds", "small.dds"});
    fs::resize_file(folder / "huge.dds", std::uintmax_t{1} << 40);
    const ChildProgram::Result run = Run({"-j2", "huge.dds", "small.dds"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "small.lvl created.\n");
    EXPECT_EQ(run.err, "huge.dds: Not enough memory to convert huge.dds\n");
    EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::string>{"huge.dds", "small.dds", "small.lvl"}));
}
#endif

}  // namespace
