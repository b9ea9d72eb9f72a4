#include "cli/batch_run.h"

#include <atomic>
#include <chrono>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "cli/batch_console.h"
#include "cli/console_host.h"
#include "cli/interrupts.h"
#include "conversion/conversion_error.h"
#include "conversion/import_file.h"
#include "conversion/path_text.h"
#include "conversion/replacement_file.h"
#include "cli/picture_source.h"
#include "picture/image.h"

namespace fs = std::filesystem;

namespace {

// One texture of a batch, with the refusal that stops it before it is read.
struct PlannedJob {
    const ConversionJob& job;
    std::optional<std::string> refusal;
};

// Whether the level file exists and is not older than its texture.
bool IsUpToDate(const ConversionJob& job)
{
    std::error_code error;
    const fs::file_time_type levelTime = fs::last_write_time(job.levelFile, error);
    if (error) {
        return false;
    }
    const fs::file_time_type sourceTime = fs::last_write_time(job.source, error);
    return !error && levelTime >= sourceTime;
}

std::string LevelFileName(const ConversionJob& job)
{
    return PathText(job.levelFile.filename());
}

// The notices of one texture's conversion, as lines for stderr.
void AddNotices(const ConversionJob& job, const std::vector<std::string>& notices, std::vector<std::string>& lines)
{
    for (const std::string& notice : notices) {
        lines.push_back(PathText(job.source) + ": " + notice);
    }
}

// Writes the texture made from a picture where --keep-dds asked, whole or
// not at all. A source is never replaced by what was made of it.
void KeepTexture(const ConversionJob& job, const std::vector<std::uint8_t>& texture, std::vector<std::string>& notices)
{
    std::error_code error;
    if (fs::equivalent(job.source, *job.keptDds, error)) {
        throw ConversionError("would overwrite itself with the texture to keep, " + PathText(*job.keptDds));
    }
    std::error_code ignored;  // a folder that cannot be made is reported by the write
    fs::create_directories(job.keptDds->parent_path().empty() ? fs::path(".") : job.keptDds->parent_path(), ignored);
    ReplacementFile file(*job.keptDds, error);
    for (const fs::path& leftover : file.RemovedLeftovers()) {
        notices.push_back("removed " + PathText(leftover) + ", left behind by an earlier write of " +
                          PathText(*job.keptDds) + " that did not finish");
    }
    if (!error) {
        file.Write(texture.data(), texture.size(), error);
    }
    if (!error) {
        file.Commit(error);
    }
    if (error) {
        throw ConversionError("Cannot write " + PathText(*job.keptDds) + ": " + error.message());
    }
}

// Frees what a conversion held once it is done, before its reservation is
// given back: a worker's state would otherwise keep its last texture.
struct StateRelease {
    ImportFile::ConversionState& state;
    ~StateRelease() { state = ImportFile::ConversionState(); }
};

JobOutcome Carry(const PlannedJob& planned, const Options& options, std::size_t index, ConsoleHost& host,
                 ImportFile::ConversionState& state, unsigned threads, MemoryBudget& budget)
{
    const ConversionJob& job = planned.job;
    if (planned.refusal) {
        return {JobOutcome::Kind::Failed, *planned.refusal};
    }
    if (options.update && IsUpToDate(job)) {
        return {JobOutcome::Kind::UpToDate, LevelFileName(job) + " is up to date."};
    }
    if (options.dryRun) {
        return {JobOutcome::Kind::Planned, PathText(job.source) + ": would write " +
                                               PathText(job.levelFile.lexically_normal())};
    }
    // A file that cannot be read needs nothing: its conversion says why.
    const MemoryBudget::Reservation reservation = budget.Reserve(ImportFile::MemoryNeeded(job.source).value_or(0));
    const StateRelease release{state};
    if (InterruptRequested()) {
        return {JobOutcome::Kind::Interrupted, {}};
    }
    host.Begin(index, job.outputDirectory);
    std::string failure;
    PreparedSource prepared;
    std::vector<std::string> notices;
    try {
        ImportFile::LoadSource(job.source, state);
        prepared = PrepareSource(job.source, state.sourceBytes, options, threads);
        if (prepared.madeTexture) {
            state.sourceBytes.assign(prepared.madeTexture->begin(), prepared.madeTexture->end());
            if (job.keptDds) {
                KeepTexture(job, *prepared.madeTexture, notices);
            }
        }
        ImportFile::ImportLoadedTexture(job.source, host, state);
    } catch (const ConversionError& error) {
        failure = error.what();
    } catch (const Picture::PictureError& error) {
        failure = error.what();
    } catch (const std::bad_alloc&) {  // a picture's pixels, say
        failure = "Not enough memory to convert " + PathText(job.source);
    } catch (const ConversionCancelled&) {
        return {JobOutcome::Kind::Interrupted, {}};
    }
    notices.insert(notices.end(), host.Notices().begin(), host.Notices().end());
    AddNotices(job, notices, prepared.warnings);
    if (failure.empty() && host.Refusal()) {
        failure = *host.Refusal();
    }
    if (!failure.empty()) {
        return {JobOutcome::Kind::Failed, PathText(job.source) + ": " + failure, std::move(prepared.warnings)};
    }
    return {JobOutcome::Kind::Converted, *host.Status(), std::move(prepared.warnings)};
}

}  // namespace

