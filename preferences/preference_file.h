#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The one-line file that remembers the texture directory between runs.
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

// Where the file may live. A portable copy keeps it beside its executable; a
// copy installed where its user cannot write (/usr/bin, Program Files) keeps
// it in the user's configuration folder instead.
// Either may be empty: an installed copy never writes beside its executable,
// and a user may have no configuration folder.
struct Places {
    std::filesystem::path executableDirectory;
    std::filesystem::path userDirectory;
};

// The remembered directory, read from the file beside the executable when
// there is one there, else from the user's.
std::optional<std::filesystem::path> ReadRemembered(const Places& places);

// Stores `directory` beside the executable, or, when that folder cannot be
// written, in the user's folder, which is created when missing. False when
// neither could be written.
bool Remember(const Places& places, const std::filesystem::path& directory);

}  // namespace PreferenceFile
