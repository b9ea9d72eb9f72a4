#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The one-line file beside the executable that remembers the texture
// directory between runs.
namespace PreferenceFile {

inline constexpr std::string_view kFileName = "torvanepref.ini";
// Written when nothing usable is remembered; the window resolves it.
inline constexpr std::string_view kDefaultDirectory = "C:";

// The file's full name in `executableDirectory`.
std::filesystem::path PathIn(const std::filesystem::path& executableDirectory);

// The first field of the file's text: leading spaces skipped; a field that
// opens with a double quote runs to the next one, without the quotes; any
// other runs up to the first comma, CR or LF. The rest is ignored.
std::string ReadFirstField(std::string_view contents);

// The remembered directory, or nothing when the file is missing, cannot be
// read or holds no bytes.
std::optional<std::filesystem::path> ReadDirectory(const std::filesystem::path& file);

// Replaces the file with `directory` and CR LF; false when it cannot be
// written, in which case an earlier file is left as it was.
bool WriteDirectory(const std::filesystem::path& file, const std::filesystem::path& directory);

}  // namespace PreferenceFile
