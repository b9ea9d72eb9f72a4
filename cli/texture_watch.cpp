#include "cli/texture_watch.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

#include "cli/interrupts.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// How often the textures are looked at while nothing changes; once one has
// changed, looks come at the settling interval, which is also how long it
// must then stay as it is before it is converted. A texture saved is thus
// converted at most 1.5 s after its last write.
constexpr auto kIdleLookInterval = std::chrono::milliseconds(1000);
constexpr auto kSettlingInterval = std::chrono::milliseconds(500);
// How soon Ctrl+C is noticed while nothing changes.
constexpr auto kInterruptCheck = std::chrono::milliseconds(100);
// Every tenth look lists the folders even when their times say nothing changed.
constexpr unsigned kLooksBetweenListings = 10;

}  // namespace

TextureWatch::TextureWatch(std::vector<fs::path> paths, const Options& options)
    : paths_(std::move(paths)), options_(options)
{
}

void TextureWatch::Start(JobList list)
{
    for (const ConversionJob& job : list.jobs) {
        if (const auto stamp = StampOf(job.source)) {
            converted_.insert_or_assign(job.source.native(), *stamp);
        }
    }
    reportedFailures_.insert(list.failures.begin(), list.failures.end());
    Keep(std::move(list));
}

void TextureWatch::Run(BatchRun& run)
{
    auto nextLook = Clock::now() + kSettlingInterval;
    while (!InterruptRequested()) {
        const auto now = Clock::now();
        if (now < nextLook) {
            std::this_thread::sleep_for(std::min<Clock::duration>(kInterruptCheck, nextLook - now));
            continue;
        }
        const JobList changed = Look();
        if (!changed.jobs.empty() || !changed.failures.empty()) {
            run.Convert(changed);
        }
        nextLook = Clock::now() + (settling_.empty() ? kIdleLookInterval : kSettlingInterval);
    }
}

FileStamp TextureWatch::FolderStamp(const fs::path& folder)
{
    return StampOf(folder).value_or(FileStamp{});  // a folder gone counts as changed
}

void TextureWatch::Keep(JobList listing)
{
    listing_ = std::move(listing);
    looksSinceListing_ = 0;
    folderStamps_.clear();
    for (const fs::path& folder : listing_.directories) {
        folderStamps_.insert_or_assign(folder.native(), FolderStamp(folder));
    }
}

void TextureWatch::Relist()
{
    bool folderChanged = ++looksSinceListing_ >= kLooksBetweenListings;
    for (auto folder = listing_.directories.begin(); !folderChanged && folder != listing_.directories.end(); ++folder) {
        folderChanged = folderStamps_.at(folder->native()) != FolderStamp(*folder);
    }
    if (folderChanged) {
        Keep(CollectJobs(paths_, options_));
    }
}

JobList TextureWatch::Look()
{
    Relist();
    JobList ready;

    // A folder that cannot be listed is reported once, and again only after it could be.
    const std::set<std::string> failures(listing_.failures.begin(), listing_.failures.end());
    std::set_difference(failures.begin(), failures.end(), reportedFailures_.begin(), reportedFailures_.end(),
                        std::back_inserter(ready.failures));
    reportedFailures_ = failures;

    Stamps present;
    Stamps settling;
    for (const ConversionJob& job : listing_.jobs) {
        const fs::path::string_type& source = job.source.native();
        const auto stamp = StampOf(job.source);
        if (!stamp || !present.emplace(source, *stamp).second) {
            continue;
        }
        const auto converted = converted_.find(source);
        if (converted != converted_.end() && converted->second == *stamp) {
            continue;
        }
        const auto seenBefore = settling_.find(source);
        if (seenBefore != settling_.end() && seenBefore->second == *stamp) {
            converted_.insert_or_assign(source, *stamp);
            ready.jobs.push_back(job);
        } else {
            settling.emplace(source, *stamp);
        }
    }
    settling_ = std::move(settling);
    // A texture that went away is converted again when it comes back.
    std::erase_if(converted_, [&present](const auto& entry) { return !present.contains(entry.first); });
    return ready;
}
