#include "picture/picture_texture.h"

#include <algorithm>
#include <array>
#include <string>

#include "conversion/file_layout.h"
#include "conversion/hex_text.h"
#include "conversion/level_plan.h"
#include "picture/block_encode.h"
#include "picture/dds_write.h"
#include "picture/mip_chain.h"

namespace Picture {

namespace {

std::string_view FourCcHex(TextureFormat format)
{
    static constexpr std::array kDxt1 = HexDigits::TagHex(FileLayout::kDxt1FourCc);
    return format == TextureFormat::Dxt1 ? std::string_view(kDxt1.data(), kDxt1.size()) : std::string_view("00000000");
}

std::vector<LevelPlan::LevelSize> Plan(TextureFormat format, std::uint32_t width, std::uint32_t height, unsigned levels)
{
    return LevelPlan::PlanLevels(LevelPlan::ChooseSizeRule(FourCcHex(format), width, height), levels)
        .value_or(std::vector<LevelPlan::LevelSize>{});
}

}  // namespace

unsigned CarriedLevels(TextureFormat format, std::uint32_t width, std::uint32_t height)
{
    const unsigned full = FullChainLength(width, height);
    const std::vector<LevelPlan::LevelSize> plan = Plan(format, width, height, full);
    unsigned carried = 0;
    for (; carried < plan.size(); ++carried) {
        const std::uint64_t holds = LevelBytes(format, std::max(1u, width >> carried), std::max(1u, height >> carried));
        if (plan[carried].field != holds || plan[carried].stored < holds) {
            break;
        }
    }
    return carried;
}

EncodedTexture EncodeTexture(Image picture, TextureFormat format, unsigned threads)
{
    const std::uint32_t width = picture.width;
    const std::uint32_t height = picture.height;
    EncodedTexture texture;
    texture.fullChain = FullChainLength(width, height);
    texture.levelCount = CarriedLevels(format, width, height);
    if (texture.levelCount == 0 && format != TextureFormat::Dxt1) {
        // Only 1 x 3 and 3 x 1: 6 bytes, which the level file stores as 4.
        throw PictureError("a picture of " + std::to_string(width) + " x " + std::to_string(height) + " cannot be a " +
                           std::string(FormatName(format)) + " level file: its " +
                           std::to_string(LevelBytes(format, width, height)) +
                           " bytes are fewer than 8, which the level file stores as 4");
    }
    if (texture.levelCount == 0) {
        throw PictureError("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                           " cannot be a DXT1 level file, which takes width x height / 2 bytes: only sizes that are "
                           "multiples of 4 fill whole blocks; --format r5g6b5 takes any size");
    }
    const std::vector<LevelPlan::LevelSize> plan = Plan(format, width, height, texture.levelCount);
    std::vector<std::uint8_t> pixelData;
    const std::vector<Image> chain = BuildMipChain(std::move(picture), texture.levelCount);
    for (std::size_t level = 0; level < chain.size(); ++level) {
        const std::vector<std::uint8_t> data = EncodeLevel(chain[level], format, threads);
        pixelData.insert(pixelData.end(), data.begin(), data.end());
        pixelData.resize(pixelData.size() + (plan[level].stored - data.size()));
    }
    texture.dds = WriteDds(format, width, height, texture.levelCount, pixelData);
    return texture;
}

}  // namespace Picture
