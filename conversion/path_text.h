#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "conversion/file_layout.h"

// Paths as people see them and as the system keeps them. Everything names
// files with std::filesystem::path (UTF-16 on Windows, the bytes as they are
// on Linux) and shows them as UTF-8 or UTF-16 text through the conversions
// here, none of which throws.

// The path as UTF-8 text for messages: exact on Linux, and on Windows with an
// unpaired surrogate shown as U+FFFD.
std::string PathText(const std::filesystem::path& path);
// The path as UTF-16 text for the window; bytes on Linux that are not UTF-8
// are shown as U+FFFD.
std::u16string PathUtf16(const std::filesystem::path& path);
// Text typed, listed or given on a command line, as a path.
std::filesystem::path PathFromUtf8(std::string_view text);
std::filesystem::path PathFromUtf16(std::u16string_view text);

// Directory, separator, name: the separator is inserted even when the
// directory already ends in one (a root then gives a doubled separator).
// A bare drive ("D:") is the exception: it names that drive's current
// directory, which a separator would turn into the drive's root.
inline std::filesystem::path JoinPath(const std::filesystem::path& directory, const std::filesystem::path& name)
{
    std::filesystem::path::string_type text = directory.native();
    const bool bareDrive = directory.has_root_name() && text == directory.root_name().native() && text.ends_with(':');
    if (!bareDrive) {
        text += std::filesystem::path::preferred_separator;
    }
    text += name.native();
    return text;
}

// The file name without directory, cut before its first dot: "grass.final.dds"
// gives "grass", ".dds" gives "". The name starts after the last separator
// (on Windows "\" or "/") or after a drive ("D:grass.dds").
inline std::filesystem::path LevelBaseName(const std::filesystem::path& path)
{
    const std::filesystem::path::string_type name = path.filename().native();
    return name.substr(0, name.find('.'));
}

// Where the level file of `baseName` goes in `directory`: the base name with
// ".lvl", joined as JoinPath joins.
inline std::filesystem::path LevelFilePath(const std::filesystem::path& directory,
                                           const std::filesystem::path& baseName)
{
    std::filesystem::path fileName = baseName;
    fileName += FileLayout::kLevelFileExtension;
    return JoinPath(directory, fileName);
}
