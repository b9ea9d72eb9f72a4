#include "cli/conversion_jobs.h"

#include <filesystem>
#include <set>

#include "conversion/file_pattern.h"
#include "conversion/path_text.h"

namespace fs = std::filesystem;

ConversionJob::ConversionJob(fs::path sourcePath, fs::path outputDirectoryPath)
    : source(std::move(sourcePath)), outputDirectory(std::move(outputDirectoryPath))
{
    levelFile = LevelFilePath(outputDirectory, LevelBaseName(source));
}

namespace {

class JobCollector {
public:
    explicit JobCollector(const Options& options) : options_(options) {}

    void AddPath(const fs::path& argument)
    {
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            AddDirectory(argument, options_.outputDirectory.value_or(argument));
            return;
        }
        // Anything else is handed to the converter, which names what is wrong with it.
        const fs::path outputDirectory = options_.outputDirectory.value_or(argument.parent_path());
        list_.jobs.emplace_back(argument, outputDirectory.empty() ? fs::path(".") : outputDirectory);
    }

    JobList Take() { return std::move(list_); }

private:
    void AddDirectory(const fs::path& directory, const fs::path& outputDirectory)
    {
        list_.directories.push_back(directory);
        try {
            // A link back up the tree would otherwise be walked without end.
            if (!visited_.insert(fs::canonical(directory)).second) {
                return;
            }
            for (const fs::path& name : FilePattern::ListMatchingFiles(directory, FilePattern::kTextures)) {
                list_.jobs.emplace_back(directory / name, outputDirectory);
            }
            if (options_.recursive) {
                for (const fs::path& name : FilePattern::ListSubdirectories(directory)) {
                    AddDirectory(directory / name, outputDirectory / name);
                }
            }
        } catch (const fs::filesystem_error& failure) {
            list_.failures.push_back(PathText(directory) + ": " + failure.code().message());
        }
    }

    const Options& options_;
    JobList list_;
    std::set<fs::path> visited_;
};

}  // namespace

JobList CollectJobs(const std::vector<fs::path>& paths, const Options& options)
{
    JobCollector collector(options);
    for (const fs::path& path : paths) {
        collector.AddPath(path);
    }
    return collector.Take();
}
