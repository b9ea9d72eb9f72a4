// The command-line viewer: shows what is inside DDS textures and level files.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/file_report.h"
#include "cli/level_previews.h"
#include "cli/report_output.h"
#include "conversion/path_text.h"

namespace {

const char* const kHelpText =
    "Usage: torvane-inspect [--json] FILE...\n"
    "       torvane-inspect --preview DIR [--format F] FILE...\n"
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
    "      --preview DIR write each level of a texture, a picture (as it would\n"
    "                    be converted) or a level file as DIR/NAME.level-N.png,\n"
    "                    decoded from the bytes the game reads; a short level\n"
    "                    shows a checkerboard where its data is missing\n"
    "      --format F    what a level file holds, which it does not record, and\n"
    "                    what pictures are encoded in: dxt1 (the default),\n"
    "                    r5g6b5, a1r5g5b5 or a4r4g4b4\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Exit status: 0 when every file is sound (with --preview: every level\n"
    "whole), 1 when any has a warning or an error, 2 for a usage error.\n";

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
    std::optional<std::filesystem::path> previewDirectory;
    Picture::TextureFormat format = Picture::TextureFormat::Dxt1;
    std::vector<std::filesystem::path> files;
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        const bool takesValue = argument == "--preview" || argument == "--format";
        if (!optionsEnded && takesValue && index + 1 == arguments.size()) {
            return UsageError("option " + argument + " needs a value");
        }
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            files.push_back(PathFromUtf8(argument));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == "--preview") {
            previewDirectory = PathFromUtf8(arguments[++index]);
        } else if (argument == "--format") {
            const auto named = Picture::ParseTextureFormat(arguments[++index]);
            if (!named) {
                return UsageError("option --format needs dxt1, r5g6b5, a1r5g5b5 or a4r4g4b4, not '" + arguments[index] + "'");
            }
            format = *named;
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

    if (previewDirectory) {
        bool allWhole = true;
        for (const std::filesystem::path& file : files) {
            allWhole = WriteLevelPreviews(file, *previewDirectory, format, std::cout, std::cerr) && allWhole;
        }
        return allWhole ? 0 : 1;
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
