#include "cli/options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "conversion/path_text.h"

const char* const kUsage =
    "Usage: torvane-convert [OPTION]... PATH...\n"
    "Converts DDS textures into level files (.lvl).\n"
    "\n"
    "  PATH              a texture or a picture (PNG, JPEG, TGA, BMP), or a\n"
    "                    directory whose textures (\"*.dds*\") and pictures are\n"
    "                    converted in name order\n"
    "  -o, --output-dir DIR\n"
    "                    write the level files into DIR instead of beside each\n"
    "                    texture (created when missing)\n"
    "  -r, --recursive   also convert the textures in subdirectories; with\n"
    "                    --output-dir their folder tree is kept under DIR\n"
    "      --file-list FILE\n"
    "                    also convert the paths listed in FILE, one a line\n"
    "                    (\"-\" reads stdin); blank lines and lines starting\n"
    "                    with \"#\" are skipped, relative paths are taken from\n"
    "                    the working directory\n"
    "  -u, --update      convert a texture only when its level file is missing\n"
    "                    or older than the texture\n"
    "  -j, --jobs N      convert N textures at once (default: one per core)\n"
    "  -n, --dry-run     print what would be written, and what would be refused,\n"
    "                    without reading a texture or writing anything\n"
    "  -q, --quiet       print only failures\n"
    "      --watch       after converting, keep watching the PATHs and convert\n"
    "                    again each texture that changes or appears, once it\n"
    "                    has been left alone for half a second; Ctrl+C ends it\n"
    "      --format F    encode pictures as dxt1 (the default), r5g6b5, a1r5g5b5\n"
    "                    or a4r4g4b4\n"
    "      --keep-dds DIR\n"
    "                    also write the DDS texture made from each picture into\n"
    "                    DIR (created when missing)\n"
    "      --reencode    decode the textures the level file cannot carry (DXT5,\n"
    "                    BC7, 32-bit, ...) and encode them as pictures are; without\n"
    "                    it they are converted as they are, with a warning\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Within one run the first texture that maps to a level file writes it; any\n"
    "later one is refused (\"would overwrite\") and nothing of it is read. A\n"
    "level file from an earlier run is replaced.\n"
    "\n"
    "Exit status: 0 when every texture converted or was up to date, 1 when any\n"
    "failed or was refused, 2 for a usage error or an unreadable file list.\n"
    "Ctrl+C lets a level file being written finish, or leaves the earlier one,\n"
    "and ends the program as interrupted.\n";

namespace {

struct KnownOption {
    char shortName;  // '\0' for a long option only
    std::string_view longName;
    std::string_view valueName;  // empty for an option without a value
};

constexpr std::array kKnownOptions{
    KnownOption{'o', "output-dir", "a directory"},
    KnownOption{'r', "recursive", ""},
    KnownOption{'\0', "file-list", "a file"},
    KnownOption{'u', "update", ""},
    KnownOption{'j', "jobs", "a number"},
    KnownOption{'n', "dry-run", ""},
    KnownOption{'q', "quiet", ""},
    KnownOption{'\0', "watch", ""},
    KnownOption{'\0', "format", "a pixel format"},
    KnownOption{'\0', "keep-dds", "a directory"},
    KnownOption{'\0', "reencode", ""},
    KnownOption{'h', "help", ""},
    KnownOption{'\0', "version", ""},
};

constexpr unsigned kMostJobs = 1024;

std::optional<unsigned> ParseJobCount(std::string_view text)
{
    unsigned count = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (failure != std::errc() || end != text.data() + text.size() || count == 0 || count > kMostJobs) {
        return std::nullopt;
    }
    return count;
}

// Stores one option; throws CommandLineError when its value is wrong.
void Apply(Options& options, const KnownOption& known, const std::string& value)
{
    const std::string_view name = known.longName;
    if (name == "output-dir") {
        if (value.empty()) {
            throw CommandLineError("the output directory must not be empty");
        }
        options.outputDirectory = PathFromUtf8(value);
    } else if (name == "file-list") {
        if (value.empty()) {
            throw CommandLineError("the file list must not be empty");
        }
        options.fileLists.push_back(PathFromUtf8(value));
    } else if (name == "jobs") {
        const auto jobs = ParseJobCount(value);
        if (!jobs) {
            throw CommandLineError("option --jobs needs a whole number from 1 to " + std::to_string(kMostJobs) +
                                   ", not '" + value + "'");
        }
        options.jobs = *jobs;
    } else if (name == "format") {
        const auto format = Picture::ParseTextureFormat(value);
        if (!format) {
            throw CommandLineError("option --format needs dxt1, r5g6b5, a1r5g5b5 or a4r4g4b4, not '" + value + "'");
        }
        options.format = *format;
    } else if (name == "keep-dds") {
        if (value.empty()) {
            throw CommandLineError("the directory for kept textures must not be empty");
        }
        options.keepDdsDirectory = PathFromUtf8(value);
    } else {
        bool& flag = name == "recursive" ? options.recursive
                     : name == "reencode" ? options.reencode
                     : name == "update"  ? options.update
                     : name == "dry-run" ? options.dryRun
                     : name == "quiet"   ? options.quiet
                     : name == "watch"   ? options.watch
                     : name == "help"    ? options.showHelp
                                         : options.showVersion;
        flag = true;
    }
}

// The option whose long name is `name`, or whose short name is `letter`.
const KnownOption* FindOption(std::string_view name, char letter = '\0')
{
    const auto known = std::find_if(kKnownOptions.begin(), kKnownOptions.end(), [&](const KnownOption& candidate) {
        return letter == '\0' ? candidate.longName == name : candidate.shortName == letter;
    });
    return known == kKnownOptions.end() ? nullptr : &*known;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& arguments)
{
    // An option as typed: "--name[=value]", or one letter of "-abc" with what
    // follows it as its value when it takes one.
    struct Named {
        const KnownOption* known;
        std::string shownAs;
        std::optional<std::string> value;
    };

    Options options;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            options.paths.push_back(PathFromUtf8(argument));
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::vector<Named> named;
        if (argument.starts_with("--")) {
            const std::size_t equals = argument.find('=');
            const std::string shownAs = argument.substr(0, equals);
            named.push_back({FindOption(std::string_view(shownAs).substr(2)), shownAs,
                             equals == std::string::npos ? std::nullopt : std::optional(argument.substr(equals + 1))});
        } else {
            for (std::size_t position = 1; position < argument.size(); ++position) {
                const KnownOption* known = FindOption({}, argument[position]);
                const bool takesRest = known != nullptr && !known->valueName.empty() && position + 1 < argument.size();
                named.push_back({known, std::string{'-', argument[position]},
                                 takesRest ? std::optional(argument.substr(position + 1)) : std::nullopt});
                if (takesRest) {
                    break;
                }
            }
        }
        for (Named& option : named) {
            if (option.known == nullptr) {
                throw CommandLineError("unknown option " + option.shownAs);
            }
            if (option.known->valueName.empty() && option.value) {
                throw CommandLineError("option " + option.shownAs + " takes no value");
            }
            if (!option.known->valueName.empty() && !option.value) {
                if (index + 1 == arguments.size()) {
                    throw CommandLineError("option " + option.shownAs + " needs " +
                                           std::string(option.known->valueName));
                }
                option.value = arguments[++index];
            }
            Apply(options, *option.known, option.value.value_or(""));
        }
    }
    if (options.paths.empty() && options.fileLists.empty() && !options.showHelp && !options.showVersion) {
        throw CommandLineError("no texture or directory given");
    }
    return options;
}
