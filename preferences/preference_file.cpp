#include "preferences/preference_file.h"

#include "conversion/native_file.h"
#include "conversion/path_text.h"
#include "conversion/replacement_file.h"
#include "preferences/preference_line.h"

namespace fs = std::filesystem;

namespace PreferenceFile {

namespace {

// Room for the longest path a system allows (32,767 UTF-16 units on Windows,
// as UTF-8) on the first line; whatever follows it is ignored anyway.
constexpr std::size_t kLongestFirstLine = 1 << 17;

}  // namespace

fs::path PathIn(const fs::path& executableDirectory)
{
    return JoinPath(executableDirectory, fs::path(kFileName));
}

std::string ReadFirstField(std::string_view contents)
{
    const std::size_t start = contents.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return {};
    }
    contents.remove_prefix(start);
    if (contents.starts_with('"')) {
        // An unclosed quote ends with its line.
        contents.remove_prefix(1);
        return std::string(contents.substr(0, contents.find_first_of("\"\r\n")));
    }
    return std::string(contents.substr(0, contents.find_first_of(",\r\n")));
}

std::optional<fs::path> ReadDirectory(const fs::path& file)
{
    std::error_code error;
    std::string contents;
    ReadWholeFile(file, contents, error, kLongestFirstLine);
    if (error || contents.empty()) {
        return std::nullopt;  // missing, unreadable (a directory of that name, say) or empty
    }
    return PreferenceLine::ToPath(ReadFirstField(contents));
}

bool WriteDirectory(const fs::path& file, const fs::path& directory)
{
    const std::string line = PreferenceLine::FromPath(directory) + "\r\n";
    std::error_code error;
    ReplacementFile output(file, error);
    output.Write(line.data(), line.size(), error);
    output.Commit(error);
    return !error;
}

std::optional<fs::path> ReadRemembered(const Places& places)
{
    std::error_code noFile;
    if (!places.executableDirectory.empty() &&
        (places.userDirectory.empty() || fs::is_regular_file(PathIn(places.executableDirectory), noFile))) {
        return ReadDirectory(PathIn(places.executableDirectory));
    }
    if (places.userDirectory.empty()) {
        return std::nullopt;
    }
    return ReadDirectory(PathIn(places.userDirectory));
}

bool Remember(const Places& places, const fs::path& directory)
{
    if (!places.executableDirectory.empty() && WriteDirectory(PathIn(places.executableDirectory), directory)) {
        return true;
    }
    if (places.userDirectory.empty()) {
        return false;
    }
    std::error_code cannotCreate;
    fs::create_directories(places.userDirectory, cannotCreate);
    return !cannotCreate && WriteDirectory(PathIn(places.userDirectory), directory);
}

}  // namespace PreferenceFile
