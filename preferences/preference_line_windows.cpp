#include "preferences/preference_line.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "conversion/path_text.h"
#include "conversion/utf_text.h"

namespace PreferenceLine {

std::string FromPath(const std::filesystem::path& path)
{
    const std::wstring& wide = path.native();
    if (wide.empty()) {
        return {};
    }
    const int wideLength = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                           nullptr, &lossy);
    std::string line(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, line.data(), length, nullptr, &lossy);
    // A name the code page cannot hold exactly is kept whole, as UTF-8.
    if (lossy || length == 0 || ToPath(line).native() != wide) {
        return PathText(path);
    }
    return line;
}

std::filesystem::path ToPath(std::string_view line)
{
    if (UtfText::IsMultibyteUtf8(line)) {
        return PathFromUtf8(line);
    }
    if (line.empty()) {
        return {};
    }
    const int lineLength = static_cast<int>(line.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), lineLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, line.data(), lineLength, wide.data(), length);
    return wide;
}

}  // namespace PreferenceLine
