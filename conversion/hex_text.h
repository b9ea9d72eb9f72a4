#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Hex text: each byte as two upper-case hexadecimal digits, high nibble first,
// no separators.
namespace HexDigits {

// Writes the 2 × `count` digits of `bytes` at `text`.
void EncodeBytes(const std::uint8_t* bytes, std::size_t count, char* text);

// Reads `count` bytes from the 2 × `count` characters at `text`. Lower-case
// digits read like upper-case ones; any other character reads as 0.
void DecodeBytes(const char* text, std::size_t count, std::uint8_t* bytes);

// Writes the eight digits of `value` in file byte order, lowest byte first
// (8 becomes "08000000"), at `text`; returns the position after them.
char* WriteLittleEndian(std::uint32_t value, char* text);

// Reads eight digits in file byte order back into a value. The text must hold
// at least `position + 8` characters of upper-case hex.
std::uint32_t ReadLittleEndian(std::string_view text, std::size_t position);

// Reads the two digits at `position` as one byte.
std::uint8_t ReadByte(std::string_view text, std::size_t position);

// The hex text of a four-character tag ("DDS " gives "44445320"), made at
// compile time so that a tag is written once, as its characters.
constexpr std::array<char, 8> TagHex(std::string_view tag)
{
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::array<char, 8> hex{};
    for (std::size_t index = 0; index < 4; ++index) {
        const auto byte = static_cast<unsigned char>(tag[index]);
        hex[2 * index] = kDigits[byte >> 4];
        hex[2 * index + 1] = kDigits[byte & 0xF];
    }
    return hex;
}

}  // namespace HexDigits

// n / d rounded to the nearest integer, ties to the even neighbour
// (0.5 gives 0, 1.5 gives 2, 2.5 gives 2).
constexpr std::uint64_t DivideRoundHalfEven(std::uint64_t n, std::uint64_t d)
{
    const std::uint64_t quotient = n / d;
    const std::uint64_t twiceRemainder = 2 * (n % d);
    if (twiceRemainder > d || (twiceRemainder == d && quotient % 2 == 1)) {
        return quotient + 1;
    }
    return quotient;
}
