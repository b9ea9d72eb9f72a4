#include "picture/level_preview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "conversion/file_layout.h"
#include "picture/block_decode.h"
#include "picture/byte_reader.h"

namespace Picture {

namespace {

bool TagAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view tag)
{
    return bytes.size() >= offset + 4 && std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool RecordStartsAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return bytes.size() - offset >= FileLayout::kRecordHeaderBytes && TagAt(bytes, offset, "LVL_") &&
           TagAt(bytes, offset + 8, "INFO") && TagAt(bytes, offset + 24, "BODY");
}

}  // namespace

std::vector<LevelRecordData> ReadLevelRecords(std::span<const std::uint8_t> levelFile)
{
    std::vector<LevelRecordData> records;
    for (std::size_t offset = 0; offset < levelFile.size() && RecordStartsAt(levelFile, offset);) {
        const std::uint32_t length = Bytes::U32(levelFile, offset + 4);
        const std::size_t dataStart = offset + FileLayout::kRecordHeaderBytes;
        const std::size_t claimed = length < FileLayout::kLevelLengthOverhead ? 0 : length - FileLayout::kLevelLengthOverhead;
        std::size_t dataEnd = dataStart + std::min(claimed, levelFile.size() - dataStart);
        // A texture that held too little data gives a short record followed
        // at once by the next one.
        for (std::size_t next = dataStart; next < dataEnd; ++next) {
            if (levelFile[next] == 'L' && RecordStartsAt(levelFile, next) &&
                Bytes::U32(levelFile, next + 16) == Bytes::U32(levelFile, offset + 16) + 1) {
                dataEnd = next;
                break;
            }
        }
        records.push_back({Bytes::U32(levelFile, offset + 16), Bytes::U32(levelFile, offset + 20),
                           levelFile.subspan(dataStart, dataEnd - dataStart)});
        offset = dataEnd;
    }
    return records;
}

std::vector<PreviewLevel> PreviewLevels(const std::vector<LevelRecordData>& records, const DdsFormat& format,
                                        std::uint32_t width, std::uint32_t height)
{
    std::vector<PreviewLevel> levels;
    for (std::size_t level = 0; level < records.size(); ++level) {
        const unsigned shift = static_cast<unsigned>(std::min<std::size_t>(level, 31));
        const std::uint32_t levelWidth = std::max(1u, width >> shift);
        const std::uint32_t levelHeight = std::max(1u, height >> shift);
        DecodedLevel decoded = DecodeLevel(format, records[level].data, levelWidth, levelHeight);
        for (std::uint32_t y = 0; y < levelHeight; ++y) {
            for (std::uint32_t x = 0; x < levelWidth; ++x) {
                if (decoded.missing[std::size_t{y} * levelWidth + x]) {
                    const bool grey = ((x / 4) + (y / 4)) % 2 == 0;
                    const std::array<std::uint8_t, 4> checker =
                        grey ? std::array<std::uint8_t, 4>{160, 160, 160, 255} : std::array<std::uint8_t, 4>{255, 0, 255, 255};
                    std::ranges::copy(checker, decoded.image.Pixel(x, y));
                }
            }
        }
        levels.push_back({std::move(decoded.image), DdsLevelBytes(format, levelWidth, levelHeight).value_or(0),
                          records[level].data.size()});
    }
    return levels;
}

std::pair<std::uint32_t, std::uint32_t> GuessLevelFileSize(const DdsFormat& format, std::uint32_t firstSize)
{
    const double bytesPerPixel = double(DdsLevelBytes(format, 4, 4).value_or(32)) / 16;
    const double pixels = firstSize / bytesPerPixel;
    const auto side = static_cast<std::uint32_t>(std::llround(std::sqrt(pixels)));
    if (double(side) * side == pixels && side > 0) {
        return {side, side};
    }
    const auto high = static_cast<std::uint32_t>(std::llround(std::sqrt(pixels / 2)));
    return {std::max(1u, 2 * high), std::max(1u, high)};
}

}  // namespace Picture
