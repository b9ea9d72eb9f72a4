#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What became of one texture of a batch, and the line that says so.
struct JobOutcome {
    enum class Kind {
        Converted,    // stdout: "NAME.lvl created."
        UpToDate,     // stdout: "NAME.lvl is up to date."
        Planned,      // stdout, in a dry run: what would be written
        Failed,       // stderr: "PATH: reason"
        Interrupted,  // nothing: the run is ending
    };
    Kind kind;
    std::string line;
    std::vector<std::string> warnings = {};  // stderr, before the line, even when quiet
};

// The only writer to the terminal while a batch runs. Workers finish in any
// order; each texture's line still comes out in batch order, as soon as the
// ones before it are out. Between lines, a progress line on stderr follows
// the first texture still converting.
class BatchConsole {
public:
    BatchConsole(std::vector<std::filesystem::path> sources, bool quiet, bool showProgress);

    // The texture at `index` has encoded `percent` of its source.
    void Progress(std::size_t index, int percent);
    // Every texture a worker takes must finish, if only as Interrupted, so
    // that the lines after it come out.
    void Finish(std::size_t index, JobOutcome outcome);

    // For a failure outside any texture, such as a folder that cannot be
    // listed: printed at once and counted as failed.
    void ReportFailure(const std::string& line);
    bool AllSucceeded() const { return failed_ == 0; }
    // The summary line on stderr, for a batch of more than one texture.
    void PrintSummary(double seconds);

private:
    void PrintLocked(const JobOutcome& outcome);
    void DrawProgressLocked();
    void ClearProgressLocked();

    std::mutex mutex_;
    std::vector<std::filesystem::path> sources_;
    bool quiet_;
    bool showProgress_;
    std::vector<std::optional<JobOutcome>> finished_;  // held until the ones before are out
    std::size_t nextToPrint_ = 0;
    std::map<std::size_t, int> running_;  // index to percent
    bool progressShown_ = false;
    std::pair<std::size_t, int> drawn_{0, -1};  // what the progress line shows
    unsigned converted_ = 0;
    unsigned upToDate_ = 0;
    unsigned failed_ = 0;
};
