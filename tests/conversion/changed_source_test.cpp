// Linux only: the read is caught in the act with ptrace.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

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
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    if (child == 0) {
        SyscallTracer::TraceMe();
        raise(SIGSTOP);
        RecordingHost host(folder.Path());
        const std::string failure = ConversionFailure([&] { ImportFile::ImportTexture(texture, host); });
        _exit(write(report[1], failure.data(), failure.size()) == static_cast<ssize_t>(failure.size()) ? 0 : 1);
    }
    close(report[1]);
    SyscallTracer tracer(child);
    ASSERT_TRUE(tracer.RunUntil([&](const SyscallTracer::Stop& stop) {
        return stop.entry && stop.number == SYS_read && stop.arguments[2] > 128 &&
               tracer.FileOf(stop.arguments[0]) == texture.string();
    }));
    ASSERT_TRUE(tracer.RunUntil([](const SyscallTracer::Stop& stop) { return !stop.entry; }));
    fs::resize_file(texture, 128 + 64);
    tracer.Release();

    std::string failure;
    char buffer[256];
    for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;) {
        failure.append(buffer, static_cast<std::size_t>(got));
    }
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(failure, "Cannot read " + texture.string() + ": it was truncated while it was being read");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
