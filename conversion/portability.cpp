#include "portability.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

#include "utf_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
// Without NOMINMAX, <windows.h> defines min and max as macros, which break std::min.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace Portability {

namespace {

std::error_code LastError()
{
    return {errno, std::generic_category()};
}

}  // namespace

#ifdef _WIN32

namespace {

std::u16string_view Utf16View(const std::wstring& text)
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

std::wstring WideText(std::u16string_view text)
{
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

// Windows reads and writes at most UINT_MAX bytes a call; a round gigabyte
// keeps each call well inside that.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;

// The console's code page before the program switched it to UTF-8.
UINT shellCodePage = 0;

void GiveBackShellCodePage()
{
    SetConsoleOutputCP(shellCodePage);
}

// The reason of a failed Windows call, worded as the C library's failures
// are wherever the two agree ("Permission denied", not "Access is denied.").
std::error_code SystemError(DWORD code)
{
    const std::error_code system(static_cast<int>(code), std::system_category());
    const std::error_condition condition = system.default_error_condition();
    return condition.category() == std::generic_category() ? std::error_code(condition.value(), std::generic_category())
                                                           : system;
}

}  // namespace

std::string PathText(const fs::path& path)
{
    return UtfText::Utf16ToUtf8(Utf16View(path.native()));
}

std::u16string PathUtf16(const fs::path& path)
{
    return std::u16string(Utf16View(path.native()));
}

fs::path PathFromUtf8(std::string_view text)
{
    return WideText(UtfText::Utf8ToUtf16(text));
}

fs::path PathFromUtf16(std::u16string_view text)
{
    return WideText(text);
}

std::string PreferenceLineFromPath(const fs::path& path)
{
    const std::wstring& wide = path.native();
    if (wide.empty()) {
        return {};
    }
    const int wideLength = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                           nullptr, &lossy);
    std::string line(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, line.data(), length, nullptr, &lossy);
    // A name the code page cannot hold exactly is kept whole, as UTF-8.
    if (lossy || length == 0 || PathFromPreferenceLine(line).native() != wide) {
        return PathText(path);
    }
    return line;
}

fs::path PathFromPreferenceLine(std::string_view line)
{
    if (UtfText::IsMultibyteUtf8(line)) {
        return PathFromUtf8(line);
    }
    if (line.empty()) {
        return {};
    }
    const int lineLength = static_cast<int>(line.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), lineLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, line.data(), lineLength, wide.data(), length);
    return wide;
}

fs::path ExecutableDirectory()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            std::error_code error;
            return fs::current_path(error);
        }
        if (length < name.size()) {
            name.resize(length);
            return fs::path(name).parent_path();
        }
        name.resize(2 * name.size());
    }
}

bool IsHidden(const fs::directory_entry& entry)
{
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv + (argc > 0 ? 1 : 0), argv + argc};
    }
    std::vector<std::string> arguments;
    for (int index = 1; index < count; ++index) {
        arguments.push_back(PathText(fs::path(wide[index])));
    }
    LocalFree(wide);
    return arguments;
}

bool StderrIsTerminal()
{
    // Messages are UTF-8, which a console shows right only in its UTF-8 code
    // page, on stdout as on stderr. The console belongs to the shell too, so
    // its own code page is given back at exit.
    if (shellCodePage == 0) {
        shellCodePage = GetConsoleOutputCP();
        if (shellCodePage != 0 && shellCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
            std::atexit(GiveBackShellCodePage);
        }
    }
    // A character device that is no console (NUL) takes no cursor controls.
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!_isatty(_fileno(stderr)) || !GetConsoleMode(console, &mode)) {
        return false;
    }
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

NativeFile NativeFile::OpenToRead(const fs::path& path, std::error_code& error)
{
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0) != 0) {
        error = LastError();
    }
    return NativeFile(descriptor);
}

