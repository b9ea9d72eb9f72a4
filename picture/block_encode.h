#pragma once

#include <cstdint>
#include <vector>

#include "picture/image.h"
#include "picture/texture_format.h"

namespace Picture {

// One level's pixel data in `format`. DXT1 blocks are fitted by cluster fit,
// weighing red, green and blue alike (what the game's pixels are measured
// by), with pixels less than half opaque made transparent; rows of blocks
// are shared out among `threads` threads. The 16-bit formats take each
// channel's nearest value.
std::vector<std::uint8_t> EncodeLevel(const Image& level, TextureFormat format, unsigned threads);

}  // namespace Picture
