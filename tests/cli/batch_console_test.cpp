#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/batch_console.h"
#include "cli/console_host.h"

namespace {

struct Shown {
    std::string out;
    std::string err;
};

// What a console showing progress prints, on each stream, for a batch of
// a.dds and b.dds that goes through `events`.
Shown Play(const std::function<void(BatchConsole&)>& events)
{
    std::ostringstream out, err;
    std::streambuf* const stdoutBuffer = std::cout.rdbuf(out.rdbuf());
    std::streambuf* const stderrBuffer = std::cerr.rdbuf(err.rdbuf());
    BatchConsole console({"a.dds", "b.dds"}, false, true);
    events(console);
    std::cout.rdbuf(stdoutBuffer);
    std::cerr.rdbuf(stderrBuffer);
    return {out.str(), err.str()};
}

const JobOutcome kA{JobOutcome::Kind::Converted, "a.lvl created."};
const JobOutcome kB{JobOutcome::Kind::Converted, "b.lvl created."};

// Two jobs at once: the progress line follows the first texture still
// converting, makes way for each line and is gone when no texture converts.
TEST(BatchConsole, TheProgressLineFollowsTheFirstTextureStillConvertingAndGoesWithTheLast)
{
    const Shown firstEndsFirst = Play([](BatchConsole& console) {
        console.Progress(0, 10);
        console.Progress(1, 20);  // not shown: a.dds is still converting
        console.Finish(0, kA);
        console.Finish(1, kB);
    });
    EXPECT_EQ(firstEndsFirst.err, "\r[1/2] a.dds 10%\033[K\r\033[K\r[2/2] b.dds 20%\033[K\r\033[K");
    EXPECT_EQ(firstEndsFirst.out, "a.lvl created.\nb.lvl created.\n");

    const Shown secondEndsFirst = Play([](BatchConsole& console) {
        console.Progress(0, 10);
        console.Progress(1, 20);
        console.Finish(1, kB);  // held until a's line is out
        console.Finish(0, kA);
    });
    EXPECT_EQ(secondEndsFirst.err, "\r[1/2] a.dds 10%\033[K\r\033[K");
    EXPECT_EQ(secondEndsFirst.out, "a.lvl created.\nb.lvl created.\n");

    const Shown interrupted = Play([](BatchConsole& console) {
        console.Progress(0, 50);
        console.Finish(0, {JobOutcome::Kind::Interrupted, ""});  // prints no line, yet clears
    });
    EXPECT_EQ(interrupted.err, "\r[1/2] a.dds 50%\033[K\r\033[K");
    EXPECT_EQ(interrupted.out, "");
}

// A texture's host hands the console each new whole percent, the first
// from the start of the encoding on.
TEST(ConsoleHost, HandsTheConsoleEachNewWholePercentOfTheTexture)
{
    const Shown shown = Play([](BatchConsole& console) {
        ConsoleHost host(console);
        host.Begin(0, "out");
        host.SetProgressMaximum(200);
        host.SetProgressValue(2);
        host.SetProgressValue(3);  // still 1%
        host.SetProgressValue(200);
        console.Finish(0, kA);
    });
    EXPECT_EQ(shown.err, "\r[1/2] a.dds 0%\033[K\r[1/2] a.dds 1%\033[K\r[1/2] a.dds 100%\033[K\r\033[K");
}

}  // namespace
