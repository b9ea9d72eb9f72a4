// Parses the input as an argument vector (arguments end at NUL bytes). Every
// vector gives options or a usage error with its reason, nothing else. Options are
// then written back out in one of the forms the parser takes (long or short,
// values attached or following, short flags bundled), chosen by the input's
// last byte, and must parse again to the same options.

#include <string>
#include <vector>

#include "cli/options.h"
#include "conversion/path_text.h"
#include "require.h"

namespace {

bool Same(const Options& a, const Options& b)
{
    return a.paths == b.paths && a.fileLists == b.fileLists && a.outputDirectory == b.outputDirectory &&
           a.recursive == b.recursive && a.update == b.update && a.jobs == b.jobs && a.dryRun == b.dryRun &&
           a.quiet == b.quiet && a.watch == b.watch && a.format == b.format &&
           a.keepDdsDirectory == b.keepDdsDirectory && a.reencode == b.reencode && a.showHelp == b.showHelp &&
           a.showVersion == b.showVersion;
}

// The options as arguments: `shortForms` uses the letters where there are
// some, `attached` puts each value in its option's argument.
std::vector<std::string> WrittenOut(const Options& options, bool shortForms, bool attached)
{
    std::vector<std::string> arguments;
    const auto valued = [&](char letter, const std::string& name, const std::string& value) {
        const std::string option = shortForms && letter != '\0' ? std::string{'-', letter} : "--" + name;
        if (attached) {
            arguments.push_back(option + (option.size() == 2 ? "" : "=") + value);
        } else {
            arguments.insert(arguments.end(), {option, value});
        }
    };
    std::string letters = "-";
    const auto flag = [&](bool set, char letter, const std::string& name) {
        if (set && shortForms && letter != '\0') {
            letters += letter;
        } else if (set) {
            arguments.push_back("--" + name);
        }
    };
    flag(options.recursive, 'r', "recursive");
    flag(options.update, 'u', "update");
    flag(options.dryRun, 'n', "dry-run");
    flag(options.quiet, 'q', "quiet");
    flag(options.watch, '\0', "watch");
    flag(options.reencode, '\0', "reencode");
    flag(options.showHelp, 'h', "help");
    flag(options.showVersion, '\0', "version");
    if (letters.size() > 1) {
        arguments.push_back(letters);
    }
    if (options.outputDirectory) {
        valued('o', "output-dir", PathText(*options.outputDirectory));
    }
    for (const auto& list : options.fileLists) {
        valued('\0', "file-list", PathText(list));
    }
    if (options.jobs != 0) {
        valued('j', "jobs", std::to_string(options.jobs));
    }
    valued('\0', "format", std::string(Picture::FormatName(options.format)));
    if (options.keepDdsDirectory) {
        valued('\0', "keep-dds", PathText(*options.keepDdsDirectory));
    }
    arguments.push_back("--");
    for (const auto& path : options.paths) {
        arguments.push_back(PathText(path));
    }
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start <= text.size() && arguments.size() < 64;) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    Options options;
    try {
        options = ParseOptions(arguments);
    } catch (const CommandLineError& error) {
        const std::string reason = error.what();
        Require(!reason.empty(), "a usage error gives its reason");
        return 0;
    }
    const std::uint8_t form = size > 0 ? data[size - 1] : 0;
    const std::vector<std::string> again = WrittenOut(options, form & 1, form & 2);
    try {
        Require(Same(ParseOptions(again), options), "options written out parse again the same");
    } catch (const CommandLineError& error) {
        Require(false, (std::string("options written out are refused: ") + error.what()).c_str());
    }
    return 0;
}
