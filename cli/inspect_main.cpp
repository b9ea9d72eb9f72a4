// The command-line viewer: shows what is inside DDS textures and level files.

#include <iostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/file_report.h"
#include "cli/report_output.h"
#include "conversion/path_text.h"

namespace {

const char* const kHelpText =
    "Usage: torvane-inspect [--json] FILE...\n"
    "Shows what is inside DDS textures and level files (.lvl), and what is\n"
    "wrong with them. Nothing is written.\n"
    "\n"
    "  For a texture: its size, mipmap count and FourCC, the rule that sizes\n"
    "  its levels, the records a conversion would write, and warnings for\n"
    "  data shorter than the levels claim, data left over, more levels than\n"
    "  the size allows and sizes the conversion refuses.\n"
    "  For a level file: each record, checked for its tags, its size fields\n"
    "  and the file ending right after the last one.\n"
    "\n"
    "      --json        print the same facts as one JSON document\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Exit status: 0 when every file is sound, 1 when any has a warning or an\n"
    "error, 2 for a usage error.\n";

int UsageError(const std::string& reason)
{
    std::cerr << "torvane-inspect: " << reason << "\n"
              << "Try 'torvane-inspect --help' for more information.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    UseUtf8Console();
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::filesystem::path> files;
    for (const std::string& argument : Utf8Arguments(argc, argv)) {
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            files.push_back(PathFromUtf8(argument));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == "-h" || argument == "--help") {
            std::cout << kHelpText;
            return 0;
        } else if (argument == "--version") {
            std::cout << "torvane-inspect " TORVANE_VERSION "\n";
            return 0;
        } else {
            return UsageError("unknown option " + argument);
        }
    }
    if (files.empty()) {
        return UsageError("no file given");
    }

    std::vector<FileReport> reports;
    bool allSound = true;
    for (const std::filesystem::path& file : files) {
        reports.push_back(ExamineFile(file));
        allSound = allSound && reports.back().Sound();
    }
    if (json) {
        WriteReportsAsJson(reports, std::cout);
    } else {
        WriteReportsAsText(reports, std::cout);
    }
    return allSound ? 0 : 1;
}
