#include <gtest/gtest.h>

#include <memory>

#ifndef _WIN32
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "conversion/replacement_file.h"
#include "conversion/save_file.h"
#include "support/dds_builder.h"
#include "support/expected_level_file.h"
#include "support/memory_host.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

// Lower-case digits read like upper-case ones and any other character as 0, in
// the 16-byte blocks as in the tail.
TEST(WriteLevelFile, DecodesTheTextOverALongerFileInTheFolderGivenThenReportsIt)
{
    TempDir folder;
    // A name that ends in a colon, where names may hold one.
    const std::string directory = folder / (std::filesystem::path::preferred_separator == '/' ? "mods:" : "mods");
    std::filesystem::create_directory(directory);
    RecordingHost host(directory + "/");  // a separator of its own does no harm
    SaveFile::WriteLevelFile(std::string(64, 'A'), "grass", host);
    host.outputDirectory = directory;  // only a bare drive ("D:") is joined without a separator
    SaveFile::WriteLevelFile("009aBcdEfFG1g2:3/4@5`67G8gA:e/C@0Aff", "grass", host);
    EXPECT_EQ(UpperHex(ReadBytes(directory + "/grass.lvl")), "009ABCDEFF0102030405067080A0E0C00AFF");
    EXPECT_EQ(host.reports, (std::vector<std::string>{"status grass.lvl created.", "status grass.lvl created."}));
    EXPECT_EQ(NamesIn(directory), std::vector<std::string>{"grass.lvl"});
}

#ifndef _WIN32
// The system itself refusing write(), as a full disk does: a file size limit
// on this process (each test runs in a process of its own).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
        std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};
#endif

// A failed write names the target and the system's reason, reports nothing,
// keeps the earlier file and leaves no temporary behind.
TEST(WriteLevelFile, FailedWriteNamesTargetAndReasonAndChangesNothing)
{
#ifdef _WIN32
    const std::string throughAFile = "No such file or directory", inTheWay = "Permission denied";
#else
    const std::string throughAFile = "Not a directory", inTheWay = "Is a directory";
#endif
    enum class Full { No, Simulated, SizeLimit };  // how the disk fills up part-way
    const std::tuple<std::string, std::string, Full, std::string> faults[] = {
        {"missing", "grass", Full::No, "No such file or directory"},
        {"file", "grass", Full::No, throughAFile},
        {".", "folder", Full::No, inTheWay},  // a folder where the level file goes
        {".", "grass", Full::Simulated, "No space left on device"},
#ifndef _WIN32
        {".", "grass", Full::SizeLimit, "File too large"},
#endif
    };
    for (const auto& [directory, baseName, full, reason] : faults) {
        SCOPED_TRACE(reason);
        TempDir folder;
        WriteBytes(folder / "grass.lvl", {9, 9, 9});
        WriteBytes(folder / "file", {});
        std::filesystem::create_directory(folder / "folder.lvl");
        RecordingHost host(folder.Path() / directory);
        ReplacementFile::SimulateFreeSpace(full == Full::Simulated ? std::optional<std::uint64_t>(1 << 20) : std::nullopt);
#ifndef _WIN32
        std::optional<FileSizeLimit> limit;
        if (full == Full::SizeLimit) {
            limit.emplace(1 << 20);
        }
#endif
        const std::string target = (host.outputDirectory / (baseName + ".lvl")).string();
        EXPECT_EQ(ConversionFailure([&, &baseName = baseName] {
                      SaveFile::WriteLevelFile(std::string(4'000'000, 'A'), baseName, host);
                  }),
                  "Cannot write " + target + ": " + reason);
        EXPECT_EQ(host.reports, std::vector<std::string>{});
        EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{9, 9, 9}));
        EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::string>{"file", "folder.lvl", "grass.lvl"}));
    }
    ReplacementFile::SimulateFreeSpace(std::nullopt);
}


