#include "hex_text.h"

#include <array>

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Two digits per byte value, so encoding is one table copy per byte.
constexpr std::array<char, 512> MakeByteTable()
{
    std::array<char, 512> table{};
    for (int value = 0; value < 256; ++value) {
        table[2 * value] = kDigits[value >> 4];
        table[2 * value + 1] = kDigits[value & 0xF];
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> MakeNibbleTable()
{
    std::array<std::uint8_t, 256> table{};
    for (int digit = 0; digit < 16; ++digit) {
        table[static_cast<unsigned char>(kDigits[digit])] = static_cast<std::uint8_t>(digit);
        table[static_cast<unsigned char>("0123456789abcdef"[digit])] = static_cast<std::uint8_t>(digit);
    }
    return table;
}

constexpr auto kByteTable = MakeByteTable();
constexpr auto kNibbleTable = MakeNibbleTable();

}  // namespace

namespace HexDigits {

void FormatByte(std::uint8_t byte, char* out)
{
    out[0] = kByteTable[2 * byte];
    out[1] = kByteTable[2 * byte + 1];
}

void AppendLittleEndian(std::string& text, std::uint32_t value)
{
    char digits[8];
    for (int byte = 0; byte < 4; ++byte) {
        FormatByte(static_cast<std::uint8_t>(value >> (8 * byte)), digits + 2 * byte);
    }
    text.append(digits, sizeof digits);
}

std::uint8_t ReadByte(std::string_view text, std::size_t position)
{
    return static_cast<std::uint8_t>(kNibbleTable[static_cast<unsigned char>(text[position])] << 4 |
                                     kNibbleTable[static_cast<unsigned char>(text[position + 1])]);
}

std::uint32_t ReadLittleEndian(std::string_view text, std::size_t position)
{
    std::uint32_t value = 0;
    for (int byte = 3; byte >= 0; --byte) {
        value = value << 8 | ReadByte(text, position + 2 * static_cast<std::size_t>(byte));
    }
    return value;
}

}  // namespace HexDigits
