#include "picture/dds_write.h"

#include <algorithm>

#include "conversion/file_layout.h"

namespace Picture {

namespace {

constexpr std::uint32_t kHeaderSize = 124;  // the header's own size field: all of it but the magic
constexpr std::uint32_t kPixelFormatSize = 32;
constexpr std::uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8, kPixelFormat = 0x1000,
                        kMipmapCount = 0x20000, kLinearSize = 0x80000;
constexpr std::uint32_t kAlphaPixels = 0x1, kFourCc = 0x4, kRgb = 0x40;
constexpr std::uint32_t kComplex = 0x8, kTexture = 0x1000, kMipmap = 0x400000;

void Put(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t index = 0; index < 4; ++index) {
        bytes[offset + index] = static_cast<std::uint8_t>(value >> (8 * index));
    }
}

}  // namespace

std::vector<std::uint8_t> WriteDds(TextureFormat format, std::uint32_t width, std::uint32_t height, unsigned levelCount,
                                   const std::vector<std::uint8_t>& pixelData)
{
    std::vector<std::uint8_t> bytes(FileLayout::kDdsHeaderBytes);
    std::copy_n("DDS ", 4, bytes.begin());
    const bool compressed = format == TextureFormat::Dxt1;
    Put(bytes, 4, kHeaderSize);
    Put(bytes, 8, kCaps | kHeight | kWidth | kPixelFormat | kMipmapCount | (compressed ? kLinearSize : kPitch));
    Put(bytes, FileLayout::kDdsHeightOffset, height);
    Put(bytes, FileLayout::kDdsWidthOffset, width);
    Put(bytes, 20, static_cast<std::uint32_t>(compressed ? LevelBytes(format, width, height) : std::uint64_t{width} * 2));
    Put(bytes, FileLayout::kDdsMipCountOffset, levelCount);
    Put(bytes, 76, kPixelFormatSize);
    if (compressed) {
        Put(bytes, 80, kFourCc);
        std::copy_n("DXT1", 4, bytes.begin() + FileLayout::kDdsFourCcOffset);
    } else {
        const ChannelMasks masks = MasksOf(format);
        Put(bytes, 80, kRgb | (masks.alpha != 0 ? kAlphaPixels : 0));
        Put(bytes, 88, 16);
        Put(bytes, 92, masks.red);
        Put(bytes, 96, masks.green);
        Put(bytes, 100, masks.blue);
        Put(bytes, 104, masks.alpha);
    }
    Put(bytes, 108, kTexture | (levelCount > 1 ? kComplex | kMipmap : 0));
    bytes.insert(bytes.end(), pixelData.begin(), pixelData.end());
    return bytes;
}

}  // namespace Picture
