#pragma once

#include <array>
#include <cstdint>

namespace Picture {

// One 8-byte DXT1 block of 4 x 4 pixels (8-bit RGBA, row by row). Pixels
// whose bit in `mask` is clear lie past the level's edge and are left out;
// pixels less than half opaque become transparent. The colours are found by
// cluster fit: the block's distinct colours ordered along their principal
// axis, every split of that order into the palette's entries tried with its
// least-squares end points rounded to 5:6:5, red, green and blue weighed
// alike; the four-colour palette only where no pixel is transparent. A block
// of one colour takes the end points that decode nearest to it.
void EncodeDxt1Block(const std::array<std::uint8_t, 64>& pixels, unsigned mask, std::uint8_t* block);

}  // namespace Picture