// A write that was killed leaves its temporary file; the next write of the
// same level file removes it and says so. A temporary a write under way
// holds, another level file's, and anything under such a name that is not
// a file are left alone.
TEST(WriteLevelFile, TheNextWriteRemovesTheTemporaryAKilledOneLeftAndNothingElse)
{
    namespace fs = std::filesystem;
    TempDir folder;
    const fs::path target = folder.Path() / "grass.lvl";
    const auto temporary = [&target](unsigned slot) { return ReplacementFile::TemporaryPath(target, slot); };
    const fs::path otherLevelFiles = ReplacementFile::TemporaryPath(folder.Path() / "stone.lvl", 0);
    WriteBytes(temporary(0), {1, 2});
    WriteBytes(temporary(5), {3});
    WriteBytes(otherLevelFiles, {4});
    fs::create_directory(temporary(1));
    std::error_code error;
    {
        ReplacementFile underWay(target, error);
        ASSERT_FALSE(error);
        EXPECT_EQ(underWay.RemovedLeftovers(), (std::vector<fs::path>{temporary(0), temporary(5)}));
        EXPECT_TRUE(fs::exists(temporary(0)));  // its own now

        RecordingHost host(folder.Path());
        SaveFile::WriteLevelFile("0A0B", "grass", host);
        EXPECT_EQ(host.reports, std::vector<std::string>{"status grass.lvl created."});
        EXPECT_TRUE(fs::exists(temporary(0)));
    }
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{10, 11}));
    const std::vector<std::string> leftAlone{temporary(1).filename().string(), otherLevelFiles.filename().string(),
                                             "grass.lvl"};
    auto expected = leftAlone;
    std::ranges::sort(expected);
    EXPECT_EQ(NamesIn(folder.Path()), expected);

    WriteBytes(temporary(2), {5});
    RecordingHost host(folder.Path());
    SaveFile::WriteLevelFile("0C", "grass", host);
    EXPECT_EQ(host.reports, (std::vector<std::string>{"notice removed " + temporary(2).string() +
                                                          ", left behind by an earlier write of " + target.string() +
                                                          " that did not finish",
                                                      "status grass.lvl created."}));
    EXPECT_EQ(NamesIn(folder.Path()), expected);
}

// Each write under way holds a temporary name of its own: while every one of
// a level file's names is held, one more write of it fails and writes
// nothing, and those under way still finish.
TEST(WriteLevelFile, WritesUnderWayHoldEveryTemporaryNameAndOneMoreFails)
{
    TempDir folder;
    const std::filesystem::path target = folder.Path() / "grass.lvl";
    std::vector<std::unique_ptr<ReplacementFile>> underWay;
    std::error_code error;
    while (!error && underWay.size() < ReplacementFile::kTemporarySlots) {
        underWay.push_back(std::make_unique<ReplacementFile>(target, error));
    }
    ASSERT_FALSE(error);
    RecordingHost host(folder.Path());
    EXPECT_EQ(ConversionFailure([&] { SaveFile::WriteLevelFile("0A", "grass", host); }),
              "Cannot write " + target.string() + ": " + std::make_error_code(std::errc::file_exists).message());
    EXPECT_EQ(NamesIn(folder.Path()).size(), underWay.size());

    underWay.back()->Write("\x01", 1, error);
    underWay.back()->Commit(error);
    EXPECT_FALSE(error);
    EXPECT_EQ(ReadBytes(target), std::vector<std::uint8_t>{1});
}


#ifndef _WIN32
// A level file is made as any new file is, for whom the umask allows, and no
// write, made or failed, leaves a descriptor open behind it.
TEST(WriteLevelFile, ANewLevelFileHasTheUsualModeAndNoWriteLeavesADescriptorOpen)
{
    namespace fs = std::filesystem;
    const auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const mode_t mask = umask(0);
    umask(mask);
    TempDir folder;
    const auto before = openDescriptors();
    RecordingHost host(folder.Path());
    SaveFile::WriteLevelFile("0A0B", "grass", host);
    SaveFile::WriteLevelFile("0C", "grass", host);  // over the earlier one
    RecordingHost missing(folder.Path() / "missing");
    EXPECT_NE(ConversionFailure([&] { SaveFile::WriteLevelFile("0A", "grass", missing); }), "");
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(fs::status(folder / "grass.lvl").permissions(), static_cast<fs::perms>(0666 & ~mask));
}
#endif


// A host that takes the level file itself gets every byte, in pieces as the
// writer decodes them, and the disk is never touched; a write it fails is the
// same failure as on disk.
TEST(WriteLevelFile, HostThatTakesTheBytesGetsTheFileOrTheFailure)
{
    TempDir folder;
    MemoryHost host(folder.Path());
    const std::string hex = UpperHex(NumberedBytes(200'000));  // more than one piece
    SaveFile::WriteLevelFile(hex, "grass", host);
    ASSERT_EQ(host.files.size(), 1U);
    EXPECT_EQ(host.files.begin()->first, folder.Path() / "grass.lvl");
    EXPECT_EQ(host.files.begin()->second, NumberedBytes(200'000));
    EXPECT_EQ(host.reports, std::vector<std::string>{"status grass.lvl created."});
    EXPECT_EQ(NamesIn(folder.Path()), std::vector<std::string>{});

    MemoryHost failing(folder.Path());
    failing.writeFailure = std::make_error_code(std::errc::no_space_on_device);
    EXPECT_EQ(ConversionFailure([&] { SaveFile::WriteLevelFile(hex, "grass", failing); }),
              "Cannot write " + (folder.Path() / "grass.lvl").string() + ": No space left on device");
    EXPECT_EQ(failing.files.size(), 0U);
    EXPECT_EQ(failing.reports, std::vector<std::string>{});
}
