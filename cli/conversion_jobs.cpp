#include "cli/conversion_jobs.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <set>

#include "conversion/file_pattern.h"
#include "conversion/path_text.h"

namespace fs = std::filesystem;

ConversionJob::ConversionJob(fs::path sourcePath, fs::path outputDirectoryPath, std::optional<fs::path> keepDdsDirectory)
    : source(std::move(sourcePath)), outputDirectory(std::move(outputDirectoryPath))
{
    levelFile = LevelFilePath(outputDirectory, LevelBaseName(source));
    if (keepDdsDirectory) {
        fs::path name = LevelBaseName(source);
        name += ".dds";
        keptDds = JoinPath(*keepDdsDirectory, name);
    }
}

namespace {

// What a directory offers besides its textures: the pictures that become
// level files, by the extensions they are saved with.
constexpr std::array<std::string_view, 5> kPictures{"*.png", "*.tga", "*.bmp", "*.jpg", "*.jpeg"};

bool Convertible(const fs::path& name)
{
    return FilePattern::Matches(FilePattern::kTextures, name) ||
           std::ranges::any_of(kPictures, [&](std::string_view pattern) { return FilePattern::Matches(pattern, name); });
}

class JobCollector {
public:
    explicit JobCollector(const Options& options) : options_(options) {}

    void AddPath(const fs::path& argument)
    {
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            AddDirectory(argument, options_.outputDirectory.value_or(argument), options_.keepDdsDirectory);
            return;
        }
        // Anything else is handed to the converter, which names what is wrong with it.
        const fs::path outputDirectory = options_.outputDirectory.value_or(argument.parent_path());
        list_.jobs.emplace_back(argument, outputDirectory.empty() ? fs::path(".") : outputDirectory,
                                options_.keepDdsDirectory);
    }

    JobList Take() { return std::move(list_); }

private:
    // With --recursive the kept textures keep the folder tree, as the level files do under -o.
    void AddDirectory(const fs::path& directory, const fs::path& outputDirectory, const std::optional<fs::path>& keepDirectory)
    {
        list_.directories.push_back(directory);
        try {
            // A link back up the tree would otherwise be walked without end.
            if (!visited_.insert(fs::canonical(directory)).second) {
                return;
            }
            for (const fs::path& name : FilePattern::ListMatchingFiles(directory, "*")) {
                if (Convertible(name)) {
                    list_.jobs.emplace_back(directory / name, outputDirectory, keepDirectory);
                }
            }
            if (options_.recursive) {
                for (const fs::path& name : FilePattern::ListSubdirectories(directory)) {
                    AddDirectory(directory / name, outputDirectory / name,
                                 keepDirectory ? std::optional(*keepDirectory / name) : std::nullopt);
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
