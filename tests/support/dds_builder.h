#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "conversion/file_layout.h"

// Builds DDS files for tests and benchmarks: the fields the converter reads
// are set as asked, everything else in the 128-byte header is zero.
struct DdsImage {
    std::uint32_t width = 4;
    std::uint32_t height = 4;
    std::uint32_t mipCount = 1;  // the whole 32-bit field; only its low byte counts
    std::string fourCc;          // "DXT1", "DXT3", ...; empty for uncompressed
    std::vector<std::uint8_t> pixelData;
};

inline void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    for (int index = 0; index < 4; ++index) {
        bytes[offset + index] = static_cast<std::uint8_t>(value >> (8 * index));
    }
}

inline std::vector<std::uint8_t> BuildDds(const DdsImage& image)
{
    using namespace FileLayout;
    std::vector<std::uint8_t> bytes(kDdsHeaderBytes + image.pixelData.size(), 0);
    std::copy(kDdsMagic.begin(), kDdsMagic.end(), bytes.begin());
    PutLittleEndian(bytes, kDdsHeightOffset, image.height);
    PutLittleEndian(bytes, kDdsWidthOffset, image.width);
    PutLittleEndian(bytes, kDdsMipCountOffset, image.mipCount);
    std::copy_n(image.fourCc.begin(), std::min<std::size_t>(image.fourCc.size(), 4),
                bytes.begin() + kDdsFourCcOffset);
    std::copy(image.pixelData.begin(), image.pixelData.end(), bytes.begin() + kDdsHeaderBytes);
    return bytes;
}

// Pixel data whose every byte tells its position: byte k holds k mod 251.
inline std::vector<std::uint8_t> NumberedBytes(std::size_t count)
{
    std::vector<std::uint8_t> bytes(count);
    std::ranges::generate(bytes, [index = std::size_t{0}]() mutable { return static_cast<std::uint8_t>(index++ % 251); });
    return bytes;
}
