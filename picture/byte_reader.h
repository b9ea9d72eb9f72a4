#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Little-endian fields of a file held in memory; the callers check the
// bounds before they read.
namespace Picture::Bytes {

inline std::uint16_t U16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

// A channel of `bits` bits (1 to 8) widened to 8 by repeating its bits, so
// that the largest value becomes 255.
constexpr std::uint8_t Widen(unsigned value, unsigned bits)
{
    unsigned wide = value << (8 - bits);
    for (unsigned filled = bits; filled < 8; filled += bits) {
        wide |= wide >> bits;
    }
    return static_cast<std::uint8_t>(wide);
}

}  // namespace Picture::Bytes
