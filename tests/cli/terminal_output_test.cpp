// What torvane-convert shows when its stderr is a terminal: a progress line
// and, for a batch, a summary; none of it reaches a pipe.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "child_program.h"
#include "dds_builder.h"
#include "temp_dir.h"

namespace {

struct TerminalRun {
    ChildProgram::Result result;
    std::string terminal;  // what reached stderr's terminal
};

// Runs the tool with stderr on a pseudo-terminal and stdout on a pipe.
TerminalRun RunOnTerminal(const std::vector<std::string>& arguments)
{
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(terminal, 0);
    grantpt(terminal);
    unlockpt(terminal);
    const std::string side = ptsname(terminal);

    std::vector<std::string> command{TORVANE_CONVERT};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const auto stderrOnTerminal = [&side] {
        const int stderrTerminal = open(side.c_str(), O_RDWR | O_NOCTTY);
        dup2(stderrTerminal, STDERR_FILENO);
    };
    TerminalRun run{ChildProgram(command, {.setup = stderrOnTerminal}).Wait(), {}};
    // The tool has ended: what it wrote is waiting, and then the read fails.
    char buffer[4096];
    for (ssize_t count; (count = read(terminal, buffer, sizeof buffer)) > 0;) {
        run.terminal.append(buffer, static_cast<std::size_t>(count));
    }
    close(terminal);
    return run;
}

TEST(TerminalOutput, ProgressNamesTheFileAndCountAndABatchEndsWithASummary)
{
    TempDir folder;
    for (const char* name : {"a.dds", "b.dds"}) {
        WriteBytes(folder / name, BuildDds({8, 8, 1, "DXT1", NumberedBytes(32)}));
    }
    WriteBytes(folder / "c.dds", {'n', 'o'});

    const TerminalRun batch = RunOnTerminal({"-j1", folder / "a.dds", folder / "b.dds", folder / "c.dds"});

    EXPECT_EQ(batch.result.status, 1);
    EXPECT_EQ(batch.result.out, "a.lvl created.\nb.lvl created.\n");
    EXPECT_NE(batch.terminal.find("[1/3] a.dds 100%"), std::string::npos) << batch.terminal;
    EXPECT_NE(batch.terminal.find("[2/3] b.dds 0%"), std::string::npos) << batch.terminal;
    // A line takes the progress line's place rather than running on from it.
    EXPECT_NE(batch.terminal.find("\r\033[K" + folder / "c.dds" + ": Not a supported DDS File"), std::string::npos);
    const std::string counts = "2 converted, 0 up to date, 1 failed in ";
    const std::size_t summary = batch.terminal.find(counts);
    ASSERT_NE(summary, std::string::npos) << batch.terminal;
    double seconds = -1;
    char unit = 0;
    EXPECT_EQ(std::sscanf(batch.terminal.c_str() + summary + counts.size(), "%lf %c", &seconds, &unit), 2);
    EXPECT_GE(seconds, 0.0);
    EXPECT_EQ(unit, 's');

    // One texture is no batch; a quiet run shows only failures.
    const TerminalRun single = RunOnTerminal({folder / "a.dds"});
    EXPECT_NE(single.terminal.find("[1/1] a.dds"), std::string::npos);
    EXPECT_EQ(single.terminal.find("converted,"), std::string::npos);
    const TerminalRun quiet = RunOnTerminal({"--quiet", folder / "a.dds", folder / "b.dds"});
    EXPECT_EQ(quiet.terminal, "");
}

}  // namespace
