#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

// Wildcard file lists: '*' matches any run of characters, '?' any one
// character, and letters match regardless of case on every platform, so
// "*.dds*" takes a.dds, A.DDS, a.ddsx and a.dds.bak.
namespace FilePattern {

// What the lists offer: every name whose extension begins with ".dds", and
// with ".lvl".
inline constexpr std::string_view kTextures = "*.dds*";
inline constexpr std::string_view kLevelFiles = "*.lvl*";

bool Matches(std::string_view pattern, const std::filesystem::path& name);

// The names of the regular files in `directory` that match `pattern`, without
// the ones the system hides, in name order (case-insensitive, ties by code
// unit). Throws std::filesystem::filesystem_error when the directory cannot
// be listed.
std::vector<std::filesystem::path> ListMatchingFiles(const std::filesystem::path& directory, std::string_view pattern);

// The names of the subdirectories of `directory` that the system does not
// hide, in the same order.
std::vector<std::filesystem::path> ListSubdirectories(const std::filesystem::path& directory);

}  // namespace FilePattern
