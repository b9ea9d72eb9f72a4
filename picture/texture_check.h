#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "picture/image.h"

namespace Picture {

// Why the level file cannot carry a DDS texture as it is (its format is sized
// by another rule, a DX10 header would be taken as pixels, a level is not the
// size the level file gives it, or its data ends short), in words for a
// modder; nothing when it can, and for a format whose sizes are not known.
std::optional<std::string> CarriageProblem(std::span<const std::uint8_t> dds);

// The first level of a DDS texture, decoded. Throws PictureError when it
// cannot be: not a DDS texture, a format that cannot be decoded, data short
// of the first level.
Image DecodeTopLevel(std::span<const std::uint8_t> dds);

}  // namespace Picture
