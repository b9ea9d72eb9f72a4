#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "picture/dds_format.h"
#include "picture/image.h"

namespace Picture {

// One level decoded from its bytes: pixels whose bytes are not all there
// are marked missing (a block format misses whole blocks).
struct DecodedLevel {
    Image image;
    std::vector<bool> missing;  // one per pixel
    bool Complete() const;
};

// Decodes a `width` x `height` level of `format` from `data`, which may be
// shorter (or longer) than the level. Throws PictureError for a format that
// cannot be decoded (BC6H, which holds light beyond white, and unknown ones).
DecodedLevel DecodeLevel(const DdsFormat& format, std::span<const std::uint8_t> data, std::uint32_t width,
                         std::uint32_t height);

// One 4 x 4 block of each format, as 16 pixels of RGBA row by row. Exposed
// for tests that check a single block.
void DecodeBc1Block(const std::uint8_t* block, std::uint8_t* rgba, bool allowTransparent);
void DecodeBc7Block(const std::uint8_t* block, std::uint8_t* rgba);

}  // namespace Picture
