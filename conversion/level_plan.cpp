#include "level_plan.h"

#include <algorithm>
#include <limits>

#include "hex_text.h"

namespace LevelPlan {

namespace {

constexpr std::uint64_t kLargestSize = std::numeric_limits<std::int32_t>::max();

}  // namespace

SizeRule ChooseSizeRule(std::string_view fourCcHex, std::uint32_t width, std::uint32_t height)
{
    const std::uint64_t pixels = std::uint64_t{width} * height;  // cannot wrap: both below 2^32
    if (fourCcHex == kDxt1) {
        return {DivideRoundHalfEven(pixels, 2), 8};
    }
    if (fourCcHex == kDxt3) {
        return {pixels, 16};  // one 16-byte block for every 16 pixels
    }
    // Two bytes per pixel, doubled only when that cannot wrap.
    return {pixels > kLargestSize ? pixels : 2 * pixels, 0};
}

std::optional<std::vector<LevelSize>> PlanLevels(const SizeRule& rule, unsigned levelCount)
{
    // The first record is the largest: its length, the size plus 24, must fit too.
    if (rule.firstSize > kLargestSize || (levelCount > 0 && rule.firstSize + 24 > kLargestSize)) {
        return std::nullopt;
    }
    std::vector<LevelSize> levels;
    levels.reserve(levelCount);
    auto size = static_cast<std::uint32_t>(rule.firstSize);
    for (unsigned level = 0; level < levelCount; ++level) {
        const std::uint32_t stored = size < 8 ? 4 : size;
        levels.push_back({size, stored});
        // Sizes chain through the stored size, not the one in the fields.
        size = std::max(static_cast<std::uint32_t>(DivideRoundHalfEven(stored, 4)), rule.floor);
    }
    return levels;
}

}  // namespace LevelPlan
