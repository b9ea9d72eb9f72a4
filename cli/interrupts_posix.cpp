#include "cli/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void RecordSignal(int number)
{
    caughtSignal = number;
}

}  // namespace

void CatchInterrupts()
{
    for (const int number : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (sigaction(number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction catching {};
        catching.sa_handler = RecordSignal;
        sigemptyset(&catching.sa_mask);
        catching.sa_flags = SA_RESTART;
        sigaction(number, &catching, nullptr);
    }
}

bool InterruptRequested()
{
    return caughtSignal != 0;
}

void EndAsInterrupted()
{
    std::fflush(nullptr);
    const int number = caughtSignal != 0 ? caughtSignal.load() : SIGINT;
    signal(number, SIG_DFL);
    raise(number);
    _exit(128 + number);
}
