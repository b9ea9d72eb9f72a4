#include "conversion/native_file.h"

#include <cerrno>

// What every system shares: the loops over each system's single calls, and
// the descriptor's ownership.

std::error_code NativeFile::LastError()
{
    return {errno, std::generic_category()};
}

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

FileHold& FileHold::operator=(FileHold&& other) noexcept
{
    if (this != &other) {
        Release();
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}
