#include "picture/texture_check.h"

#include <algorithm>

#include "conversion/file_layout.h"
#include "conversion/hex_text.h"
#include "conversion/level_plan.h"
#include "picture/block_decode.h"
#include "picture/dds_format.h"

namespace Picture {

namespace {

std::string PerPixel(double bytes)
{
    if (bytes == 0.5) {
        return "half a byte";
    }
    const auto whole = static_cast<unsigned>(bytes);
    return std::to_string(whole) + (whole == 1 ? " byte" : " bytes");
}

std::string Size(std::uint32_t width, std::uint32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

std::optional<std::string> CarriageProblem(std::span<const std::uint8_t> dds)
{
    const auto header = ReadDdsHeader(dds);
    if (!header || header->width == 0 || header->height == 0) {
        return std::nullopt;
    }
    const DdsFormat& format = header->format;
    const auto topBytes = DdsLevelBytes(format, header->width, header->height);
    if (!topBytes) {
        return std::nullopt;
    }
    std::string fourCcHex(8, '0');
    HexDigits::EncodeBytes(dds.data() + FileLayout::kDdsFourCcOffset, 4, fourCcHex.data());
    const LevelPlan::SizeRule rule = LevelPlan::ChooseSizeRule(fourCcHex, header->width, header->height);
    const auto plan = LevelPlan::PlanLevels(rule, header->levelCount);
    if (!plan) {
        return std::nullopt;  // refused by the conversion, which says so
    }
    const double pixels = double(header->width) * header->height;
    const std::string_view fourCc(reinterpret_cast<const char*>(dds.data()) + FileLayout::kDdsFourCcOffset, 4);
    const std::string takes = PerPixel(fourCc == FileLayout::kDxt1FourCc ? 0.5 : fourCc == FileLayout::kDxt3FourCc ? 1 : 2);
    const std::string what = format.name + " texture of " + Size(header->width, header->height);
    if (format.dataOffset != FileLayout::kDdsHeaderBytes) {
        return what + ": the level file takes its " + std::to_string(format.dataOffset - FileLayout::kDdsHeaderBytes) +
               "-byte DX10 header as pixels and " + takes + " per pixel, where " + format.name.substr(0, format.name.find(' ')) +
               " holds " + PerPixel(double(*topBytes) / pixels) + ": the game would show garbage";
    }
    if (header->levelCount == 0) {
        return what + ": its mipmap count is 0, so the level file takes no level from it";
    }
    std::uint64_t holds = 0;
    for (unsigned level = 0; level < header->levelCount; ++level) {
        const std::uint32_t width = std::max(1u, header->width >> level);
        const std::uint32_t height = std::max(1u, header->height >> level);
        const std::uint64_t levelBytes = *DdsLevelBytes(format, width, height);
        if ((*plan)[level].field != levelBytes) {
            if (level == 0) {
                return what + ": the level file takes " + takes + " per pixel from it (" +
                       std::to_string((*plan)[0].field) + " bytes for the first level), where it holds " +
                       PerPixel(double(levelBytes) / pixels) + " (" + std::to_string(levelBytes) +
                       "): the game would show garbage";
            }
            return what + ": its level " + std::to_string(level) + " (" + Size(width, height) + ") holds " +
                   std::to_string(levelBytes) + " bytes, where the level file takes " +
                   std::to_string((*plan)[level].field) + ": from there on the game would show garbage";
        }
        holds += levelBytes;
    }
    const std::uint64_t present = dds.size() - FileLayout::kDdsHeaderBytes;
    if (present < holds) {
        return what + ": its pixel data ends " + std::to_string(holds - present) + " bytes short of its " +
               std::to_string(header->levelCount) + " levels, so the last records would be cut short";
    }
    return std::nullopt;
}

Image DecodeTopLevel(std::span<const std::uint8_t> dds)
{
    const auto header = ReadDdsHeader(dds);
    if (!header) {
        throw PictureError("not a DDS texture");
    }
    if (header->width == 0 || header->height == 0 || header->width > 16384 || header->height > 16384) {
        throw PictureError("a texture of " + Size(header->width, header->height) + " cannot be re-encoded");
    }
    const DdsFormat& format = header->format;
    const auto bytes = DdsLevelBytes(format, header->width, header->height);
    const std::size_t available = dds.size() - std::min(dds.size(), format.dataOffset);
    if (bytes && available < *bytes) {
        throw PictureError("its first level needs " + std::to_string(*bytes) + " bytes of pixel data and it holds " +
                           std::to_string(available));
    }
    return DecodeLevel(format, dds.subspan(std::min(dds.size(), format.dataOffset)), header->width, header->height).image;
}

}  // namespace Picture
