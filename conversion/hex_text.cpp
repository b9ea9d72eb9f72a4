#include "conversion/hex_text.h"

#include <array>
#include <cstring>

// SSE2 is part of every x86-64 processor. Elsewhere the tables below do all
// the work.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TORVANE_HEX_SSE2 1
#endif

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

void FormatByte(std::uint8_t byte, char* text)
{
    std::memcpy(text, &kByteTable[2 * std::size_t{byte}], 2);
}

#ifdef TORVANE_HEX_SSE2

// Sixteen nibbles (0 to 15) as their digits: '0' + n, and 7 more from 'A' on.
__m128i NibbleDigits(__m128i nibbles)
{
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '0' - 10));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
}

// 16 bytes into 32 digits.
void EncodeBlock(const std::uint8_t* bytes, char* text)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i lowNibble = _mm_set1_epi8(0x0F);
    const __m128i high = NibbleDigits(_mm_and_si128(_mm_srli_epi16(block, 4), lowNibble));
    const __m128i low = NibbleDigits(_mm_and_si128(block, lowNibble));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(text), _mm_unpacklo_epi8(high, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(text + 16), _mm_unpackhi_epi8(high, low));
}

// Whether each byte lies between 0 and `highest`, compared unsigned.
__m128i AtMost(__m128i values, char highest)
{
    return _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(highest)), values);
}

// 16 characters into their nibble values, as the nibble table reads them.
__m128i DigitValues(__m128i characters)
{
    const __m128i decimal = _mm_sub_epi8(characters, _mm_set1_epi8('0'));
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(characters, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    return _mm_or_si128(_mm_and_si128(decimal, AtMost(decimal, 9)),
                        _mm_and_si128(_mm_add_epi8(letter, _mm_set1_epi8(10)), AtMost(letter, 5)));
}

// 16 digits into 8 bytes, one in the low half of each 16-bit lane.
__m128i PairValues(const char* text)
{
    const __m128i values = DigitValues(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text)));
    return _mm_and_si128(_mm_or_si128(_mm_slli_epi16(values, 4), _mm_srli_epi16(values, 8)), _mm_set1_epi16(0xFF));
}

// 32 digits into 16 bytes.
void DecodeBlock(const char* text, std::uint8_t* bytes)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), _mm_packus_epi16(PairValues(text), PairValues(text + 16)));
}

constexpr std::size_t kBlockBytes = 16;

#endif

}  // namespace

namespace HexDigits {

void EncodeBytes(const std::uint8_t* bytes, std::size_t count, char* text)
{
    std::size_t index = 0;
#ifdef TORVANE_HEX_SSE2
    for (; index + kBlockBytes <= count; index += kBlockBytes) {
        EncodeBlock(bytes + index, text + 2 * index);
    }
#endif
    for (; index < count; ++index) {
        FormatByte(bytes[index], text + 2 * index);
    }
}

void DecodeBytes(const char* text, std::size_t count, std::uint8_t* bytes)
{
    std::size_t index = 0;
#ifdef TORVANE_HEX_SSE2
    for (; index + kBlockBytes <= count; index += kBlockBytes) {
        DecodeBlock(text + 2 * index, bytes + index);
    }
#endif
    for (; index < count; ++index) {
        bytes[index] = ReadByte(std::string_view(text + 2 * index, 2), 0);
    }
}

char* WriteLittleEndian(std::uint32_t value, char* text)
{
    for (int byte = 0; byte < 4; ++byte, text += 2) {
        FormatByte(static_cast<std::uint8_t>(value >> (8 * byte)), text);
    }
    return text;
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
