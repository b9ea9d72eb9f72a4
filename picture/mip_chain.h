#pragma once

#include <vector>

#include "picture/image.h"

namespace Picture {

// The picture and `levelCount - 1` smaller levels, each half the one before
// in both directions (at least 1 pixel). Each pixel of a level is the mean of
// the 2 x 2 below it, taken in linear light and weighted by alpha: sRGB
// averaged as it is comes out too dark, and colour that a transparent pixel
// carries would bleed into its neighbours as a dark fringe.
std::vector<Image> BuildMipChain(Image picture, unsigned levelCount);

// How many levels a picture of this size has down to 1 x 1.
unsigned FullChainLength(std::uint32_t width, std::uint32_t height);

}  // namespace Picture
