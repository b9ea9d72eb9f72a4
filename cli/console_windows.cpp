#include "cli/console.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// The console's code page before the program switched it to UTF-8.
UINT shellCodePage = 0;

void GiveBackShellCodePage()
{
    SetConsoleOutputCP(shellCodePage);
}

}  // namespace

void UseUtf8Console()
{
    // The console belongs to the shell too, so its own code page is given back at exit.
    if (shellCodePage == 0) {
        shellCodePage = GetConsoleOutputCP();
        if (shellCodePage != 0 && shellCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
            std::atexit(GiveBackShellCodePage);
        }
    }
}

bool StderrIsTerminal()
{
    // A character device that is no console (NUL) takes no cursor controls.
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!_isatty(_fileno(stderr)) || !GetConsoleMode(console, &mode)) {
        return false;
    }
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
