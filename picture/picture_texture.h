#pragma once

#include <cstdint>
#include <vector>

#include "picture/image.h"
#include "picture/texture_format.h"

namespace Picture {

// A picture encoded as a DDS texture that the level file carries whole.
struct EncodedTexture {
    std::vector<std::uint8_t> dds;
    unsigned levelCount = 0;  // the levels it holds
    unsigned fullChain = 0;   // the levels down to 1 x 1
};

// Makes the mip chain of `picture`, encodes each level in `format` and writes
// them as a DDS texture. The chain holds every level whose size is the one
// the level file gives it; it ends before the first that is not (in DXT1, a
// level less than 4 pixels across in one direction but not the other), since
// from there on the level file would cut the data in the wrong places. A
// level the level file stores larger than it is (a 1 x 1 level of 2 bytes,
// stored as 4) is padded with zeros, so that the records hold exactly their
// level. Throws PictureError when not even the first level fits.
EncodedTexture EncodeTexture(Image picture, TextureFormat format, unsigned threads);

// How many of the levels of a picture of this size the level file carries.
unsigned CarriedLevels(TextureFormat format, std::uint32_t width, std::uint32_t height);

}  // namespace Picture
