#include "conversion/native_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace fs = std::filesystem;

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
