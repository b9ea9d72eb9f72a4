#pragma once

#include <cstdint>
#include <vector>

#include "picture/texture_format.h"

namespace Picture {

// A DDS texture of `levelCount` levels in `format`: a header other programs
// read (ImageMagick, texture tools), then `pixelData` as it is.
std::vector<std::uint8_t> WriteDds(TextureFormat format, std::uint32_t width, std::uint32_t height, unsigned levelCount,
                                   const std::vector<std::uint8_t>& pixelData);

}  // namespace Picture
