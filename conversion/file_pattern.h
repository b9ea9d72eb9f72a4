#pragma once

#include <string>
#include <string_view>
#include <vector>

// Wildcard file lists: '*' matches any run of characters, '?' any one
// character, and letters match regardless of case on every platform, so
// "*.dds*" takes a.dds, A.DDS, a.ddsx and a.dds.bak.
namespace FilePattern {

bool Matches(std::string_view pattern, std::string_view name);

// The names of the regular, non-hidden files in `directory` that match
// `pattern`, in name order (case-insensitive, ties by byte). Throws
// std::filesystem::filesystem_error when the directory cannot be listed.
std::vector<std::string> ListMatchingFiles(const std::string& directory, std::string_view pattern);

// The names of the non-hidden subdirectories of `directory`, in the same order.
std::vector<std::string> ListSubdirectories(const std::string& directory);

}  // namespace FilePattern
