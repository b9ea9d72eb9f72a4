#include "picture/texture_format.h"

#include <array>
#include <utility>

namespace Picture {

namespace {

constexpr std::array kNames{std::pair{TextureFormat::Dxt1, std::string_view("dxt1")},
                            std::pair{TextureFormat::R5G6B5, std::string_view("r5g6b5")},
                            std::pair{TextureFormat::A1R5G5B5, std::string_view("a1r5g5b5")},
                            std::pair{TextureFormat::A4R4G4B4, std::string_view("a4r4g4b4")}};

}  // namespace

std::optional<TextureFormat> ParseTextureFormat(std::string_view name)
{
    for (const auto& [format, formatName] : kNames) {
        if (formatName == name) {
            return format;
        }
    }
    return std::nullopt;
}

std::string_view FormatName(TextureFormat format)
{
    for (const auto& [known, formatName] : kNames) {
        if (known == format) {
            return formatName;
        }
    }
    return "?";
}

std::uint64_t LevelBytes(TextureFormat format, std::uint32_t width, std::uint32_t height)
{
    if (format == TextureFormat::Dxt1) {
        return (std::uint64_t{width} + 3) / 4 * ((std::uint64_t{height} + 3) / 4) * 8;
    }
    return std::uint64_t{width} * height * 2;
}

ChannelMasks MasksOf(TextureFormat format)
{
    switch (format) {
    case TextureFormat::R5G6B5: return {0xF800, 0x07E0, 0x001F, 0};
    case TextureFormat::A1R5G5B5: return {0x7C00, 0x03E0, 0x001F, 0x8000};
    case TextureFormat::A4R4G4B4: return {0x0F00, 0x00F0, 0x000F, 0xF000};
    case TextureFormat::Dxt1: break;
    }
    return {0, 0, 0, 0};
}

}  // namespace Picture
