#include "preference_file.h"

#include <fstream>
#include <iterator>

#include "conversion_error.h"
#include "path_text.h"
#include "replacement_file.h"

namespace PreferenceFile {

std::string PathIn(const std::string& executableDirectory)
{
    return JoinPath(executableDirectory, kFileName);
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

std::optional<std::string> ReadDirectory(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string contents;
    try {
        contents.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt;  // a read error, such as a directory of that name
    }
    if (file.bad() || contents.empty()) {
        return std::nullopt;
    }
    return ReadFirstField(contents);
}

bool WriteDirectory(const std::string& path, std::string_view directory)
{
    const std::string line = std::string(directory) + "\r\n";
    try {
        ReplacementFile file(path);
        file.Write(line.data(), line.size());
        file.Commit();
        return true;
    } catch (const ConversionError&) {
        return false;
    }
}

}  // namespace PreferenceFile
