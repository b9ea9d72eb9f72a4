#include <gtest/gtest.h>

#include <filesystem>

#include "conversion_error.h"
#include "recording_host.h"
#include "save_file.h"
#include "simulated_full_disk.h"
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
        std::string reason;  // in the system's own words
    };
#ifdef _WIN32
    const Unwritable cases[] = {
        {folder / "missing", "grass", "No such file or directory"},
        {folder / "plain-file", "grass", "No such file or directory"},
        {folder.Path().string(), "stone", "Permission denied"},
    };
#else
    const Unwritable cases[] = {
        {folder / "missing", "grass", "No such file or directory"},
        {folder / "plain-file", "grass", "Not a directory"},
        {folder.Path().string(), "stone", "Is a directory"},
    };
#endif
    for (const Unwritable& unwritable : cases) {
        RecordingHost host(unwritable.directory);
        try {
            SaveFile::WriteLevelFile("0102", unwritable.baseName, host);
            ADD_FAILURE() << "wrote into " << unwritable.directory;
        } catch (const ConversionError& error) {
            const std::string target = (std::filesystem::path(unwritable.directory) / unwritable.baseName).string();
            EXPECT_EQ(std::string(error.what()), "Cannot write " + target + ".lvl: " + unwritable.reason);
        }
        EXPECT_TRUE(host.statuses.empty());
    }
    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_EQ(EntriesIn(folder.Path()), 3u);  // no temporary file left behind
}

TEST(WriteLevelFile, DiskFillingUpPartWayLeavesTheEarlierFileAndNoTemporary)
{
    TempDir folder;
    WriteBytes(folder / "grass.lvl", {9, 9, 9});
    RecordingHost host(folder.Path().string());
    const SimulatedFullDisk disk(1 << 20);

    try {
        SaveFile::WriteLevelFile(std::string(2 * 4'000'000, 'A'), "grass", host);
        ADD_FAILURE() << "a write past the free space succeeded";
    } catch (const ConversionError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot write " + (folder / "grass.lvl") + ": No space left on device");
    }
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_EQ(ReadBytes(folder / "grass.lvl"), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

}  // namespace
