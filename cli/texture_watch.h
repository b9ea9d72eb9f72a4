#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/batch_run.h"
#include "cli/conversion_jobs.h"
#include "cli/file_stamp.h"
#include "cli/options.h"

// Watches the textures under the paths of a run and converts again each one
// that changes or appears. Every second it looks at each texture's size and
// time, and lists the folders again when one of them changed; a changed
// texture is converted once two looks half a second apart agree on it, so
// that one still being saved is never read half-written. Between looks the
// program sleeps.
class TextureWatch {
public:
    TextureWatch(std::vector<std::filesystem::path> paths, const Options& options);

    // Notes the textures as they are before the first batch converts them,
    // so that a change made while it runs is converted again.
    void Start(JobList list);
    // Converts what changes until Ctrl+C.
    void Run(BatchRun& run);

private:
    // By path text, which compares much faster than a path.
    using Stamps = std::unordered_map<std::filesystem::path::string_type, FileStamp>;

    static FileStamp FolderStamp(const std::filesystem::path& folder);
    // Takes a listing of the paths, with the stamps of its folders.
    void Keep(JobList listing);
    // Lists the paths again when a folder changed, or now and then in case
    // the file system keeps times too coarse to show every change.
    void Relist();
    // One look: the textures that have settled since they changed, and the
    // listing failures not reported yet.
    JobList Look();

    std::vector<std::filesystem::path> paths_;
    const Options& options_;
    JobList listing_;
    Stamps folderStamps_;
    unsigned looksSinceListing_ = 0;
    Stamps converted_;  // as last handed to a batch
    Stamps settling_;   // changed since, as seen at the last look
    std::set<std::string> reportedFailures_;
};
