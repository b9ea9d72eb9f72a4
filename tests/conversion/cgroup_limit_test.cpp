#include <gtest/gtest.h>

#include <limits>

#include "conversion/cgroup_limit.h"
#include "support/temp_dir.h"

namespace {

void WriteText(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::create_directories(file.parent_path());
    WriteBytes(file, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace

// The smallest limit up each group's path counts, of version 2's unified
// hierarchy and version 1's memory controller alike; other controllers'
// lines and lines that are not a group's are passed over.
TEST(CgroupLimit, IsTheSmallestLimitAboveTheProcessInEitherVersion)
{
    constexpr std::uint64_t kNone = std::numeric_limits<std::uint64_t>::max();
    const std::pair<std::string, std::uint64_t> cases[] = {
        {"0::/a/b\n", 7'000},
        {"0::/\n", kNone},
        {"4:cpu,memory:/x\n", 500},
        {"3:cpu:/y\n", kNone},
        {"5:memory,cpu:/y\n", 40},
        {"no group here\n2:cpu\n", kNone},
    };
    TempDir folder;
    const std::filesystem::path hierarchy = folder / "cgroup";
    WriteText(hierarchy / "a/b/memory.max", "max\n");
    WriteText(hierarchy / "a/memory.max", "7000\n");
    WriteText(hierarchy / "memory/x/memory.limit_in_bytes", "500\n");
    WriteText(hierarchy / "memory/memory.limit_in_bytes", "9223372036854771712\n");
    WriteText(hierarchy / "memory/y/memory.limit_in_bytes", "40\n");
    for (const auto& [membership, limit] : cases) {
        WriteText(folder / "membership", membership);
        EXPECT_EQ(CgroupLimit::SmallestLimit(folder / "membership", hierarchy), limit) << membership;
    }
}