NativeFile NativeFile::CreateNew(const fs::path& path, std::error_code& error)
{
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE) != 0) {
        error = LastError();
    }
    return NativeFile(descriptor);
}

std::uint64_t NativeFile::Size(std::error_code& error) const
{
    struct _stat64 status {};
    if (_fstat64(descriptor_, &status) != 0) {
        error = LastError();
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

void NativeFile::Seek(std::uint64_t offset, std::error_code& error)
{
    if (_lseeki64(descriptor_, static_cast<__int64>(offset), SEEK_SET) < 0) {
        error = LastError();
    }
}

namespace {

// One call of the system's own; Windows moves at most UINT_MAX bytes a call.
long long ReadSome(int descriptor, void* bytes, std::size_t count)
{
    return _read(descriptor, bytes, static_cast<unsigned>(std::min(count, kLargestTransfer)));
}

long long WriteSome(int descriptor, const void* bytes, std::size_t count)
{
    return _write(descriptor, bytes, static_cast<unsigned>(std::min(count, kLargestTransfer)));
}

int CloseDescriptor(int descriptor)
{
    return _close(descriptor);
}

}  // namespace

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = SystemError(GetLastError());
    }
}

#else

std::string PathText(const fs::path& path)
{
    return path.native();
}

std::u16string PathUtf16(const fs::path& path)
{
    return UtfText::Utf8ToUtf16(path.native());
}

fs::path PathFromUtf8(std::string_view text)
{
    return fs::path(std::string(text));
}

fs::path PathFromUtf16(std::u16string_view text)
{
    return fs::path(UtfText::Utf16ToUtf8(text));
}

std::string PreferenceLineFromPath(const fs::path& path)
{
    return path.native();
}

fs::path PathFromPreferenceLine(std::string_view line)
{
    return fs::path(std::string(line));
}

fs::path ExecutableDirectory()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path(error) : executable.parent_path();
}

bool IsHidden(const fs::directory_entry& entry)
{
    return entry.path().filename().native().starts_with('.');
}

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

bool StderrIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

NativeFile NativeFile::OpenToRead(const fs::path& path, std::error_code& error)
{
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        error = LastError();
    }
    return NativeFile(descriptor);
}

NativeFile NativeFile::CreateNew(const fs::path& path, std::error_code& error)
{
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        error = LastError();
    }
    return NativeFile(descriptor);
}

std::uint64_t NativeFile::Size(std::error_code& error) const
{
    struct stat status {};
    if (fstat(descriptor_, &status) != 0) {
        error = LastError();
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

void NativeFile::Seek(std::uint64_t offset, std::error_code& error)
{
    if (lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        error = LastError();
    }
}

namespace {

// One call of the system's own, made again when a signal interrupted it.
long long ReadSome(int descriptor, void* bytes, std::size_t count)
{
    ssize_t got = 0;
    do {
        got = read(descriptor, bytes, count);
    } while (got < 0 && errno == EINTR);
    return got;
}

long long WriteSome(int descriptor, const void* bytes, std::size_t count)
{
    ssize_t written = 0;
    do {
        written = write(descriptor, bytes, count);
    } while (written < 0 && errno == EINTR);
    return written;
}

int CloseDescriptor(int descriptor)
{
    return close(descriptor);
}

}  // namespace

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error)
{
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = LastError();
    }
}

#endif

// Telling files apart and whether they changed, and ending on an interrupt.

#ifdef _WIN32

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

std::optional<FileStamp> StampOf(const fs::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; };
    return FileStamp{join(attributes.nFileSizeHigh, attributes.nFileSizeLow),
                     static_cast<std::int64_t>(join(attributes.ftLastWriteTime.dwHighDateTime,
                                                    attributes.ftLastWriteTime.dwLowDateTime))};
}

