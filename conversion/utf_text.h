#pragma once

#include <string>
#include <string_view>

// Lenient conversions between UTF-8 and UTF-16. File names need not be valid
// in either form (bytes on Linux, unpaired surrogates on Windows), so nothing
// here throws: whatever cannot be converted becomes U+FFFD.
namespace UtfText {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Whether `text` is valid UTF-8 that holds at least one byte above 0x7F, so
// that it cannot be plain 7-bit text.
bool IsMultibyteUtf8(std::string_view text);

}  // namespace UtfText
