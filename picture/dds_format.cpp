#include "picture/dds_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

#include "conversion/file_layout.h"
#include "picture/byte_reader.h"

namespace Picture {

namespace {

constexpr std::size_t kPixelFlagsOffset = 80;
constexpr std::size_t kBitCountOffset = 88;
constexpr std::size_t kMasksOffset = 92;
constexpr std::size_t kDx10Bytes = 20;
constexpr std::uint32_t kAlphaPixels = 0x1, kAlphaOnly = 0x2, kFourCc = 0x4, kRgb = 0x40, kLuminance = 0x20000;

DdsFormat Block(DdsKind kind, std::string name) { return {kind, std::move(name)}; }

DdsFormat Uncompressed(unsigned bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t alpha,
                       bool luminance = false)
{
    DdsFormat format{DdsKind::Uncompressed, {}, bits, red, green, blue, alpha, luminance};
    // Named as Direct3D names them: the channels from the highest bits down.
    std::array<std::pair<std::uint32_t, char>, 4> channels{
        {{alpha, 'A'}, {luminance ? 0 : red, 'R'}, {luminance ? 0 : green, 'G'}, {luminance ? 0 : blue, 'B'}}};
    if (luminance) {
        channels[1] = {red, 'L'};
    }
    std::ranges::sort(channels, [](const auto& a, const auto& b) { return a.first > b.first; });
    std::string layout;
    for (const auto& [mask, letter] : channels) {
        if (mask != 0) {
            layout += letter + std::to_string(std::popcount(mask));
        }
    }
    format.name = std::to_string(bits) + "-bit " + (layout.empty() ? "pixels" : layout);
    return format;
}

DdsFormat FromDxgi(std::uint32_t dxgi)
{
    switch (dxgi) {
    case 70: case 71: case 72: return Block(DdsKind::Bc1, "BC1");
    case 73: case 74: case 75: return Block(DdsKind::Bc2, "BC2");
    case 76: case 77: case 78: return Block(DdsKind::Bc3, "BC3");
    case 79: case 80: case 81: return Block(DdsKind::Bc4, "BC4");
    case 82: case 83: case 84: return Block(DdsKind::Bc5, "BC5");
    case 94: case 95: case 96: return Block(DdsKind::Bc6h, "BC6H");
    case 97: case 98: case 99: return Block(DdsKind::Bc7, "BC7");
    case 27: case 28: case 29: return Uncompressed(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    case 87: case 90: case 91: return Uncompressed(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    case 88: case 92: case 93: return Uncompressed(32, 0xFF0000, 0xFF00, 0xFF, 0);
    case 85: return Uncompressed(16, 0xF800, 0x07E0, 0x001F, 0);
    case 86: return Uncompressed(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
    case 115: return Uncompressed(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
    case 61: return Uncompressed(8, 0xFF, 0, 0, 0, true);
    case 65: return Uncompressed(8, 0, 0, 0, 0xFF);
    default: break;
    }
    return Block(DdsKind::Unknown, "DXGI format " + std::to_string(dxgi));
}

std::string FourCcText(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (std::size_t index = 0; index < 4; ++index) {
        const std::uint8_t byte = bytes[FileLayout::kDdsFourCcOffset + index];
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    }
    return text;
}

std::optional<DdsFormat> FromFourCc(const std::string& fourCc)
{
    if (fourCc == "DXT1") return Block(DdsKind::Bc1, "DXT1");
    if (fourCc == "DXT2" || fourCc == "DXT3") return Block(DdsKind::Bc2, fourCc);
    if (fourCc == "DXT4" || fourCc == "DXT5") return Block(DdsKind::Bc3, fourCc);
    if (fourCc == "ATI1" || fourCc == "BC4U" || fourCc == "BC4S") return Block(DdsKind::Bc4, fourCc + " (BC4)");
    if (fourCc == "ATI2" || fourCc == "BC5U" || fourCc == "BC5S") return Block(DdsKind::Bc5, fourCc + " (BC5)");
    return std::nullopt;
}

}  // namespace

std::optional<DdsHeader> ReadDdsHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < FileLayout::kDdsHeaderBytes || !std::equal(bytes.begin(), bytes.begin() + 4, "DDS ")) {
        return std::nullopt;
    }
    DdsHeader header;
    header.height = Bytes::U32(bytes, FileLayout::kDdsHeightOffset);
    header.width = Bytes::U32(bytes, FileLayout::kDdsWidthOffset);
    header.levelCount = bytes[FileLayout::kDdsMipCountOffset];

    const std::uint32_t flags = Bytes::U32(bytes, kPixelFlagsOffset);
    const std::string fourCc = FourCcText(bytes);
    const std::uint32_t fourCcValue = Bytes::U32(bytes, FileLayout::kDdsFourCcOffset);
    if (fourCc == "DX10") {
        if (bytes.size() < FileLayout::kDdsHeaderBytes + kDx10Bytes) {
            return std::nullopt;
        }
        header.format = FromDxgi(Bytes::U32(bytes, FileLayout::kDdsHeaderBytes));
        header.format.name += " (DX10 header)";
        header.format.dataOffset = FileLayout::kDdsHeaderBytes + kDx10Bytes;
    } else if (auto known = FromFourCc(fourCc)) {
        header.format = std::move(*known);
    } else if (fourCcValue != 0 || (flags & kFourCc) != 0) {
        header.format = Block(DdsKind::Unknown, "FourCC " + fourCc);
    } else if ((flags & (kRgb | kLuminance | kAlphaOnly)) != 0) {
        const unsigned bits = Bytes::U32(bytes, kBitCountOffset);
        const auto mask = [&](std::size_t channel) { return Bytes::U32(bytes, kMasksOffset + 4 * channel); };
        const bool hasAlpha = (flags & (kAlphaPixels | kAlphaOnly)) != 0;
        if (bits == 8 || bits == 16 || bits == 24 || bits == 32) {
            header.format = Uncompressed(bits, (flags & kAlphaOnly) ? 0 : mask(0), mask(1), mask(2), hasAlpha ? mask(3) : 0,
                                         (flags & kLuminance) != 0);
        } else {
            header.format = Block(DdsKind::Unknown, std::to_string(bits) + "-bit pixels");
        }
    } else {
        header.format = Block(DdsKind::Unknown, "an unknown pixel format");
    }
    return header;
}

std::optional<std::uint64_t> DdsLevelBytes(const DdsFormat& format, std::uint32_t width, std::uint32_t height)
{
    const std::uint64_t blocks = (std::uint64_t{width} + 3) / 4 * ((std::uint64_t{height} + 3) / 4);
    switch (format.kind) {
    case DdsKind::Bc1:
    case DdsKind::Bc4: return blocks * 8;
    case DdsKind::Bc2:
    case DdsKind::Bc3:
    case DdsKind::Bc5:
    case DdsKind::Bc6h:
    case DdsKind::Bc7: return blocks * 16;
    case DdsKind::Uncompressed: return (std::uint64_t{width} * format.bitsPerPixel + 7) / 8 * height;
    case DdsKind::Unknown: break;
    }
    return std::nullopt;
}

}  // namespace Picture