BatchRun::BatchRun(const Options& options, bool showProgress)
    : options_(options),
      showProgress_(showProgress),
      workers_(options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency())),
      budget_(MemoryBudget::ShareOfThisMachine())
{
}

bool BatchRun::Convert(const JobList& list)
{
    const auto start = std::chrono::steady_clock::now();

    // Every refusal is settled before anything is read, so that which
    // texture keeps a level file never depends on how the workers run.
    claims_.BeginBatch();
    keptClaims_.BeginBatch();
    std::vector<PlannedJob> batch;
    std::vector<fs::path> sources;
    for (const ConversionJob& job : list.jobs) {
        std::string refusal;
        OutputClaims::Verdict verdict = claims_.Claim(job, refusal);
        if (verdict == OutputClaims::Verdict::Claimed && job.keptDds) {
            // The texture kept from a picture is an output too.
            ConversionJob kept = job;
            kept.levelFile = *job.keptDds;
            verdict = keptClaims_.Claim(kept, refusal);
        }
        switch (verdict) {
        case OutputClaims::Verdict::Claimed: batch.push_back({job, std::nullopt}); break;
        case OutputClaims::Verdict::Taken: batch.push_back({job, std::move(refusal)}); break;
        case OutputClaims::Verdict::Repeated: continue;
        }
        sources.push_back(job.source);
    }

    BatchConsole console(std::move(sources), options_.quiet, showProgress_);
    for (const std::string& failure : list.failures) {
        console.ReportFailure(failure);
    }

    // The cores the workers leave idle share out the blocks of each picture.
    const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(workers_, batch.size()));
    const unsigned encodeThreads =
        std::max(1u, static_cast<unsigned>(std::max(1u, std::thread::hardware_concurrency()) / workers));
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        ConsoleHost host(console);
        ImportFile::ConversionState state;  // each worker's own: conversions side by side share nothing
        for (std::size_t index; !InterruptRequested() && (index = next++) < batch.size();) {
            console.Finish(index, Carry(batch[index], options_, index, host, state, encodeThreads, budget_));
        }
    };
    {
        // The calling thread is one of the workers; the others end with this
        // block. A system that refuses more threads gets the batch done by fewer.
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t helper = 1; helper < std::min<std::size_t>(workers_, batch.size()); ++helper) {
                helpers.emplace_back(work);
            }
        } catch (const std::system_error&) {
        }
        work();
    }

    if (!InterruptRequested() && !options_.dryRun) {
        console.PrintSummary(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return console.AllSucceeded();
}
