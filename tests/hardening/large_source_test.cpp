#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "conversion/import_file.h"
#include "conversion/large_memory.h"
#include "conversion/system_memory.h"
#include "support/dds_builder.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The address space in pages; 0 where the system has no /proc.
std::size_t MappedPages()
{
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages;
}

}  // namespace

// Past 2^24 bytes most lengths have no float of their own, and the host's
// maximum is a float: one rounded down would leave the bar short of its last
// value, so the maximum is the next float up. The window converts one texture
// after another, so the memory of each goes back to the system.
TEST(LargeSource, ProgressMaximumIsTheNextFloatUpAndTheMemoryIsGivenBack)
{
    const std::size_t before = MappedPages();
    RecordingHost host;
    ImportFile::SourceBytes.assign((1 << 24) + 1, 0x5A);
    ImportFile::EncodeHex(host);
    ImportFile::ModuleState = {};
    EXPECT_EQ(host.progress.front(), "maximum 16777218.000000");
    EXPECT_LT(MappedPages(), before + 4'096);  // 16 MiB: far below the 48 MiB it held
}

#ifndef _WIN32
// A large block, from one huge page up, is mapped with a spare huge page for
// alignment; what lies outside the aligned block goes back at once, not when
// the block does.
TEST(LargeSource, ALargeBlockHoldsOnlyItsOwnHugePages)
{
    for (const auto& [size, mapped] : {std::pair{std::size_t{2} << 20, std::size_t{2} << 20},
                                      std::pair{(std::size_t{3} << 20) + 1, std::size_t{4} << 20}}) {
        const std::size_t before = MappedPages();
        void* block = LargeMemory::Allocate(size);
        EXPECT_EQ((MappedPages() - before) * 4'096, mapped) << size;
        LargeMemory::Release(block, size);
        EXPECT_EQ(MappedPages(), before) << size;
    }
}

namespace {

// This process may map only `room` bytes more than it does now, until the
// limit is lifted again (each test runs in a process of its own).
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t room)
    {
        getrlimit(RLIMIT_AS, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = MappedPages() * 4'096 + room;
        setrlimit(RLIMIT_AS, &lowered);
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &saved_); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    rlimit saved_{};
};

}  // namespace

// A texture whose conversion would need more memory than the machine has, or
// than the process may still map, is refused before anything is allocated
// for it and writes nothing. What the state holds already counts as had.
TEST(LargeSource, ATextureNeedingMoreMemoryThanThereIsIsRefusedBeforeAnythingIsAllocated)
{
    TempDir folder;
    // Sparse: half the machine's memory costs no disk, and its conversion
    // would need half as much again as the machine has.
    const fs::path huge = folder.Path() / "huge.dds";
    WriteBytes(huge, BuildDds({4, 4, 1, "", {}}));
    fs::resize_file(huge, SystemMemory::Physical() / 2);
    const fs::path large = folder.Path() / "large.dds";  // 32 MiB, which needs 96 MiB
    const std::vector<std::uint8_t> largeTexture = BuildDds({4096, 4096, 1, "", NumberedBytes(32 << 20)});
    WriteBytes(large, largeTexture);
    RecordingHost host(folder.Path());

    ImportFile::ConversionState state;
    EXPECT_EQ(ConversionFailure([&] { ImportFile::ImportTexture(huge, host, state); }),
              "Not enough memory to convert " + huge.string());
    ImportFile::ConversionState loaded;
    loaded.sourceBytes.assign(largeTexture.begin(), largeTexture.end());
    {
        const AddressSpaceLimit limit(80 << 20);
        EXPECT_EQ(ConversionFailure([&] { ImportFile::ImportTexture(large, host, state); }),
                  "Not enough memory to convert " + large.string());
        EXPECT_EQ(state.sourceBytes.capacity(), 0u);  // not read, only refused
        ImportFile::ImportLoadedTexture(large, host, loaded);  // 64 MiB more
    }
    EXPECT_EQ(host.reports, std::vector<std::string>{"status large.lvl created."});
    EXPECT_EQ(NamesIn(folder.Path()), (std::vector<std::string>{"huge.dds", "large.dds", "large.lvl"}));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(UNDER_ADDRESS_SANITIZER)
// The memory a conversion is said to need is the most it holds, measured in
// a child process: with the levels taking all the data, and with most of the
// data left over, which the state keeps as hex text of its own. (The
// sanitizer's shadow memory would be counted too.)
TEST(LargeSource, MemoryNeededIsWhatAConversionHoldsAtItsPeak)
{
    TempDir folder;
    const std::pair<const char*, DdsImage> textures[] = {
        {"levels.dds", {4096, 4096, 1, "", NumberedBytes(32 << 20)}},
        {"leftover.dds", {4, 4, 1, "", NumberedBytes(32 << 20)}},
    };
    for (const auto& [name, image] : textures) {
        SCOPED_TRACE(name);
        const fs::path texture = folder.Path() / name;
        WriteBytes(texture, BuildDds(image));
        const std::optional<std::uint64_t> needed = ImportFile::MemoryNeeded(texture);
        ASSERT_TRUE(needed);

        // The child's peak, from its resident memory when it starts converting.
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        if (fork() == 0) {
            const auto status = [](const std::string& field) {
                std::ifstream in("/proc/self/status");
                std::uint64_t kib = 0;
                for (std::string line; std::getline(in, line);) {
                    if (line.starts_with(field)) {
                        kib = std::stoull(line.substr(field.size()));
                    }
                }
                return kib * 1024;
            };
            std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
            const std::uint64_t start = status("VmRSS:");
            RecordingHost host(folder.Path());
            ImportFile::ImportTexture(texture, host);
            const std::uint64_t peak = status("VmHWM:") - start;
            _exit(write(report[1], &peak, sizeof peak) == sizeof peak ? 0 : 1);
        }
        close(report[1]);
        std::uint64_t peak = 0;
        EXPECT_EQ(read(report[0], &peak, sizeof peak), static_cast<ssize_t>(sizeof peak));
        close(report[0]);
        wait(nullptr);
        EXPECT_NEAR(static_cast<double>(peak), static_cast<double>(*needed), 8 << 20);
    }
}
#endif
#endif
