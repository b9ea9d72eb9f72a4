// torvane-convert --watch against a folder that changes under it.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "child_program.h"
#include "dds_builder.h"
#include "level_file_reader.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The pixel data of an uncompressed square of one level, numbered from `first`.
std::vector<std::uint8_t> Pixels(std::uint32_t side, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> data = NumberedBytes(std::size_t{side} * side * 2);
    for (std::uint8_t& byte : data) {
        byte = static_cast<std::uint8_t>(byte + first);
    }
    return data;
}

std::vector<std::uint8_t> Texture(std::uint32_t side, std::uint8_t first = 0)
{
    return BuildDds({side, side, 1, "", Pixels(side, first)});
}

// The first level's data in a level file, or nothing while there is none.
std::vector<std::uint8_t> LevelData(const fs::path& levelFile)
{
    std::error_code error;
    if (!fs::exists(levelFile, error)) {
        return {};
    }
    const auto records = ReadLevelFile(ReadBytes(levelFile), 1 << 20);
    return records && !records->empty() ? records->front().data : std::vector<std::uint8_t>{};
}

bool Eventually(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(WatchTest, ChangedAndNewTexturesConvertOnceSettledAndCtrlCEndsCleanly)
{
    TempDir folder;
    const fs::path mod = folder.Path() / "mod";
    fs::create_directories(mod / "sub");
    WriteBytes(mod / "a.dds", Texture(8));

    ChildProgram watcher({TORVANE_CONVERT, "--watch", "--recursive", mod.string()});
    ASSERT_TRUE(Eventually([&] { return !LevelData(mod / "a.lvl").empty(); }));

    // A new texture saved slowly, for over a second: it is converted once, whole.
    const std::vector<std::uint8_t> whole = Texture(16);
    for (std::size_t length = 100; length < whole.size(); length += 80) {
        WriteBytes(mod / "sub/b.dds", {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)});
        std::this_thread::sleep_for(150ms);
    }
    WriteBytes(mod / "sub/b.dds", whole);
    ASSERT_TRUE(Eventually([&] { return LevelData(mod / "sub/b.lvl") == Pixels(16); }));

    WriteBytes(mod / "a.dds", Texture(8, 100));
    ASSERT_TRUE(Eventually([&] { return LevelData(mod / "a.lvl") == Pixels(8, 100); }));

    // A texture that maps to a level file of the run is refused, once.
    WriteBytes(mod / "a.dds.bak", Texture(4));
    std::this_thread::sleep_for(1500ms);

    watcher.Signal(SIGINT);
    const ChildProgram::Result run = watcher.Wait();

    EXPECT_EQ(run.status, 128 + SIGINT);
    EXPECT_EQ(run.out, "a.lvl created.\nb.lvl created.\na.lvl created.\n");
    EXPECT_EQ(run.err, (mod / "a.dds.bak").string() + ": would overwrite " + (mod / "a.lvl").string() +
                           ", already written from " + (mod / "a.dds").string() + "\n");
    for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

}  // namespace
