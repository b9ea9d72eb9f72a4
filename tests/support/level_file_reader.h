#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reads a level file back into its records, for tests to check against what
// the converter should have written.
struct LevelRecord {
    std::uint32_t levelLength = 0;  // the "LVL_" chunk's length field
    std::uint32_t index = 0;
    std::uint32_t infoSize = 0;
    std::uint32_t bodySize = 0;
    std::vector<std::uint8_t> data;
};

inline std::uint32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline bool TagAt(const std::vector<std::uint8_t>& bytes, std::size_t offset, const char* tag)
{
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset) + 4) == tag;
}

// The records in order, or nothing when the bytes are not a well-formed
// sequence of records. `sourceData` is how many pixel-data bytes the texture
// held: a record carries its "LVL_" length less 24 bytes of data, or what was
// left of the source when that ran out.
inline std::optional<std::vector<LevelRecord>> ReadLevelFile(const std::vector<std::uint8_t>& bytes,
                                                             std::size_t sourceData)
{
    std::vector<LevelRecord> records;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < 32 || !TagAt(bytes, offset, "LVL_") || !TagAt(bytes, offset + 8, "INFO") ||
            LittleEndianAt(bytes, offset + 12) != 8 || !TagAt(bytes, offset + 24, "BODY")) {
            return std::nullopt;
        }
        LevelRecord record;
        record.levelLength = LittleEndianAt(bytes, offset + 4);
        record.index = LittleEndianAt(bytes, offset + 16);
        record.infoSize = LittleEndianAt(bytes, offset + 20);
        record.bodySize = LittleEndianAt(bytes, offset + 28);
        if (record.levelLength < 24) {
            return std::nullopt;
        }
        const std::size_t dataStart = offset + 32;
        const std::size_t dataLength = std::min<std::size_t>(sourceData, record.levelLength - 24);
        if (bytes.size() - dataStart < dataLength) {
            return std::nullopt;
        }
        sourceData -= dataLength;
        const std::size_t dataEnd = dataStart + dataLength;
        record.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataStart),
                           bytes.begin() + static_cast<std::ptrdiff_t>(dataEnd));
        records.push_back(std::move(record));
        offset = dataEnd;
    }
    return records;
}
