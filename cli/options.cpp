#include "options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "portability.h"

const char* const kUsage =
    "Usage: torvane-convert [OPTION]... PATH...\n"
    "Converts DDS textures into level files (.lvl).\n"
    "\n"
    "  PATH              a texture, or a directory whose files matching \"*.dds*\"\n"
    "                    are converted in name order\n"
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

struct OptionSpec {
    char shortName;  // '\0' for a long option only
    std::string_view longName;
    std::string_view valueName;  // empty for an option without a value
};

constexpr std::array kOptionSpecs{
    OptionSpec{'o', "output-dir", "a directory"},
    OptionSpec{'r', "recursive", ""},
    OptionSpec{'\0', "file-list", "a file"},
    OptionSpec{'u', "update", ""},
    OptionSpec{'j', "jobs", "a number"},
    OptionSpec{'n', "dry-run", ""},
    OptionSpec{'q', "quiet", ""},
    OptionSpec{'\0', "watch", ""},
    OptionSpec{'h', "help", ""},
    OptionSpec{'\0', "version", ""},
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

// Stores one option; returns false with `error` set when its value is wrong.
bool Apply(Options& options, const OptionSpec& spec, const std::string& value, std::string& error)
{
    const std::string_view name = spec.longName;
    if (name == "output-dir") {
        if (value.empty()) {
            error = "the output directory must not be empty";
            return false;
        }
        options.outputDirectory = Portability::PathFromUtf8(value);
    } else if (name == "file-list") {
        if (value.empty()) {
            error = "the file list must not be empty";
            return false;
        }
        options.fileLists.push_back(Portability::PathFromUtf8(value));
    } else if (name == "jobs") {
        const auto jobs = ParseJobCount(value);
        if (!jobs) {
            error = "option --jobs needs a whole number from 1 to " + std::to_string(kMostJobs) + ", not '" +
                    value + "'";
            return false;
        }
        options.jobs = *jobs;
    } else {
        bool& flag = name == "recursive" ? options.recursive
                     : name == "update"  ? options.update
                     : name == "dry-run" ? options.dryRun
                     : name == "quiet"   ? options.quiet
                     : name == "watch"   ? options.watch
                     : name == "help"    ? options.showHelp
                                         : options.showVersion;
        flag = true;
    }
    return true;
}

const OptionSpec* FindLong(std::string_view name)
{
    const auto spec = std::find_if(kOptionSpecs.begin(), kOptionSpecs.end(),
                                   [name](const OptionSpec& candidate) { return candidate.longName == name; });
    return spec == kOptionSpecs.end() ? nullptr : &*spec;
}

const OptionSpec* FindShort(char name)
{
    const auto spec = std::find_if(kOptionSpecs.begin(), kOptionSpecs.end(),
                                   [name](const OptionSpec& candidate) { return candidate.shortName == name; });
    return spec == kOptionSpecs.end() ? nullptr : &*spec;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Options options;
    bool optionsEnded = false;
    // The value of an option that takes one: the rest of its argument, or the next argument.
    const auto takeValue = [&](const OptionSpec& spec, std::size_t& index, std::optional<std::string> attached,
                               const std::string& shownAs) -> std::optional<std::string> {
        if (attached) {
            return attached;
        }
        if (index + 1 == arguments.size()) {
            error = "option " + shownAs + " needs " + std::string(spec.valueName);
            return std::nullopt;
        }
        return arguments[++index];
    };

    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            options.paths.push_back(Portability::PathFromUtf8(argument));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument.starts_with("--")) {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionSpec* spec = FindLong(name);
            if (spec == nullptr) {
                error = "unknown option --" + name;
                return std::nullopt;
            }
            std::optional<std::string> value;
            if (equals != std::string::npos) {
                if (spec->valueName.empty()) {
                    error = "option --" + name + " takes no value";
                    return std::nullopt;
                }
                value = argument.substr(equals + 1);
            }
            if (!spec->valueName.empty() && !(value = takeValue(*spec, index, value, "--" + name))) {
                return std::nullopt;
            }
            if (!Apply(options, *spec, value.value_or(""), error)) {
                return std::nullopt;
            }
        } else {
            for (std::size_t position = 1; position < argument.size(); ++position) {
                const OptionSpec* spec = FindShort(argument[position]);
                if (spec == nullptr) {
                    error = "unknown option " + std::string{'-', argument[position]};
                    return std::nullopt;
                }
                std::optional<std::string> value;
                if (!spec->valueName.empty()) {
                    std::optional<std::string> attached;
                    if (position + 1 < argument.size()) {
                        attached = argument.substr(position + 1);
                    }
                    value = takeValue(*spec, index, attached, std::string{'-', spec->shortName});
                    if (!value) {
                        return std::nullopt;
                    }
                    position = argument.size();
                }
                if (!Apply(options, *spec, value.value_or(""), error)) {
                    return std::nullopt;
                }
            }
        }
    }
    if (options.paths.empty() && options.fileLists.empty() && !options.showHelp && !options.showVersion) {
        error = "no texture or directory given";
        return std::nullopt;
    }
    return options;
}
