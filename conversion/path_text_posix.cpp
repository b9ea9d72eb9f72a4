#include "conversion/path_text.h"

#include "conversion/utf_text.h"

namespace fs = std::filesystem;

std::string PathText(const fs::path& path)
{
    return path.native();
}

std::u16string PathUtf16(const fs::path& path)
{
    return UtfText::Utf8ToUtf16(path.native());
}

fs::path PathFromUtf8(std::string_view text)
{
    return fs::path(std::string(text));
}

fs::path PathFromUtf16(std::u16string_view text)
{
    return fs::path(UtfText::Utf16ToUtf8(text));
}
