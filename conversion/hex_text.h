#pragma once

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
