#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "conversion/native_file.h"

// Writes a file that replaces `target` only once every byte is on disk: the
// bytes go into a new, uniquely named file beside it, which Commit() renames
// over the target. Until then an earlier file of that name is untouched, and a
// replacement that is never committed is removed again.
class ReplacementFile {
public:
    // Throws ConversionError naming the target when its directory cannot take
    // a new file.
    explicit ReplacementFile(std::filesystem::path target);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Both throw ConversionError naming the target and the system's reason.
    void Write(const void* bytes, std::size_t count);
    void Commit();

    // For tests, on any system: every replacement file made from now on
    // takes at most `bytes` and then fails as on a full disk; nullopt ends
    // the simulation.
    static void SimulateFreeSpace(std::optional<std::uint64_t> bytes);

private:
    [[noreturn]] void ThrowWriteError(const std::error_code& reason) const;

    std::filesystem::path target_;
    std::filesystem::path temporaryPath_;
    NativeFile file_;
    std::optional<std::uint64_t> freeSpace_;
    bool committed_ = false;
};
