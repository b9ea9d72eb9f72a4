#include "conversion/path_text.h"

#include "conversion/utf_text.h"

namespace fs = std::filesystem;

namespace {

// wchar_t is UTF-16 on Windows.
std::u16string_view Utf16View(const std::wstring& text)
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

std::wstring WideText(std::u16string_view text)
{
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

}  // namespace

std::string PathText(const fs::path& path)
{
    return UtfText::Utf16ToUtf8(Utf16View(path.native()));
}

std::u16string PathUtf16(const fs::path& path)
{
    return std::u16string(Utf16View(path.native()));
}

fs::path PathFromUtf8(std::string_view text)
{
    return WideText(UtfText::Utf8ToUtf16(text));
}

fs::path PathFromUtf16(std::u16string_view text)
{
    return WideText(text);
}
