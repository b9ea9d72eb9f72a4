#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Whether `text` is exactly one JSON value (RFC 8259) with only white space
// around it, its strings valid UTF-8. A checker of its own, so that a fault in
// the tools' writer cannot hide in the reader that checks it.
class JsonCheck {
public:
    static bool Valid(std::string_view text)
    {
        JsonCheck check(text);
        check.Space();
        if (!check.Value(0)) {
            return false;
        }
        check.Space();
        return check.at_ == text.size();
    }

private:
    explicit JsonCheck(std::string_view text) : text_(text) {}

    bool More() const { return at_ < text_.size(); }
    char Peek() const { return More() ? text_[at_] : '\0'; }
    bool Take(char wanted)
    {
        if (Peek() != wanted || !More()) {
            return false;
        }
        ++at_;
        return true;
    }
    bool TakeWord(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }
    void Space()
    {
        while (More() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
            ++at_;
        }
    }
    static bool Digit(char c) { return c >= '0' && c <= '9'; }
    static bool HexDigit(char c) { return Digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

    bool Value(int depth)
    {
        if (depth > 64) {
            return false;
        }
        switch (Peek()) {
        case '{': return Object(depth);
        case '[': return Array(depth);
        case '"': return String();
        case 't': return TakeWord("true");
        case 'f': return TakeWord("false");
        case 'n': return TakeWord("null");
        default: return Number();
        }
    }

    bool Object(int depth)
    {
        Take('{');
        Space();
        if (Take('}')) {
            return true;
        }
        do {
            Space();
            if (!String()) {
                return false;
            }
            Space();
            if (!Take(':')) {
                return false;
            }
            Space();
            if (!Value(depth + 1)) {
                return false;
            }
            Space();
        } while (Take(','));
        return Take('}');
    }

    bool Array(int depth)
    {
        Take('[');
        Space();
        if (Take(']')) {
            return true;
        }
        do {
            Space();
            if (!Value(depth + 1)) {
                return false;
            }
            Space();
        } while (Take(','));
        return Take(']');
    }

    bool Number()
    {
        Take('-');
        if (Take('0')) {
        } else if (Digit(Peek())) {
            while (Digit(Peek())) {
                ++at_;
            }
        } else {
            return false;
        }
        if (Take('.')) {
            if (!Digit(Peek())) {
                return false;
            }
            while (Digit(Peek())) {
                ++at_;
            }
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (!Take('+')) {
                Take('-');
            }
            if (!Digit(Peek())) {
                return false;
            }
            while (Digit(Peek())) {
                ++at_;
            }
        }
        return true;
    }

    bool String()
    {
        if (!Take('"')) {
            return false;
        }
        while (More()) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c == '\\') {
                ++at_;
                const char escaped = Peek();
                if (escaped == 'u') {
                    for (int digit = 1; digit <= 4; ++digit) {
                        if (at_ + digit >= text_.size() || !HexDigit(text_[at_ + digit])) {
                            return false;
                        }
                    }
                    at_ += 5;
                } else if (std::string_view("\"\\/bfnrt").find(escaped) != std::string_view::npos && More()) {
                    ++at_;
                } else {
                    return false;
                }
                continue;
            }
            if (!Utf8Character()) {
                return false;
            }
        }
        return false;
    }

    // One character of UTF-8, shortest form, no surrogates, at most U+10FFFF.
    bool Utf8Character()
    {
        const auto lead = static_cast<unsigned char>(text_[at_]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                  : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || at_ + length > text_.size()) {
            return false;
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t index = 1; index < length; ++index) {
            const auto next = static_cast<unsigned char>(text_[at_ + index]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            return false;
        }
        at_ += length;
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};
