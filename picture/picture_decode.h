#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "picture/image.h"

// Reads PNG, JPEG, TGA and BMP pictures. The files come from anywhere, so
// every size is checked against the data before it is trusted and a picture
// larger than the limits is refused before its pixels are allocated.
namespace Picture {

enum class PictureKind { None, Png, Jpeg, Tga, Bmp };

// What the bytes are, told by their content: PNG, JPEG and BMP by their
// signatures; TGA, which has none, by a header that holds together and
// either the TGA 2.0 footer or a name ending in ".tga".
PictureKind DetectPicture(std::span<const std::uint8_t> bytes, const std::filesystem::path& name);

std::string_view KindName(PictureKind kind);

struct DecodeLimits {
    std::uint32_t largestSide = 16384;
};

// Decodes a picture of the given kind. Throws PictureError naming what is
// wrong with it.
Image DecodePicture(PictureKind kind, std::span<const std::uint8_t> bytes, const DecodeLimits& limits = {});

}  // namespace Picture
