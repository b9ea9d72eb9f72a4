#pragma once

#include <string>
#include <string_view>

// Paths are handled as plain text, joined with the platform's separator.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

// Directory, separator, name: the separator is inserted even when the
// directory already ends in one (a root then gives a doubled separator).
inline std::string JoinPath(std::string_view directory, std::string_view name)
{
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    path.append(directory);
    path += kPathSeparator;
    path.append(name);
    return path;
}

// The file name without directory, cut before its first dot: "grass.final.dds"
// gives "grass", ".dds" gives "".
inline std::string LevelBaseName(std::string_view path)
{
    const auto separator = path.find_last_of(kPathSeparators);
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    return std::string(name.substr(0, name.find('.')));
}
