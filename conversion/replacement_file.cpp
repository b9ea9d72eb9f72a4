#include "conversion/replacement_file.h"

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

namespace {

// Set by tests only, while no file is being written.
std::optional<std::uint64_t> simulatedFreeSpace;

// FNV-1a over the name's code units: the same on every run, which is all it needs.
std::uint32_t NameHash(const fs::path::string_type& name)
{
    std::uint32_t hash = 2'166'136'261u;
    for (const auto unit : name) {
        hash = (hash ^ static_cast<std::uint32_t>(unit)) * 16'777'619u;
    }
    return hash;
}

}  // namespace

fs::path ReplacementFile::TemporaryPath(const fs::path& target, unsigned slot)
{
    char name[32];
    std::snprintf(name, sizeof name, ".torvane-%08X.%u.tmp", static_cast<unsigned>(NameHash(target.filename().native())),
                  slot);
    return target.parent_path() / name;
}

ReplacementFile::ReplacementFile(fs::path target, std::error_code& error)
    : target_(std::move(target)), freeSpace_(simulatedFreeSpace)
{
    unsigned slot = 0;
    for (; slot < kTemporarySlots; ++slot) {
        const fs::path candidate = TemporaryPath(target_, slot);
        error.clear();
        file_ = NativeFile::CreateNew(candidate, error);
        if (error == std::errc::file_exists && RemoveUnlessHeld(candidate)) {
            removed_.push_back(candidate);
            error.clear();
            file_ = NativeFile::CreateNew(candidate, error);
        }
        if (error && error != std::errc::file_exists) {
            return;  // the folder cannot take a file
        }
        if (!error && hold_.Take(file_)) {
            temporaryPath_ = candidate;
            break;
        }
        // Held by a write under way, or, just made, taken for left over by
        // another process and removed: the next name.
        std::error_code ignored;
        file_.Close(ignored);
        error = std::make_error_code(std::errc::file_exists);
    }
    for (unsigned later = slot + 1; later < kTemporarySlots; ++later) {
        RemoveLeftover(TemporaryPath(target_, later));
    }
}

ReplacementFile::~ReplacementFile()
{
    std::error_code ignored;
    file_.Close(ignored);
    if (!committed_ && !temporaryPath_.empty()) {
        std::filesystem::remove(temporaryPath_, ignored);
    }
}

void ReplacementFile::RemoveLeftover(const fs::path& path)
{
    if (RemoveUnlessHeld(path)) {
        removed_.push_back(path);
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

// The hold is kept until the rename, so that no other process takes the
// closed file for left over.
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
    hold_.Release();
}
