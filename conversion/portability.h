#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The one place that knows which system the program runs on. Everything else
// names files with std::filesystem::path (UTF-16 on Windows, the bytes as they
// are on Linux) and shows them as UTF-8 or UTF-16 text through the
// conversions here, none of which throws.
namespace Portability {

// The path as UTF-8 text for messages: exact on Linux, and on Windows with an
// unpaired surrogate shown as U+FFFD.
std::string PathText(const std::filesystem::path& path);
// The path as UTF-16 text for the window; bytes on Linux that are not UTF-8
// are shown as U+FFFD.
std::u16string PathUtf16(const std::filesystem::path& path);
// Text typed, listed or given on a command line, as a path.
std::filesystem::path PathFromUtf8(std::string_view text);
std::filesystem::path PathFromUtf16(std::u16string_view text);

// The remembered directory as the 8-bit line of the preference file: its
// bytes on Linux; on Windows the ANSI code page, or UTF-8 when the code page
// cannot hold the path exactly. Reading takes a line that is valid UTF-8 with
// bytes above 0x7F as UTF-8 and any other as the code page.
std::string PreferenceLineFromPath(const std::filesystem::path& path);
std::filesystem::path PathFromPreferenceLine(std::string_view line);

// The directory that holds the running executable.
std::filesystem::path ExecutableDirectory();

// Whether the system hides this entry from listings: a dot name on Linux,
// the hidden attribute on Windows.
bool IsHidden(const std::filesystem::directory_entry& entry);

// The program's arguments after its name, as UTF-8 (on Windows read from the
// wide command line, so that no name is squeezed through the code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Whether stderr is a terminal that understands the cursor controls of a
// progress line. Called once before any output: on Windows it switches the
// console to UTF-8 output for the run (stdout's too) and stderr's escape
// sequences on.
bool StderrIsTerminal();

// A file opened on the system's own descriptor: 64-bit sizes, reads and
// writes of any length, and the system's reason for every failure.
class NativeFile {
public:
    NativeFile() = default;
    ~NativeFile();
    NativeFile(NativeFile&& other) noexcept;
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    static NativeFile OpenToRead(const std::filesystem::path& path, std::error_code& error);
    // Fails with std::errc::file_exists rather than reuse an existing file.
    static NativeFile CreateNew(const std::filesystem::path& path, std::error_code& error);

    bool IsOpen() const { return descriptor_ >= 0; }
    std::uint64_t Size(std::error_code& error) const;
    // Moves the position that the next read starts from.
    void Seek(std::uint64_t offset, std::error_code& error);
    // Reads until `count` bytes or the end of the file; returns how many.
    std::size_t Read(void* bytes, std::size_t count, std::error_code& error);
    // Writes all `count` bytes or fails.
    void Write(const void* bytes, std::size_t count, std::error_code& error);
    void Close(std::error_code& error);

private:
    explicit NativeFile(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

// Renames `from` over `to`, replacing a file of that name in one step.
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);

// Memory for buffers that hold a whole texture or its hex text, with
// contents undefined until written. Blocks of 2 MiB and more come straight
// from the system on huge pages where it grants them (transparent huge pages
// on Linux; large pages on Windows when the account may lock pages in
// memory), so filling hundreds of MiB takes hundreds of page faults rather
// than tens of thousands. Smaller blocks come from operator new. Throws
// std::bad_alloc.
void* AllocateLarge(std::size_t size);
// Gives back a block of AllocateLarge; `size` is the one it was asked for.
void ReleaseLarge(void* block, std::size_t size) noexcept;

// A file's size and last write time, from one look at the file system:
// enough to tell that it changed. Nothing when it cannot be looked at.
struct FileStamp {
    std::uint64_t size;
    std::int64_t modified;  // in the system's own unit
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// The path as the file system compares names, for telling whether two paths
// name one file: upper-cased on Windows, whose names ignore case, and
// unchanged elsewhere. The path should be absolute and normal already.
std::filesystem::path ComparablePath(const std::filesystem::path& path);

// Ctrl+C and a request to terminate only set a flag from here on, so that
// the program can end at a point of its own choosing: a file half written
// would otherwise be left behind. Not for a program started with them
// ignored, which keeps ignoring them.
void CatchInterrupts();
bool InterruptRequested();
// Ends the program the way the caught interrupt would have, so that the
// shell or script that started it sees it interrupted and stops too.
[[noreturn]] void EndAsInterrupted();

}  // namespace Portability
