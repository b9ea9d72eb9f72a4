#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "conversion/native_file.h"

// Writes a file that replaces `target` only once every byte is on disk: the
// bytes go into a temporary file beside it, which Commit() renames over the
// target. Until then an earlier file of that name is untouched, and a
// replacement that is never committed is removed again. Failures are the
// system's reasons, as error codes; after one, the rest does nothing.
//
// A process killed while writing cannot remove its temporary file, so the
// next write of the same target does: each target has a few temporary names
// of its own (TemporaryPath), and whichever of them no running process holds
// (FileHold) is left over from a write that never finished. Nothing else in
// the folder is touched.
class ReplacementFile {
public:
    // How many writes of one target may run at once, each under a name of its own.
    static constexpr unsigned kTemporarySlots = 8;

    // `error` is set when the target's directory cannot take a new file.
    ReplacementFile(std::filesystem::path target, std::error_code& error);
    ~ReplacementFile();

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void Write(const void* bytes, std::size_t count, std::error_code& error);
    void Commit(std::error_code& error);

    // The temporary files of earlier writes of the target that were found
    // left behind and removed, for the user to be told.
    const std::vector<std::filesystem::path>& RemovedLeftovers() const { return removed_; }

    // The temporary name `slot` of a target: hidden, beside it so that the
    // final rename stays on one file system, and short, so that a target
    // whose name is near the system's limit does not fail for the length of
    // its temporary's. It carries a hash of the target's name, which tells
    // whose it is.
    static std::filesystem::path TemporaryPath(const std::filesystem::path& target, unsigned slot);

    // For tests, on any system: every replacement file made from now on
    // takes at most `bytes` and then fails as on a full disk; nullopt ends
    // the simulation.
    static void SimulateFreeSpace(std::optional<std::uint64_t> bytes);

private:
    void RemoveLeftover(const std::filesystem::path& path);

    std::filesystem::path target_;
    std::filesystem::path temporaryPath_;
    NativeFile file_;
    FileHold hold_;
    std::vector<std::filesystem::path> removed_;
    std::optional<std::uint64_t> freeSpace_;
    bool committed_ = false;
};
