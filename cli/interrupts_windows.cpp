#include "cli/interrupts.h"

#include <atomic>
#include <cstdio>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI RecordConsoleInterrupt(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    interrupted = true;
    return TRUE;
}

}  // namespace

void CatchInterrupts()
{
    SetConsoleCtrlHandler(RecordConsoleInterrupt, TRUE);
}

bool InterruptRequested()
{
    return interrupted;
}

void EndAsInterrupted()
{
    std::fflush(nullptr);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}
