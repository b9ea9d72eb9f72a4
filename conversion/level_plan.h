#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The sizes of a texture's level records, from the fields of its DDS header.
// The pixel format is compared as the hex text of its FourCC.
namespace LevelPlan {

// One level record: the size written in its INFO and BODY chunks, and the
// number of data bytes it stores (4 where that size is below 8).
struct LevelSize {
    std::uint32_t field;
    std::uint32_t stored;
};

// The data bytes a record stores for the size in its fields.
constexpr std::uint32_t StoredSize(std::uint32_t field)
{
    return field < 8 ? 4 : field;
}

// How a pixel format sizes its first level and its later levels.
struct SizeRule {
    std::uint64_t firstSize;
    std::uint32_t floor;  // later levels are raised to this; 0 for none
    std::string_view description;  // the rule in words, for people looking into a texture
};

SizeRule ChooseSizeRule(std::string_view fourCcHex, std::uint32_t width, std::uint32_t height);

// Why no level file can be made with these sizes (one leaves the signed
// 32-bit range the format's fields are defined in), or nothing when one can.
std::optional<std::string> PlanRefusal(const SizeRule& rule, unsigned levelCount);

// The sizes of every level, or nothing when PlanRefusal gives a reason.
std::optional<std::vector<LevelSize>> PlanLevels(const SizeRule& rule, unsigned levelCount);

}  // namespace LevelPlan
