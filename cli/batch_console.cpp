#include "cli/batch_console.h"

#include <cstdio>
#include <iostream>

#include "conversion/path_text.h"

BatchConsole::BatchConsole(std::vector<std::filesystem::path> sources, bool quiet, bool showProgress)
    : sources_(std::move(sources)), quiet_(quiet), showProgress_(showProgress), finished_(sources_.size())
{
}

void BatchConsole::Progress(std::size_t index, int percent)
{
    if (!showProgress_) {
        return;
    }
    const std::lock_guard lock(mutex_);
    running_[index] = percent;
    if (running_.begin()->first == index) {
        DrawProgressLocked();
    }
}

void BatchConsole::Finish(std::size_t index, JobOutcome outcome)
{
    const std::lock_guard lock(mutex_);
    running_.erase(index);
    finished_[index] = std::move(outcome);
    for (; nextToPrint_ < finished_.size() && finished_[nextToPrint_]; ++nextToPrint_) {
        PrintLocked(*finished_[nextToPrint_]);
    }
    if (running_.empty()) {
        ClearProgressLocked();
    } else {
        DrawProgressLocked();
    }
}

void BatchConsole::ReportFailure(const std::string& line)
{
    const std::lock_guard lock(mutex_);
    PrintLocked({JobOutcome::Kind::Failed, line});
}

void BatchConsole::PrintSummary(double seconds)
{
    if (!showProgress_ || sources_.size() < 2) {
        return;
    }
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", seconds);
    std::cerr << converted_ << " converted, " << upToDate_ << " up to date, " << failed_ << " failed in " << duration
              << std::endl;
}

void BatchConsole::PrintLocked(const JobOutcome& outcome)
{
    switch (outcome.kind) {
    case JobOutcome::Kind::Converted: ++converted_; break;
    case JobOutcome::Kind::UpToDate: ++upToDate_; break;
    case JobOutcome::Kind::Failed: ++failed_; break;
    case JobOutcome::Kind::Planned:
    case JobOutcome::Kind::Interrupted: break;
    }
    if (!outcome.warnings.empty()) {
        ClearProgressLocked();
        for (const std::string& warning : outcome.warnings) {
            std::cerr << warning << '\n';
        }
        std::cerr.flush();
    }
    if (outcome.kind == JobOutcome::Kind::Interrupted || (quiet_ && outcome.kind != JobOutcome::Kind::Failed)) {
        return;
    }
    ClearProgressLocked();
    // Flushed line by line: a script reading both streams sees them in the order they happened.
    std::ostream& stream = outcome.kind == JobOutcome::Kind::Failed ? std::cerr : std::cout;
    stream << outcome.line << '\n';
    stream.flush();
}

void BatchConsole::DrawProgressLocked()
{
    const auto [index, percent] = *running_.begin();
    if (progressShown_ && drawn_ == std::pair(index, percent)) {
        return;
    }
    drawn_ = {index, percent};
    std::cerr << "\r[" << index + 1 << '/' << sources_.size() << "] " << PathText(sources_[index].filename())
              << ' ' << percent << "%\033[K" << std::flush;
    progressShown_ = true;
}

void BatchConsole::ClearProgressLocked()
{
    if (progressShown_) {
        std::cerr << "\r\033[K" << std::flush;
        progressShown_ = false;
    }
}
