#include "cli/file_list.h"

#include <iostream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "cli/command_line_error.h"
#include "conversion/native_file.h"
#include "conversion/path_text.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::vector<std::filesystem::path> ParseFileList(std::istream& text)
{
    std::vector<std::filesystem::path> paths;
    std::string line;
    for (bool first = true; std::getline(text, line); first = false) {
        // Lists saved on Windows may start with a byte order mark and end their lines in CR LF.
        if (first && line.starts_with(kByteOrderMark)) {
            line.erase(0, kByteOrderMark.size());
        }
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        // Spaces are kept: a name may begin or end with one.
        if (!line.empty() && !line.starts_with('#')) {
            paths.push_back(PathFromUtf8(line));
        }
    }
    return paths;
}

std::vector<std::filesystem::path> ReadFileList(const std::filesystem::path& path)
{
    if (path == "-") {
        return ParseFileList(std::cin);
    }
    std::error_code reason;
    std::string text;
    ReadWholeFile(path, text, reason);
    if (reason) {
        throw CommandLineError("cannot read the file list " + PathText(path) + ": " + reason.message());
    }
    std::istringstream stream(std::move(text));
    return ParseFileList(stream);
}
