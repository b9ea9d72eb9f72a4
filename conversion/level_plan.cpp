#include "conversion/level_plan.h"

#include <algorithm>
#include <array>
#include <limits>

#include "conversion/file_layout.h"
#include "conversion/hex_text.h"


namespace LevelPlan {

namespace {

constexpr std::uint64_t kLargestSize = std::numeric_limits<std::int32_t>::max();
constexpr std::array kDxt1 = HexDigits::TagHex(FileLayout::kDxt1FourCc);
constexpr std::array kDxt3 = HexDigits::TagHex(FileLayout::kDxt3FourCc);

bool IsFourCc(std::string_view fourCcHex, const std::array<char, 8>& hex)
{
    return fourCcHex == std::string_view(hex.data(), hex.size());
}

}  // namespace

SizeRule ChooseSizeRule(std::string_view fourCcHex, std::uint32_t width, std::uint32_t height)
{
    const std::uint64_t pixels = std::uint64_t{width} * height;  // cannot wrap: both below 2^32
    if (IsFourCc(fourCcHex, kDxt1)) {
        return {DivideRoundHalfEven(pixels, 2), 8,
                "DXT1: width x height / 2 bytes, each later level a quarter of the one before, at least 8"};
    }
    if (IsFourCc(fourCcHex, kDxt3)) {
        // One 16-byte block for every 16 pixels.
        return {pixels, 16,
                "DXT3: width x height bytes, each later level a quarter of the one before, at least 16"};
    }
    // Two bytes per pixel, doubled only when that cannot wrap.
    return {pixels > kLargestSize ? pixels : 2 * pixels, 0,
            "two bytes per pixel: width x height x 2 bytes, each later level a quarter of the one before"};
}

std::optional<std::string> PlanRefusal(const SizeRule& rule, unsigned levelCount)
{
    if (rule.firstSize > kLargestSize) {
        return "the first level's size is over " + std::to_string(kLargestSize) +
               " bytes, the signed 32-bit range of its fields";
    }
    // The first record is the largest: its length, the size plus 24, must fit too.
    if (levelCount > 0 && rule.firstSize + FileLayout::kLevelLengthOverhead > kLargestSize) {
        return "the first record's length, its size plus 24, is over " + std::to_string(kLargestSize) +
               " bytes, the signed 32-bit range of its fields";
    }
    return std::nullopt;
}

std::optional<std::vector<LevelSize>> PlanLevels(const SizeRule& rule, unsigned levelCount)
{
    if (PlanRefusal(rule, levelCount)) {
        return std::nullopt;
    }
    std::vector<LevelSize> levels;
    levels.reserve(levelCount);
    auto size = static_cast<std::uint32_t>(rule.firstSize);
    for (unsigned level = 0; level < levelCount; ++level) {
        const std::uint32_t stored = StoredSize(size);
        levels.push_back({size, stored});
        // Sizes chain through the stored size, not the one in the fields.
        size = std::max(static_cast<std::uint32_t>(DivideRoundHalfEven(stored, 4)), rule.floor);
    }
    return levels;
}

}  // namespace LevelPlan
