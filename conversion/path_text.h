#pragma once

#include <filesystem>

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
