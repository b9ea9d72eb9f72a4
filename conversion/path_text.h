#pragma once

#include <algorithm>
#include <filesystem>

// Paths are joined and cut on their native text; on Windows both separators
// count, elsewhere only "/".
inline bool IsPathSeparator(std::filesystem::path::value_type character)
{
    return character == '/' || character == std::filesystem::path::preferred_separator;
}

// Directory, separator, name: the separator is inserted even when the
// directory already ends in one (a root then gives a doubled separator).
inline std::filesystem::path JoinPath(const std::filesystem::path& directory, const std::filesystem::path& name)
{
    std::filesystem::path::string_type text = directory.native();
    text += std::filesystem::path::preferred_separator;
    text += name.native();
    return text;
}

// The file name without directory, cut before its first dot: "grass.final.dds"
// gives "grass", ".dds" gives "".
inline std::filesystem::path LevelBaseName(const std::filesystem::path& path)
{
    const auto& text = path.native();
    const auto nameStart = std::find_if(text.rbegin(), text.rend(), IsPathSeparator).base();
    return std::filesystem::path::string_type(nameStart, std::find(nameStart, text.end(), '.'));
}
