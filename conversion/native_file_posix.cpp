#include "conversion/native_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace fs = std::filesystem;

// Without waiting: a pipe named like a texture would otherwise hold the
// program until something writes to it.
NativeFile NativeFile::OpenToRead(const fs::path& path, std::error_code& error)
{
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

namespace {

FileVersion VersionOf(const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

}  // namespace

FileVersion NativeFile::Version(std::error_code& error) const
{
    struct stat status {};
    if (fstat(descriptor_, &status) != 0) {
        error = LastError();
        return {};
    }
    return VersionOf(status);
}

std::optional<FileVersion> VersionAt(const fs::path& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return VersionOf(status);
}

void NativeFile::Seek(std::uint64_t offset, std::error_code& error)
{
    if (lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        error = LastError();
    }
}

// Made again when a signal interrupted it.
long long NativeFile::ReadSome(int descriptor, void* bytes, std::size_t count)
{
    ssize_t got = 0;
    do {
        got = read(descriptor, bytes, count);
    } while (got < 0 && errno == EINTR);
    return got;
}

long long NativeFile::WriteSome(int descriptor, const void* bytes, std::size_t count)
{
    ssize_t written = 0;
    do {
        written = write(descriptor, bytes, count);
    } while (written < 0 && errno == EINTR);
    return written;
}

int NativeFile::CloseDescriptor(int descriptor)
{
    return close(descriptor);
}

// The hold is an flock() on a descriptor of its own, which the system drops
// with the last descriptor of it, also when the process is killed.
bool FileHold::Take(const NativeFile& file)
{
    Release();
    const int hold = fcntl(file.descriptor_, F_DUPFD_CLOEXEC, 0);
    if (hold < 0) {
        return true;  // written unheld, as on a file system without holds
    }
    if (flock(hold, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        close(hold);
        return !heldElsewhere;
    }
    struct stat status {};
    if (fstat(hold, &status) == 0 && status.st_nlink == 0) {
        close(hold);
        return false;
    }
    descriptor_ = hold;
    return true;
}

void FileHold::Release() noexcept
{
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
}

bool RemoveUnlessHeld(const fs::path& path)
{
    const int descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    // Removed by name only while the name is still the file held here.
    struct stat opened {};
    struct stat named {};
    const bool removed = fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode) &&
                         flock(descriptor, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &named) == 0 &&
                         named.st_dev == opened.st_dev && named.st_ino == opened.st_ino && unlink(path.c_str()) == 0;
    close(descriptor);
    return removed;
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error)
{
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = std::error_code(errno, std::generic_category());
    }
}

bool IsHidden(const fs::directory_entry& entry)
{
    return entry.path().filename().native().starts_with('.');
}
