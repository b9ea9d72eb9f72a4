#include "conversion/native_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>

// Without NOMINMAX, <windows.h> defines min and max as macros, which break std::min.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace fs = std::filesystem;

namespace {

// Windows reads and writes at most UINT_MAX bytes a call; a round gigabyte
// keeps each call well inside that.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;

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

namespace {

FileVersion VersionOf(HANDLE handle, std::error_code& error)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) {
        error = SystemError(GetLastError());
        return {};
    }
    const auto join = [](DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; };
    return {information.dwVolumeSerialNumber, join(information.nFileIndexHigh, information.nFileIndexLow),
            join(information.nFileSizeHigh, information.nFileSizeLow),
            static_cast<std::int64_t>(
                join(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime))};
}

}  // namespace

FileVersion NativeFile::Version(std::error_code& error) const
{
    return VersionOf(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_)), error);
}

std::optional<FileVersion> VersionAt(const fs::path& path)
{
    // Attributes only, sharing everything: opening it this way disturbs no other reader or writer.
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::error_code error;
    const FileVersion version = VersionOf(handle, error);
    CloseHandle(handle);
    if (error) {
        return std::nullopt;
    }
    return version;
}

void NativeFile::Seek(std::uint64_t offset, std::error_code& error)
{
    if (_lseeki64(descriptor_, static_cast<__int64>(offset), SEEK_SET) < 0) {
        error = LastError();
    }
}

long long NativeFile::ReadSome(int descriptor, void* bytes, std::size_t count)
{
    return _read(descriptor, bytes, static_cast<unsigned>(std::min(count, kLargestTransfer)));
}

long long NativeFile::WriteSome(int descriptor, const void* bytes, std::size_t count)
{
    return _write(descriptor, bytes, static_cast<unsigned>(std::min(count, kLargestTransfer)));
}

int NativeFile::CloseDescriptor(int descriptor)
{
    return _close(descriptor);
}

// A file this program creates is opened without sharing deletion, so while
// its descriptor is open no other process can remove it: the descriptor is
// the hold. Between closing it and renaming it over its target a writer
// holds nothing; another instance writing the same level file at that
// instant may take it for left behind, and the rename then fails and says so.
bool FileHold::Take(const NativeFile&)
{
    return true;
}

void FileHold::Release() noexcept {}

bool RemoveUnlessHeld(const fs::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return false;
    }
    return DeleteFileW(path.c_str()) != 0;  // a sharing violation while a process has it open
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = SystemError(GetLastError());
    }
}

bool IsHidden(const fs::directory_entry& entry)
{
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}