fs::path ComparablePath(const fs::path& path)
{
    // The invariant locale's upper case, as the file system's own table folds names.
    const std::wstring& text = path.native();
    std::wstring upper(text.size(), L'\0');
    if (!text.empty() && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                                      upper.data(), static_cast<int>(upper.size())) == 0) {
        return path;
    }
    return upper;
}

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

#else

namespace {

std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void RecordSignal(int number)
{
    caughtSignal = number;
}

}  // namespace

std::optional<FileStamp> StampOf(const fs::path& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::uint64_t>(status.st_size),
                     static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

fs::path ComparablePath(const fs::path& path)
{
    return path;
}

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

#endif

std::size_t NativeFile::Read(void* bytes, std::size_t count, std::error_code& error)
{
    std::size_t done = 0;
    while (done < count) {
        const long long got = ReadSome(descriptor_, static_cast<char*>(bytes) + done, count - done);
        if (got <= 0) {
            if (got < 0) {
                error = LastError();
            }
            break;  // the end of the file, or a failure
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void NativeFile::Write(const void* bytes, std::size_t count, std::error_code& error)
{
    for (std::size_t done = 0; done < count;) {
        const long long written = WriteSome(descriptor_, static_cast<const char*>(bytes) + done, count - done);
        if (written <= 0) {
            error = written < 0 ? LastError() : std::make_error_code(std::errc::no_space_on_device);
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

void NativeFile::Close(std::error_code& error)
{
    if (descriptor_ >= 0 && CloseDescriptor(descriptor_) != 0) {
        error = LastError();
    }
    descriptor_ = -1;
}

NativeFile::~NativeFile()
{
    std::error_code ignored;
    Close(ignored);
}

NativeFile::NativeFile(NativeFile&& other) noexcept : descriptor_(other.descriptor_)
{
    other.descriptor_ = -1;
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept
{
    if (this != &other) {
        std::error_code ignored;
        Close(ignored);
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

}  // namespace Portability

// Memory for texture-sized buffers.
namespace Portability {

namespace {

// A huge page on x86-64 and on most arm64 kernels; smaller blocks would gain
// nothing from one.
constexpr std::size_t kLargeBlock = std::size_t{2} << 20;

// `size` rounded up to a multiple of `granule`, a power of two; sizes so
// close to the top of the address space that this would wrap are refused.
std::size_t RoundUp(std::size_t size, std::size_t granule)
{
    if (size > std::numeric_limits<std::size_t>::max() - 2 * granule) {
        throw std::bad_alloc();
    }
    return (size + granule - 1) & ~(granule - 1);
}

}  // namespace

#ifdef _WIN32

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

void* AllocateLarge(std::size_t size)
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

void ReleaseLarge(void* block, std::size_t size) noexcept
{
    if (size < kLargeBlock) {
        ::operator delete(block);
    } else if (block != nullptr) {
        VirtualFree(block, 0, MEM_RELEASE);
    }
}

#else

void* AllocateLarge(std::size_t size)
{
    if (size < kLargeBlock) {
        return ::operator new(size);
    }
    // The kernel puts huge pages only on aligned 2 MiB ranges: map one more
    // than needed and give back what lies outside the aligned ones.
    const std::size_t length = RoundUp(size, kLargeBlock);
    void* mapped = mmap(nullptr, length + kLargeBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    char* const start = static_cast<char*>(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    char* const block = start + (RoundUp(address, kLargeBlock) - address);
    if (block != start) {
        munmap(start, static_cast<std::size_t>(block - start));
    }
    munmap(block + length, static_cast<std::size_t>(start + kLargeBlock - block));
    // Advice only: without transparent huge pages the block has ordinary ones.
    madvise(block, length, MADV_HUGEPAGE);
    return block;
}

void ReleaseLarge(void* block, std::size_t size) noexcept
{
    if (size < kLargeBlock) {
        ::operator delete(block);
    } else if (block != nullptr) {
        munmap(block, RoundUp(size, kLargeBlock));
    }
}

#endif

}  // namespace Portability
