#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/options.h"

// One texture to convert and where its level file goes.
struct ConversionJob {
    ConversionJob(std::filesystem::path source, std::filesystem::path outputDirectory);

    std::filesystem::path source;
    std::filesystem::path outputDirectory;
    std::filesystem::path levelFile;  // as the converter forms it from the two
};

struct JobList {
    std::vector<ConversionJob> jobs;
    // Paths that could not be listed, each as "PATH: reason".
    std::vector<std::string> failures;
    // The directories listed, so that a watcher can tell when to list again.
    std::vector<std::filesystem::path> directories;
};

// Expands `paths` into jobs, in the order given; the files of a directory in
// name order, each subdirectory after the files around it.
JobList CollectJobs(const std::vector<std::filesystem::path>& paths, const Options& options);
