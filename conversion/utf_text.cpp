#include "conversion/utf_text.h"

#include <cstdint>

namespace UtfText {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the sequence at `text[position]` and moves past it; an invalid or
// cut-off sequence yields U+FFFD and moves one byte on.
char32_t DecodeUtf8(std::string_view text, std::size_t& position)
{
    const auto byte = [&](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byte(position);
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, smallest = 0x10000;
    }
    if (length == 0 || text.size() - position < length) {
        ++position;
        return kReplacement;
    }
    for (std::size_t index = 1; index < length; ++index) {
        const unsigned char next = byte(position + index);
        if ((next & 0xC0) != 0x80) {
            ++position;
            return kReplacement;
        }
        code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++position;
        return kReplacement;
    }
    position += length;
    return code;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) {
        const char32_t code = DecodeUtf8(text, position);
        if (code >= 0x10000) {
            result += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            result += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            result += static_cast<char16_t>(code);
        }
    }
    return result;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t position = 0; position < text.size(); ++position) {
        char32_t code = text[position];
        if (code >= 0xD800 && code <= 0xDBFF && position + 1 < text.size() && text[position + 1] >= 0xDC00 &&
            text[position + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++position] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;  // a surrogate without its partner
        }
        if (code < 0x80) {
            result += static_cast<char>(code);
        } else if (code < 0x800) {
            result += static_cast<char>(0xC0 | code >> 6);
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            result += static_cast<char>(0xE0 | code >> 12);
            result += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | code >> 18);
            result += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            result += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return result;
}

bool IsMultibyteUtf8(std::string_view text)
{
    bool multibyte = false;
    for (std::size_t position = 0; position < text.size();) {
        const std::size_t start = position;
        // A genuine U+FFFD is three bytes long; an invalid byte yields it for one.
        if (DecodeUtf8(text, position) == kReplacement && position - start == 1) {
            return false;
        }
        multibyte = multibyte || position - start > 1;
    }
    return multibyte;
}

}  // namespace UtfText
