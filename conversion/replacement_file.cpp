#include "replacement_file.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "conversion_error.h"

namespace {

[[noreturn]] void ThrowWriteError(const std::string& path, const std::error_code& reason)
{
    throw ConversionError("Cannot write " + path + ": " + reason.message());
}

[[noreturn]] void ThrowWriteError(const std::string& path, int error)
{
    ThrowWriteError(path, std::error_code(error, std::generic_category()));
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target) : target_(std::move(target))
{
    const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 100 && file_ == nullptr; ++attempt) {
        // Hidden, beside the target so that the final rename stays on one file
        // system, and short: a target whose name is near the system's limit
        // must not fail for the length of its temporary's.
        const std::string name = ".torvane-" + std::to_string((seed + attempt) % 1'000'000) + ".tmp";
        temporaryPath_ = (std::filesystem::path(target_).parent_path() / name).string();
        file_ = std::fopen(temporaryPath_.c_str(), "wbx");  // "x": never reuses an existing file
        if (file_ == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (file_ == nullptr) {
        ThrowWriteError(target_, errno);
    }
    // Unbuffered: every write reaches the system at once and reports its own error.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

ReplacementFile::~ReplacementFile()
{
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!committed_) {
        std::error_code ignored;
        std::filesystem::remove(temporaryPath_, ignored);
    }
}

void ReplacementFile::Write(const void* bytes, std::size_t count)
{
    if (std::fwrite(bytes, 1, count, file_) != count) {
        ThrowWriteError(target_, errno);
    }
}

void ReplacementFile::Commit()
{
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        ThrowWriteError(target_, errno);
    }
    std::error_code error;
    std::filesystem::rename(temporaryPath_, target_, error);
    if (error) {
        ThrowWriteError(target_, error);
    }
    committed_ = true;
}
