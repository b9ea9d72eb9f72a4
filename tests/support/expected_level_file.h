#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "conversion/file_layout.h"

// What tests expect of a conversion, worked out on their own rather than
// through the converter's tables: its tags and offsets are the format's,
// its arithmetic is the test's own.

// The hex text a conversion should hold for these bytes, written out digit by
// digit.
inline std::string UpperHex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += {"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 0xF]};
    }
    return text;
}

inline std::uint32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | std::uint32_t{bytes[offset + 3]} << 24;
}

inline bool TagAt(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::string_view tag)
{
    return std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

// The level file a texture with `pixels` should make for levels of these
// sizes, built byte by byte: per level a record of "LVL_" with the stored
// length plus 24 (a size below 8 stores 4 bytes), "INFO" with its length 8,
// the index and the size, "BODY" with the size, then the level's data, as
// much of it as the pixels still hold.
inline std::vector<std::uint8_t> ExpectedLevelFile(std::span<const std::uint8_t> pixels,
                                                   const std::vector<std::uint32_t>& sizes)
{
    std::string file;
    // A tag and its fields, little-endian.
    const auto chunk = [&file](std::string_view tag, std::initializer_list<std::uint32_t> fields) {
        file += tag;
        for (const std::uint32_t field : fields) {
            for (int shift = 0; shift < 32; shift += 8) {
                file += static_cast<char>(field >> shift);
            }
        }
    };
    std::size_t taken = 0;
    for (std::uint32_t index = 0; index < sizes.size(); ++index) {
        const std::uint32_t stored = sizes[index] < 8 ? 4 : sizes[index];
        chunk(FileLayout::kLevelTag, {stored + 24});
        chunk(FileLayout::kInfoTag, {8, index, sizes[index]});
        chunk(FileLayout::kBodyTag, {sizes[index]});
        const auto data = pixels.subspan(taken, std::min<std::size_t>(stored, pixels.size() - taken));
        file.append(data.begin(), data.end());
        taken += data.size();
    }
    return {file.begin(), file.end()};
}
