#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "conversion_error.h"
#include "recording_host.h"
#include "save_file.h"
#include "temp_dir.h"

namespace {

std::size_t EntriesIn(const std::filesystem::path& directory)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(directory), {}));
}

TEST(WriteLevelFile, WritesEachPairAsOneByteAndReportsTheFileByName)
{
    TempDir folder;
    RecordingHost host(folder.Path().string());

    SaveFile::WriteLevelFile("000AFF7f", "grass", host);

    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{0x00, 0x0A, 0xFF, 0x7F}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"output directory", "status grass.lvl created."}));
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(WriteLevelFile, SecondWriteReplacesALongerEarlierFileWhole)
{
    TempDir folder;
    RecordingHost host(folder.Path().string());
    SaveFile::WriteLevelFile(std::string(200'000, 'A'), "grass", host);
    SaveFile::WriteLevelFile("0102", "grass", host);
    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{1, 2}));
}

TEST(WriteLevelFile, SeparatorIsInsertedEvenAfterOneAlreadyThere)
{
    TempDir folder;
    RecordingHost host(folder.Path().string() + "/");
    SaveFile::WriteLevelFile("01", "grass", host);
    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), std::vector<std::uint8_t>{1});
}

TEST(WriteLevelFile, UnwritableOutputNamesTheFileLeavesTheEarlierOneAndReportsNothing)
{
    TempDir folder;
    WriteBytes(folder / "grass.lvl", {9, 9, 9});
    WriteBytes(folder / "plain-file", {});
    std::filesystem::create_directory(folder / "stone.lvl");
    struct Unwritable {
        std::string directory;
        std::string baseName;
        std::string reason;
    };
    const Unwritable cases[] = {
        {folder / "missing", "grass", "No such file or directory"},
        {folder / "plain-file", "grass", "Not a directory"},
        {folder.Path().string(), "stone", "Is a directory"},
    };
    for (const Unwritable& unwritable : cases) {
        RecordingHost host(unwritable.directory);
        try {
            SaveFile::WriteLevelFile("0102", unwritable.baseName, host);
            ADD_FAILURE() << "wrote into " << unwritable.directory;
        } catch (const ConversionError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot write " + unwritable.directory + "/" + unwritable.baseName +
                                                     ".lvl: " + unwritable.reason);
        }
        EXPECT_TRUE(host.statuses.empty());
    }
    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_EQ(EntriesIn(folder.Path()), 3u);  // no temporary file left behind
}

// A disk that fills up part-way: the file size limit makes the write fail
// after the first megabyte, which no permission bit can simulate for root.
TEST(WriteLevelFile, WriteThatFailsPartWayLeavesTheEarlierFileAndNoTemporary)
{
    TempDir folder;
    WriteBytes(folder / "grass.lvl", {9, 9, 9});
    const std::string levelHex(2 * 4'000'000, 'A');

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
        RecordingHost host(folder.Path().string());
        try {
            SaveFile::WriteLevelFile(levelHex, "grass", host);
        } catch (const ConversionError& error) {
            const bool named = std::string(error.what()) == "Cannot write " + (folder / "grass.lvl") + ": File too large";
            _exit(named && host.statuses.empty() ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write succeeded, 2: wrong message or a status was set";
    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

}  // namespace
