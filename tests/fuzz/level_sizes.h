#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/expected_level_file.h"

// Each level's size, or nothing when the texture must be refused. Exact in
// double precision: a size that can be accepted is far below 2^53, and the
// default rounding mode rounds to nearest with ties to even.
inline std::optional<std::vector<std::uint32_t>> LevelSizes(const std::vector<std::uint8_t>& texture)
{
    using namespace FileLayout;
    if (texture.size() < kDdsHeaderBytes || !TagAt(texture, 0, kDdsMagic)) {
        return std::nullopt;
    }
    const std::string fourCc(texture.begin() + kDdsFourCcOffset, texture.begin() + kDdsFourCcOffset + 4);
    const double bytesPerPixel = fourCc == "DXT1" ? 0.5 : fourCc == "DXT3" ? 1 : 2;
    const double floor = fourCc == "DXT1" ? 8 : fourCc == "DXT3" ? 16 : 0;
    double size = std::nearbyint(bytesPerPixel * LittleEndianAt(texture, kDdsHeightOffset) * LittleEndianAt(texture, kDdsWidthOffset));
    if (size > 2'147'483'647 || (texture[kDdsMipCountOffset] > 0 && size + 24 > 2'147'483'647)) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> sizes;
    for (int level = 0; level < texture[kDdsMipCountOffset]; ++level) {
        sizes.push_back(static_cast<std::uint32_t>(size));
        size = std::max(std::nearbyint((size < 8 ? 4 : size) / 4), floor);
    }
    return sizes;
}
