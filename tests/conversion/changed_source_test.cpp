// Linux only: the read is caught in the act with ptrace.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "conversion/import_file.h"
#include "support/dds_builder.h"
#include "support/recording_host.h"
#include "support/syscall_tracer.h"
#include "support/temp_dir.h"

// A texture cut short once all of it was read, before the read is judged,
// is refused as truncated, not as merely changed. A child process converts
// it, held by ptrace as its read of the data returns.
TEST(ChangedSource, ATextureTruncatedOnceReadIsRefusedAsTruncated)
{
    namespace fs = std::filesystem;
    TempDir folder;
    const fs::path texture = fs::canonical(folder.Path()) / "grass.dds";
    WriteBytes(texture, BuildDds({16, 16, 1, "", NumberedBytes(512)}));
    const fs::path report = folder.Path() / "failure.txt";
    const pid_t child = fork();
    if (child == 0) {
        SyscallTracer::TraceMe();
        raise(SIGSTOP);
        RecordingHost host(folder.Path());
        std::ofstream(report) << ConversionFailure([&] { ImportFile::ImportTexture(texture, host); });
        _exit(0);
    }
    SyscallTracer tracer(child);
    ASSERT_TRUE(tracer.RunUntil([&](const SyscallTracer::Stop& stop) {
        return stop.entry && stop.number == SYS_read && stop.arguments[2] > 128 &&
               tracer.FileOf(stop.arguments[0]) == texture.string();
    }));
    ASSERT_TRUE(tracer.RunUntil([](const SyscallTracer::Stop& stop) { return !stop.entry; }));
    fs::resize_file(texture, 128 + 64);
    tracer.Release();

    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::vector<std::uint8_t> failure = ReadBytes(report);
    EXPECT_EQ(std::string(failure.begin(), failure.end()),
              "Cannot read " + texture.string() + ": it was truncated while it was being read");
}
