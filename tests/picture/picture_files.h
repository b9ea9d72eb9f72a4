#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "support/temp_dir.h"

// The test pictures in data/, made by ImageMagick: 8 x 4 pixels in four
// 4 x 2 quarters, red and blue above, green and white below; in the ones
// with alpha the white quarter is transparent.
inline std::vector<std::uint8_t> TestPicture(const std::string& name)
{
    return ReadBytes(std::filesystem::path(TORVANE_PICTURE_DATA) / name);
}
