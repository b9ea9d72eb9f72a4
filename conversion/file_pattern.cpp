#include "file_pattern.h"

#include <algorithm>
#include <filesystem>

namespace FilePattern {

namespace {

char FoldCase(char character)
{
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

// Bytes compare unsigned, as the tie-break below does: with plain char, names
// with non-ASCII letters would sort first on one platform and last on another.
bool FoldedLess(char left, char right)
{
    return static_cast<unsigned char>(FoldCase(left)) < static_cast<unsigned char>(FoldCase(right));
}

bool NameLess(const std::string& left, const std::string& right)
{
    if (std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), FoldedLess)) {
        return true;
    }
    if (std::lexicographical_compare(right.begin(), right.end(), left.begin(), left.end(), FoldedLess)) {
        return false;
    }
    return left < right;
}

template <typename Keep>
std::vector<std::string> ListEntries(const std::string& directory, Keep keep)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        std::string name = entry.path().filename().string();
        std::error_code ignored;  // an entry that vanishes while listed is left out
        if (!name.starts_with('.') && keep(entry, name, ignored)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

}  // namespace

bool Matches(std::string_view pattern, std::string_view name)
{
    // Greedy matching with one backtrack point: linear in practice, and no
    // recursion however many stars a pattern holds.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<std::string> ListMatchingFiles(const std::string& directory, std::string_view pattern)
{
    return ListEntries(directory, [pattern](const auto& entry, const std::string& name, std::error_code& error) {
        return entry.is_regular_file(error) && Matches(pattern, name);
    });
}

std::vector<std::string> ListSubdirectories(const std::string& directory)
{
    return ListEntries(directory, [](const auto& entry, const std::string&, std::error_code& error) {
        return entry.is_directory(error);
    });
}

}  // namespace FilePattern
