#include "cli/comparable_path.h"

#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

std::filesystem::path ComparablePath(const std::filesystem::path& path)
{
    // The invariant locale's upper case, as the file system's own table folds names.
    const std::wstring& text = path.native();
    std::wstring upper(text.size(), L'\0');
    if (!text.empty() && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                                      upper.data(), static_cast<int>(upper.size())) == 0) {
        return path;
    }
    return upper;
}
