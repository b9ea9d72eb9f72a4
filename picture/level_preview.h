#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "picture/dds_format.h"
#include "picture/image.h"

// What the game will see of a level file: each record's data decoded as a
// level of the texture's format, at the size that level has.
namespace Picture {

// One record of a level file: its index and size fields and the data it
// carries, which may be less than its size says.
struct LevelRecordData {
    std::uint32_t index = 0;
    std::uint32_t sizeField = 0;
    std::span<const std::uint8_t> data;
};

// The records of a level file, read as far as they hold together. A record
// whose data runs short (the file ends, or the next record starts early)
// carries what there is.
std::vector<LevelRecordData> ReadLevelRecords(std::span<const std::uint8_t> levelFile);

struct PreviewLevel {
    Image image;
    std::uint64_t needed = 0;   // bytes the level takes in its format
    std::uint64_t present = 0;  // bytes its record carries
};

// Each record decoded as level `index` of a `width` x `height` texture in
// `format`; pixels the record has no data for are shown as a grey and
// magenta checkerboard, so that a short level stands out.
std::vector<PreviewLevel> PreviewLevels(const std::vector<LevelRecordData>& records, const DdsFormat& format,
                                        std::uint32_t width, std::uint32_t height);

// The size of a level file's texture, which the file does not record: from
// its first level's size in `format`, square where that can be, else twice
// as wide as high.
std::pair<std::uint32_t, std::uint32_t> GuessLevelFileSize(const DdsFormat& format, std::uint32_t firstSize);

}  // namespace Picture
