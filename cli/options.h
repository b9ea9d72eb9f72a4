#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line_error.h"
#include "picture/texture_format.h"

// What the command line asked for.
struct Options {
    std::vector<std::filesystem::path> paths;
    std::vector<std::filesystem::path> fileLists;  // "-" is stdin
    std::optional<std::filesystem::path> outputDirectory;
    bool recursive = false;
    bool update = false;
    unsigned jobs = 0;  // 0: one per core
    bool dryRun = false;
    bool quiet = false;
    bool watch = false;
    Picture::TextureFormat format = Picture::TextureFormat::Dxt1;  // what pictures are encoded in
    std::optional<std::filesystem::path> keepDdsDirectory;  // where the textures made from pictures go too
    bool reencode = false;  // encode textures the level file cannot carry as pictures are
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name, given as UTF-8 (or, on Linux,
// the bytes as they are). Short options may be bundled ("-ru") and take their
// value attached or as the next argument ("-j4", "-j 4"); long ones take it
// after "=" or as the next argument; "--" ends the options. Throws
// CommandLineError with a one-line reason for a usage error.
Options ParseOptions(const std::vector<std::string>& arguments);

extern const char* const kUsage;
