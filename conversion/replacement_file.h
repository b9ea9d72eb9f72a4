#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "conversion/native_file.h"

// Writes a file that replaces `target` only once every byte is on disk: the
// bytes go into a new, uniquely named file beside it, which Commit() renames
// over the target. Until then an earlier file of that name is untouched, and a
// replacement that is never committed is removed again. Failures are the
// system's reasons, as error codes; after one, the rest does nothing.
class ReplacementFile {
public:
    // `error` is set when the target's directory cannot take a new file.
    ReplacementFile(std::filesystem::path target, std::error_code& error);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void Write(const void* bytes, std::size_t count, std::error_code& error);
    void Commit(std::error_code& error);

    // For tests, on any system: every replacement file made from now on
    // takes at most `bytes` and then fails as on a full disk; nullopt ends
    // the simulation.
    static void SimulateFreeSpace(std::optional<std::uint64_t> bytes);

private:
    std::filesystem::path target_;
    std::filesystem::path temporaryPath_;
    NativeFile file_;
    std::optional<std::uint64_t> freeSpace_;
    bool committed_ = false;
};
