#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "options.h"

// One texture to convert and where its level file goes.
struct ConversionJob {
    std::filesystem::path source;
    std::filesystem::path outputDirectory;
};

struct JobList {
    std::vector<ConversionJob> jobs;
    // Paths that could not be listed, each as "PATH: reason".
    std::vector<std::string> failures;
};

// Expands the command line's paths into jobs, in the order given; the files
// of a directory in name order, each subdirectory after the files around it.
JobList CollectJobs(const Options& options);
