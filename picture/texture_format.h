#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Picture {

// The pixel formats a picture is encoded in: DXT1, whose level the level file
// takes at half a byte per pixel, and three 16-bit formats it takes at two.
enum class TextureFormat { Dxt1, R5G6B5, A1R5G5B5, A4R4G4B4 };

// As named on the command line: "dxt1", "r5g6b5", "a1r5g5b5", "a4r4g4b4".
std::optional<TextureFormat> ParseTextureFormat(std::string_view name);
std::string_view FormatName(TextureFormat format);

// The bytes a level of this size takes: whole 4 x 4 blocks of 8 bytes for
// DXT1, 2 bytes a pixel for the others.
std::uint64_t LevelBytes(TextureFormat format, std::uint32_t width, std::uint32_t height);

// How a 16-bit format packs a pixel: the mask of each channel, red first.
struct ChannelMasks {
    std::uint32_t red, green, blue, alpha;
};
ChannelMasks MasksOf(TextureFormat format);

}  // namespace Picture
