#pragma once

#include <cstdint>
#include <vector>

#include "picture/image.h"

namespace Picture {

// The image as a PNG file (8-bit RGBA). Throws PictureError when libpng
// cannot make it.
std::vector<std::uint8_t> EncodePng(const Image& image);

}  // namespace Picture
