#include "conversion/system_memory.h"

#include <algorithm>
#include <limits>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace SystemMemory {

namespace {

MEMORYSTATUSEX Status()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) {
        status.ullTotalPhys = status.ullAvailVirtual = status.ullAvailPageFile = std::numeric_limits<std::uint64_t>::max();
    }
    return status;
}

}  // namespace

std::uint64_t Physical()
{
    static const std::uint64_t physical = Status().ullTotalPhys;
    return physical;
}

// Windows commits memory when it is allocated, so the commit charge left is
// a limit as real as the address space.
std::uint64_t ProcessHeadroom()
{
    const MEMORYSTATUSEX status = Status();
    return std::min<std::uint64_t>(status.ullAvailVirtual, status.ullAvailPageFile);
}

}  // namespace SystemMemory
