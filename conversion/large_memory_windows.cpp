#include "conversion/large_memory.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace LargeMemory {

namespace {

// The large-page size when this process may use large pages, else 0. They
// need the "Lock pages in memory" privilege switched on in the process's
// token; most accounts do not hold it.
std::size_t GrantedLargePage()
{
    static const std::size_t granted = []() -> std::size_t {
        const std::size_t minimum = GetLargePageMinimum();
        HANDLE token = nullptr;
        if (minimum == 0 || !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
            return 0;
        }
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        // AdjustTokenPrivileges succeeds without the privilege, and says so
        // only through the last error.
        const bool enabled = LookupPrivilegeValueW(nullptr, L"SeLockMemoryPrivilege", &privileges.Privileges[0].Luid) &&
                             AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                             GetLastError() == ERROR_SUCCESS;
        CloseHandle(token);
        return enabled ? minimum : 0;
    }();
    return granted;
}

}  // namespace

void* Allocate(std::size_t size)
{
    if (size < kLargeBlock) {
        return ::operator new(size);
    }
    if (const std::size_t largePage = GrantedLargePage(); largePage != 0) {
        // Fails when physical memory is too fragmented; ordinary pages then.
        if (void* block = VirtualAlloc(nullptr, RoundUp(size, largePage), MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES,
                                       PAGE_READWRITE)) {
            return block;
        }
    }
    void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void Release(void* block, std::size_t size) noexcept
{
    if (size < kLargeBlock) {
        ::operator delete(block);
    } else if (block != nullptr) {
        VirtualFree(block, 0, MEM_RELEASE);
    }
}

}  // namespace LargeMemory
