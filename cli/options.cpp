#include "options.h"

#include "portability.h"

const char* const kUsage =
    "Usage: torvane-convert [--output-dir DIR] [--recursive] PATH...\n"
    "Converts DDS textures into level files (.lvl).\n"
    "\n"
    "  PATH              a texture, or a directory whose files matching \"*.dds*\"\n"
    "                    are converted in name order\n"
    "  -o, --output-dir DIR\n"
    "                    write the level files into DIR instead of beside each\n"
    "                    texture (created when missing)\n"
    "  -r, --recursive   also convert the textures in subdirectories; with\n"
    "                    --output-dir their folder tree is kept under DIR\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Exit status: 0 when every texture converted, 1 when any failed, 2 for a\n"
    "usage error.\n";

std::optional<Options> ParseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Options options;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            options.paths.push_back(Portability::PathFromUtf8(argument));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            options.showHelp = true;
        } else if (argument == "--version") {
            options.showVersion = true;
        } else if (argument == "-r" || argument == "--recursive") {
            options.recursive = true;
        } else if (argument == "-o" || argument == "--output-dir") {
            if (index + 1 == arguments.size()) {
                error = "option " + argument + " needs a directory";
                return std::nullopt;
            }
            options.outputDirectory = Portability::PathFromUtf8(arguments[++index]);
        } else if (argument.starts_with("--output-dir=")) {
            options.outputDirectory = Portability::PathFromUtf8(argument.substr(std::string("--output-dir=").size()));
        } else {
            error = "unknown option " + argument;
            return std::nullopt;
        }
        if (options.outputDirectory && options.outputDirectory->empty()) {
            error = "the output directory must not be empty";
            return std::nullopt;
        }
    }
    if (options.paths.empty() && !options.showHelp && !options.showVersion) {
        error = "no texture or directory given";
        return std::nullopt;
    }
    return options;
}
