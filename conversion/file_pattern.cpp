#include "conversion/file_pattern.h"

#include <algorithm>
#include <type_traits>

#include "conversion/native_file.h"

namespace fs = std::filesystem;

namespace FilePattern {

namespace {

using Unit = fs::path::value_type;
using Text = fs::path::string_type;

// Patterns are ASCII, so folding ASCII letters is all matching needs.
Unit FoldCase(Unit character)
{
    return character >= 'A' && character <= 'Z' ? static_cast<Unit>(character - 'A' + 'a') : character;
}

// Code units compare unsigned, as the tie-break below does: with plain char,
// names with non-ASCII letters would sort first on one platform and last on
// another.
bool FoldedLess(Unit left, Unit right)
{
    using Unsigned = std::make_unsigned_t<Unit>;
    return static_cast<Unsigned>(FoldCase(left)) < static_cast<Unsigned>(FoldCase(right));
}

bool NameLess(const fs::path& left, const fs::path& right)
{
    const Text& a = left.native();
    const Text& b = right.native();
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), FoldedLess)) {
        return true;
    }
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), FoldedLess)) {
        return false;
    }
    return a < b;
}

template <typename Keep>
std::vector<fs::path> ListEntries(const fs::path& directory, Keep keep)
{
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        std::error_code ignored;  // an entry that vanishes while listed is left out
        if (!IsHidden(entry) && keep(entry, ignored)) {
            names.push_back(entry.path().filename());
        }
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

}  // namespace

bool Matches(std::string_view pattern, const fs::path& path)
{
    // Greedy matching with one backtrack point: linear in practice, and no
    // recursion however many stars a pattern holds.
    const Text& name = path.native();
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || FoldCase(static_cast<Unit>(pattern[p])) == FoldCase(name[n]))) {
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

std::vector<fs::path> ListMatchingFiles(const fs::path& directory, std::string_view pattern)
{
    return ListEntries(directory, [pattern](const fs::directory_entry& entry, std::error_code& error) {
        return entry.is_regular_file(error) && Matches(pattern, entry.path().filename());
    });
}

std::vector<fs::path> ListSubdirectories(const fs::path& directory)
{
    return ListEntries(directory, [](const fs::directory_entry& entry, std::error_code& error) {
        return entry.is_directory(error);
    });
}

}  // namespace FilePattern
