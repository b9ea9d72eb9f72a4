#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reads a level file back into its records, for tests to check against what
// the converter should have written.
struct LevelRecord {
    std::uint32_t levelLength = 0, index = 0, infoSize = 0, bodySize = 0;  // "LVL_", INFO's index and size, BODY's size
    std::vector<std::uint8_t> data;
};

// The hex text a conversion should hold for these bytes, written out digit by
// digit rather than through the converter's tables.
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

// The records in order, or nothing when the bytes are not a well-formed
// sequence of records. `sourceData` is how many pixel-data bytes the texture
// held: a record carries its "LVL_" length less 24 bytes of data, or what was
// left of the source when that ran out.
inline std::optional<std::vector<LevelRecord>> ReadLevelFile(const std::vector<std::uint8_t>& bytes,
                                                             std::size_t sourceData)
{
    std::vector<LevelRecord> records;
    for (std::size_t offset = 0; offset < bytes.size();) {
        const auto field = [&](std::size_t at) { return LittleEndianAt(bytes, offset + at); };
        if (bytes.size() - offset < 32 || !TagAt(bytes, offset, "LVL_") || !TagAt(bytes, offset + 8, "INFO") ||
            field(12) != 8 || !TagAt(bytes, offset + 24, "BODY") || field(4) < 24 ||
            bytes.size() - offset - 32 < std::min<std::size_t>(sourceData, field(4) - 24)) {
            return std::nullopt;
        }
        const std::size_t length = std::min<std::size_t>(sourceData, field(4) - 24);
        const auto data = bytes.begin() + static_cast<std::ptrdiff_t>(offset + 32);
        records.push_back({field(4), field(16), field(20), field(28), {data, data + static_cast<std::ptrdiff_t>(length)}});
        sourceData -= length;
        offset += 32 + length;
    }
    return records;
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
        chunk("LVL_", {stored + 24});
        chunk("INFO", {8, index, sizes[index]});
        chunk("BODY", {sizes[index]});
        const auto data = pixels.subspan(taken, std::min<std::size_t>(stored, pixels.size() - taken));
        file.append(data.begin(), data.end());
        taken += data.size();
    }
    return {file.begin(), file.end()};
}
