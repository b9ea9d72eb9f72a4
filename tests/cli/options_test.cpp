#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/file_list.h"
#include "cli/options.h"
#include "conversion/path_text.h"

namespace {

using Paths = std::vector<std::filesystem::path>;

// What a parse gave, as one comparable line.
std::string Described(const Options& options)
{
    std::string text = "paths";
    for (const auto& path : options.paths) {
        text += " [" + path.string() + "]";
    }
    for (const auto& list : options.fileLists) {
        text += " list[" + list.string() + "]";
    }
    if (options.outputDirectory) {
        text += " out[" + options.outputDirectory->string() + "]";
    }
    text += " jobs=" + std::to_string(options.jobs);
    for (const auto& [flag, name] : {std::pair{options.recursive, "r"}, {options.update, "u"}, {options.dryRun, "n"},
                                     {options.quiet, "q"}, {options.watch, "watch"}, {options.showHelp, "help"},
                                     {options.showVersion, "version"}}) {
        if (flag) {
            text += std::string(" ") + name;
        }
    }
    return text;
}

std::string Parsed(const std::vector<std::string>& arguments)
{
    try {
        return Described(ParseOptions(arguments));
    } catch (const CommandLineError& error) {
        return std::string("error: ") + error.what();
    }
}

TEST(ParseOptions, EachFormOfAnOptionAndItsValue)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"a.dds"}, "paths [a.dds] jobs=0"},
        {{"-ru", "-nq", "a.dds"}, "paths [a.dds] jobs=0 r u n q"},
        {{"-j4", "-o", "out", "a"}, "paths [a] out[out] jobs=4"},
        {{"-rj", "2", "a"}, "paths [a] jobs=2 r"},
        {{"-oout", "a"}, "paths [a] out[out] jobs=0"},
        {{"--jobs=1024", "--output-dir", "o", "a"}, "paths [a] out[o] jobs=1024"},
        {{"--recursive", "--update", "--dry-run", "--quiet", "--watch", "a"}, "paths [a] jobs=0 r u n q watch"},
        {{"--file-list", "l.txt", "--file-list=-"}, "paths list[l.txt] list[-] jobs=0"},
        {{"-o", "a", "-o", "b", "x"}, "paths [x] out[b] jobs=0"},
        {{"-h"}, "paths jobs=0 help"},
        {{"--version"}, "paths jobs=0 version"},
        // Not options: "-" alone, a value that looks like one, and everything after "--".
        {{"-", "-o", "-r", "x"}, "paths [-] [x] out[-r] jobs=0"},
        {{"--", "-r", "--jobs=2", "--"}, "paths [-r] [--jobs=2] [--] jobs=0"},
        {{"-u", "--", "--help"}, "paths [--help] jobs=0 u"},
    };
    for (const auto& [arguments, expected] : cases) {
        EXPECT_EQ(Parsed(arguments), expected);
    }
}

TEST(ParseOptions, UsageErrorsNameWhatIsWrong)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no texture or directory given"},
        {{"-r", "--"}, "no texture or directory given"},
        {{"--bogus", "a.dds"}, "unknown option --bogus"},
        {{"--recursive-", "a.dds"}, "unknown option --recursive-"},
        {{"-rx", "a.dds"}, "unknown option -x"},
        {{"a.dds", "--output-dir"}, "option --output-dir needs a directory"},
        {{"a.dds", "--file-list"}, "option --file-list needs a file"},
        {{"--output-dir=", "a.dds"}, "the output directory must not be empty"},
        {{"--file-list=", "a.dds"}, "the file list must not be empty"},
        {{"-j0", "a.dds"}, "option --jobs needs a whole number from 1 to 1024, not '0'"},
        {{"--jobs=2x", "a.dds"}, "option --jobs needs a whole number from 1 to 1024, not '2x'"},
        {{"-j", "1025", "a.dds"}, "option --jobs needs a whole number from 1 to 1024, not '1025'"},
        {{"-j", "-1", "a.dds"}, "option --jobs needs a whole number from 1 to 1024, not '-1'"},
        {{"-uj"}, "option -j needs a number"},
        {{"--watch=yes", "a.dds"}, "option --watch takes no value"},
    };
    for (const auto& [arguments, reason] : cases) {
        EXPECT_EQ(Parsed(arguments), "error: " + reason);
    }
}

// The byte order mark a list saved on Windows starts with is the text's, not
// its first name's; further down one belongs to the name it starts, as a
// leading space does.
TEST(ParseFileList, OnlyTheMarkThatStartsTheListIsDropped)
{
    std::istringstream list("\xEF\xBB\xBF" "a.dds\r\n" "\xEF\xBB\xBF" "b.dds\r\n");
    EXPECT_EQ(ParseFileList(list), (Paths{"a.dds", PathFromUtf8("\xEF\xBB\xBF" "b.dds")}));
}

}  // namespace
