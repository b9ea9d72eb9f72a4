#include <gtest/gtest.h>

#include <fstream>

#include "conversion/import_file.h"
#include "conversion/large_memory.h"
#include "support/recording_host.h"

// Past 2^24 bytes most lengths have no float of their own, and the host's
// maximum is a float: one rounded down would leave the bar short of its last
// value, so the maximum is the next float up. The window converts one texture
// after another, so the memory of each goes back to the system.
TEST(LargeSource, ProgressMaximumIsTheNextFloatUpAndTheMemoryIsGivenBack)
{
    // The address space in pages; 0 where the system has no /proc.
    const auto mappedPages = [] { std::size_t pages = 0; std::ifstream("/proc/self/statm") >> pages; return pages; };
    const std::size_t before = mappedPages();
    RecordingHost host;
    ImportFile::SourceBytes.assign((1 << 24) + 1, 0x5A);
    ImportFile::EncodeHex(host);
    ImportFile::ModuleState = {};
    EXPECT_EQ(host.progress.front(), "maximum 16777218.000000");
    EXPECT_LT(mappedPages(), before + 4'096);  // 16 MiB: far below the 48 MiB it held
}

#ifndef _WIN32
// A large block is mapped with a spare huge page for alignment; what lies
// outside the aligned block goes back at once, not when the block does.
TEST(LargeSource, ALargeBlockHoldsOnlyItsOwnHugePages)
{
    const auto mappedPages = [] { std::size_t pages = 0; std::ifstream("/proc/self/statm") >> pages; return pages; };
    const std::size_t before = mappedPages();
    void* block = LargeMemory::Allocate((3 << 20) + 1);
    EXPECT_EQ((mappedPages() - before) * 4'096, std::size_t{4} << 20);
    LargeMemory::Release(block, (3 << 20) + 1);
    EXPECT_EQ(mappedPages(), before);
}
#endif
