#include "conversion/replacement_file.h"

#include <algorithm>
#include <chrono>
#include <string>


namespace {

// Set by tests only, while no file is being written.
std::optional<std::uint64_t> simulatedFreeSpace;

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path target, std::error_code& error)
    : target_(std::move(target)), freeSpace_(simulatedFreeSpace)
{
    const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 100 && !file_.IsOpen(); ++attempt) {
        // Hidden, beside the target so that the final rename stays on one file
        // system, and short: a target whose name is near the system's limit
        // must not fail for the length of its temporary's.
        const std::string name = ".torvane-" + std::to_string((seed + attempt) % 1'000'000) + ".tmp";
        temporaryPath_ = target_.parent_path() / name;
        error.clear();
        file_ = NativeFile::CreateNew(temporaryPath_, error);
        if (error && error != std::errc::file_exists) {
            break;
        }
    }
}

ReplacementFile::~ReplacementFile()
{
    std::error_code ignored;
    file_.Close(ignored);
    if (!committed_) {
        std::filesystem::remove(temporaryPath_, ignored);
    }
}

void ReplacementFile::Write(const void* bytes, std::size_t count, std::error_code& error)
{
    if (error) {
        return;
    }
    // A simulated disk takes what fits and then fails, as a real one does.
    const std::size_t fitting = freeSpace_ ? static_cast<std::size_t>(std::min<std::uint64_t>(count, *freeSpace_)) : count;
    file_.Write(bytes, fitting, error);
    if (freeSpace_) {
        *freeSpace_ -= fitting;
    }
    if (!error && fitting < count) {
        error = std::make_error_code(std::errc::no_space_on_device);
    }
}

void ReplacementFile::SimulateFreeSpace(std::optional<std::uint64_t> bytes)
{
    simulatedFreeSpace = bytes;
}

void ReplacementFile::Commit(std::error_code& error)
{
    if (error) {
        return;
    }
    file_.Close(error);
    if (!error) {
        RenameOver(temporaryPath_, target_, error);
    }
    committed_ = !error;
}
