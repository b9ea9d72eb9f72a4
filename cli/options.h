#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asked for.
struct Options {
    std::vector<std::string> paths;
    std::optional<std::string> outputDirectory;
    bool recursive = false;
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name. Returns the options, or
// nothing with `error` set to a one-line reason for a usage error.
std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error);

extern const char* const kUsage;
