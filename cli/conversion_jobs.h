#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"

// One texture or picture to convert and where its level file goes.
struct ConversionJob {
    ConversionJob(std::filesystem::path source, std::filesystem::path outputDirectory,
                  std::optional<std::filesystem::path> keepDdsDirectory = std::nullopt);

    std::filesystem::path source;
    std::filesystem::path outputDirectory;
    std::filesystem::path levelFile;  // as the converter forms it from the two
    // Where the DDS texture made from a picture is kept too, when asked.
    std::optional<std::filesystem::path> keptDds;
};

struct JobList {
    std::vector<ConversionJob> jobs;
    // Paths that could not be listed, each as "PATH: reason".
    std::vector<std::string> failures;
    // The directories listed, so that a watcher can tell when to list again.
    std::vector<std::filesystem::path> directories;
};

// Expands `paths` into jobs, in the order given; the textures and pictures
// of a directory in name order, each subdirectory after the files around it.
JobList CollectJobs(const std::vector<std::filesystem::path>& paths, const Options& options);
