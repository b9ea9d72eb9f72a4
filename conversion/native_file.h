#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>
#include <system_error>

// Which file an open file or a path is, with the size and last write time it
// has: two looks that give the same saw one version of one file.
struct FileVersion {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;  // its number on the volume
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own unit
    bool SameFile(const FileVersion& other) const { return volume == other.volume && file == other.file; }
    bool operator==(const FileVersion&) const = default;
};

// Files as the system keeps them: opened on the system's own descriptor, with
// 64-bit sizes, reads and writes of any length, and the system's reason for
// every failure as an error code. Nothing here throws.
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
    FileVersion Version(std::error_code& error) const;
    // Moves the position that the next read starts from.
    void Seek(std::uint64_t offset, std::error_code& error);
    // Reads until `count` bytes or the end of the file; returns how many.
    std::size_t Read(void* bytes, std::size_t count, std::error_code& error);
    // Writes all `count` bytes or fails.
    void Write(const void* bytes, std::size_t count, std::error_code& error);
    void Close(std::error_code& error);

private:
    explicit NativeFile(int descriptor) : descriptor_(descriptor) {}

    // One call of the system's own, moving at most `count` bytes; negative
    // on failure, with errno set.
    static long long ReadSome(int descriptor, void* bytes, std::size_t count);
    static long long WriteSome(int descriptor, const void* bytes, std::size_t count);
    static int CloseDescriptor(int descriptor);
    // The C library's reason for the last failed call (errno).
    static std::error_code LastError();

    friend class FileHold;
    int descriptor_ = -1;
};

// Marks a file as in use by this process, so that another process coming
// across it (RemoveUnlessHeld) leaves it alone. The system lets go when the
// hold is released or the process ends, however it ends: a file left by a
// process that was killed is told from one that is being written by that.
class FileHold {
public:
    FileHold() = default;
    ~FileHold() { Release(); }
    FileHold(FileHold&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
    FileHold& operator=(FileHold&& other) noexcept;
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

    // Takes hold of the open file; the hold outlasts `file` being closed.
    // False when another process holds it, or it is no longer in its folder
    // (one that found it unheld has just removed it).
    bool Take(const NativeFile& file);
    void Release() noexcept;

private:
    int descriptor_ = -1;  // where the system keeps the hold, if it needs one of its own
};

// Removes the regular file at `path` unless a running process holds it
// (FileHold); returns whether it did. Anything it cannot be sure of (no such
// file, a folder, a link, a file system without holds) is left alone.
bool RemoveUnlessHeld(const std::filesystem::path& path);

// The version of the file `path` names now; nothing when there is none.
std::optional<FileVersion> VersionAt(const std::filesystem::path& path);

// Renames `from` over `to`, replacing a file of that name in one step.
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);

// Whether the system hides this entry from listings: a dot name on Linux,
// the hidden attribute on Windows.
bool IsHidden(const std::filesystem::directory_entry& entry);

// Reads the file at `path` whole into `bytes` (a resizable container of
// bytes), or its first `limit` bytes; what `bytes` held before is let go
// first. A directory fails as one on every system. Throws std::bad_alloc
// when the file cannot be held.
template <typename Bytes>
void ReadWholeFile(const std::filesystem::path& path, Bytes& bytes, std::error_code& error,
                   std::uint64_t limit = std::numeric_limits<std::uint64_t>::max())
{
    bytes = Bytes();  // assigning {} would keep the capacity
    if (std::filesystem::is_directory(path, error)) {
        error = std::make_error_code(std::errc::is_a_directory);
        return;
    }
    error.clear();
    NativeFile file = NativeFile::OpenToRead(path, error);
    const std::uint64_t length = error ? 0 : file.Size(error);
    if (error) {
        return;
    }
    const std::uint64_t wanted = length < limit ? length : limit;
    if (wanted > bytes.max_size()) {
        throw std::bad_alloc();
    }
    bytes.resize(static_cast<std::size_t>(wanted));
    // A file that shrank since it was measured holds only what could be read.
    bytes.resize(file.Read(bytes.data(), bytes.size(), error));
}
