#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

// A file's size and last write time, from one look at the file system:
// enough to tell that it changed.
struct FileStamp {
    std::uint64_t size;
    std::int64_t modified;  // in the system's own unit
    bool operator==(const FileStamp&) const = default;
};

// Nothing when the file cannot be looked at.
std::optional<FileStamp> StampOf(const std::filesystem::path& path);
