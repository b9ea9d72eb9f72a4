#include "picture/block_decode.h"

#include <algorithm>
#include <array>
#include <bit>

#include "picture/byte_reader.h"

namespace Picture {

namespace {

using Rgba = std::array<std::uint8_t, 4>;

// The two colours a DXT block spans and the ones between, as DXT1 decoders
// have long made them (thirds and halves rounded down).
std::array<Rgba, 4> Bc1Palette(const std::uint8_t* block, bool allowTransparent)
{
    const unsigned first = block[0] | block[1] << 8;
    const unsigned second = block[2] | block[3] << 8;
    const auto colour = [](unsigned packed) {
        return Rgba{Bytes::Widen(packed >> 11, 5), Bytes::Widen((packed >> 5) & 63, 6), Bytes::Widen(packed & 31, 5), 255};
    };
    std::array<Rgba, 4> palette{colour(first), colour(second), {}, {}};
    const bool fourColours = first > second || !allowTransparent;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const unsigned a = palette[0][channel];
        const unsigned b = palette[1][channel];
        palette[2][channel] = static_cast<std::uint8_t>(fourColours ? (2 * a + b) / 3 : (a + b) / 2);
        palette[3][channel] = static_cast<std::uint8_t>(fourColours ? (a + 2 * b) / 3 : 0);
    }
    palette[2][3] = 255;
    palette[3][3] = fourColours ? 255 : 0;
    return palette;
}

// The eight values of a DXT5 alpha block or of a BC4 channel.
void DecodeChannelBlock(const std::uint8_t* block, std::uint8_t* rgba, std::size_t channel)
{
    const unsigned first = block[0];
    const unsigned second = block[1];
    std::array<unsigned, 8> values{first, second};
    for (unsigned step = 1; step < 7; ++step) {
        if (first > second) {
            values[step + 1] = ((7 - step) * first + step * second) / 7;
        } else if (step < 5) {
            values[step + 1] = ((5 - step) * first + step * second) / 5;
        }
    }
    if (first <= second) {
        values[6] = 0;
        values[7] = 255;
    }
    std::uint64_t indices = 0;
    for (std::size_t byte = 0; byte < 6; ++byte) {
        indices |= std::uint64_t{block[2 + byte]} << (8 * byte);
    }
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        rgba[4 * pixel + channel] = static_cast<std::uint8_t>(values[(indices >> (3 * pixel)) & 7]);
    }
}

void DecodeBc2Block(const std::uint8_t* block, std::uint8_t* rgba)
{
    DecodeBc1Block(block + 8, rgba, false);
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        const unsigned nibble = (block[pixel / 2] >> (4 * (pixel % 2))) & 15;
        rgba[4 * pixel + 3] = Bytes::Widen(nibble, 4);
    }
}

void DecodeBc3Block(const std::uint8_t* block, std::uint8_t* rgba)
{
    DecodeBc1Block(block + 8, rgba, false);
    DecodeChannelBlock(block, rgba, 3);
}

void DecodeBc4Block(const std::uint8_t* block, std::uint8_t* rgba)
{
    DecodeChannelBlock(block, rgba, 0);
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        rgba[4 * pixel + 1] = rgba[4 * pixel + 2] = rgba[4 * pixel];
        rgba[4 * pixel + 3] = 255;
    }
}

void DecodeBc5Block(const std::uint8_t* block, std::uint8_t* rgba)
{
    DecodeChannelBlock(block, rgba, 0);
    DecodeChannelBlock(block + 8, rgba, 1);
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        rgba[4 * pixel + 2] = 0;
        rgba[4 * pixel + 3] = 255;
    }
}

// BC7: which subset each pixel belongs to, for the 64 shapes of two and of
// three subsets (one bit, or two bits, a pixel, pixel 0 lowest), and the
// pixel of each subset after the first whose index is one bit short.
constexpr std::array<std::uint16_t, 64> kTwoSubsets{{
    0xCCCC, 0x8888, 0xEEEE, 0xECC8, 0xC880, 0xFEEC, 0xFEC8, 0xEC80,
    0xC800, 0xFFEC, 0xFE80, 0xE800, 0xFFE8, 0xFF00, 0xFFF0, 0xF000,
    0xF710, 0x008E, 0x7100, 0x08CE, 0x008C, 0x7310, 0x3100, 0x8CCE,
    0x088C, 0x3110, 0x6666, 0x366C, 0x17E8, 0x0FF0, 0x718E, 0x399C,
    0xAAAA, 0xF0F0, 0x5A5A, 0x33CC, 0x3C3C, 0x55AA, 0x9696, 0xA55A,
    0x73CE, 0x13C8, 0x324C, 0x3BDC, 0x6996, 0xC33C, 0x9966, 0x0660,
    0x0272, 0x04E4, 0x4E40, 0x2720, 0xC936, 0x936C, 0x39C6, 0x639C,
    0x9336, 0x9CC6, 0x817E, 0xE718, 0xCCF0, 0x0FCC, 0x7744, 0xEE22,
}};
constexpr std::array<std::uint32_t, 64> kThreeSubsets{{
    0xAA685050, 0x6A5A5040, 0x5A5A4200, 0x5450A0A8, 0xA5A50000, 0xA0A05050,
    0x5555A0A0, 0x5A5A5050, 0xAA550000, 0xAA555500, 0xAAAA5500, 0x90909090,
    0x94949494, 0xA4A4A4A4, 0xA9A59450, 0x2A0A4250, 0xA5945040, 0x0A425054,
    0xA5A5A500, 0x55A0A0A0, 0xA8A85454, 0x6A6A4040, 0xA4A45000, 0x1A1A0500,
    0x0050A4A4, 0xAAA59090, 0x14696914, 0x69691400, 0xA08585A0, 0xAA821414,
    0x50A4A450, 0x6A5A0200, 0xA9A58000, 0x5090A0A8, 0xA8A09050, 0x24242424,
    0x00AA5500, 0x24924924, 0x24499224, 0x50A50A50, 0x500AA550, 0xAAAA4444,
    0x66660000, 0xA5A0A5A0, 0x50A050A0, 0x69286928, 0x44AAAA44, 0x66666600,
    0xAA444444, 0x54A854A8, 0x95809580, 0x96969600, 0xA85454A8, 0x80959580,
    0xAA141414, 0x96960000, 0xAAAA1414, 0xA05050A0, 0xA0A5A5A0, 0x96000000,
    0x40804080, 0xA9A8A9A8, 0xAAAAAA44, 0x2A4A5254,
}};
constexpr std::array<std::uint8_t, 64> kTwoSubsetAnchors{{
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
    15, 2, 8, 2, 2, 8, 8, 15, 2, 8, 2, 2, 8, 8, 2, 2,
    15, 15, 6, 8, 2, 8, 15, 15, 2, 8, 2, 2, 2, 15, 15, 6,
    6, 2, 6, 8, 15, 15, 2, 2, 15, 15, 15, 15, 15, 2, 2, 15,
}};
constexpr std::array<std::uint8_t, 64> kThreeSubsetSecondAnchors{{
    3, 3, 15, 15, 8, 3, 15, 15, 8, 8, 6, 6, 6, 5, 3, 3,
    3, 3, 8, 15, 3, 3, 6, 10, 5, 8, 8, 6, 8, 5, 15, 15,
    8, 15, 3, 5, 6, 10, 8, 15, 15, 3, 15, 5, 15, 15, 15, 15,
    3, 15, 5, 5, 5, 8, 5, 10, 5, 10, 8, 13, 15, 12, 3, 3,
}};
constexpr std::array<std::uint8_t, 64> kThreeSubsetThirdAnchors{{
    15, 8, 8, 3, 15, 15, 3, 8, 15, 15, 15, 15, 15, 15, 15, 8,
    15, 8, 15, 3, 15, 8, 15, 8, 3, 15, 6, 10, 15, 15, 10, 8,
    15, 3, 15, 10, 10, 8, 9, 10, 6, 15, 8, 15, 3, 6, 6, 8,
    15, 3, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 3, 15, 15, 8,
}};

struct Bc7Mode {
    unsigned subsets, partitionBits, rotationBits, selectionBits, colourBits, alphaBits, endpointPBits, sharedPBits,
        indexBits, secondIndexBits;
};
constexpr std::array<Bc7Mode, 8> kBc7Modes{{
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0},
    {2, 6, 0, 0, 6, 0, 0, 1, 3, 0},
    {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0},
    {1, 0, 2, 1, 5, 6, 0, 0, 2, 3},
    {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0},
    {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
}};

constexpr std::array<unsigned, 4> kWeights2{0, 21, 43, 64};
constexpr std::array<unsigned, 8> kWeights3{0, 9, 18, 27, 37, 46, 55, 64};
constexpr std::array<unsigned, 16> kWeights4{0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};

unsigned Weight(unsigned bits, unsigned index)
{
    return bits == 2 ? kWeights2[index] : bits == 3 ? kWeights3[index] : kWeights4[index];
}

// The block's 128 bits, read from the lowest.
class BitReader {
public:
    explicit BitReader(const std::uint8_t* block) : block_(block) {}
    unsigned Take(unsigned count)
    {
        unsigned value = 0;
        for (unsigned bit = 0; bit < count; ++bit, ++position_) {
            value |= ((block_[position_ / 8] >> (position_ % 8)) & 1u) << bit;
        }
        return value;
    }

private:
    const std::uint8_t* block_;
    unsigned position_ = 0;
};

unsigned SubsetOf(unsigned subsets, unsigned shape, unsigned pixel)
{
    if (subsets == 2) {
        return (kTwoSubsets[shape] >> pixel) & 1u;
    }
    if (subsets == 3) {
        return (kThreeSubsets[shape] >> (2 * pixel)) & 3u;
    }
    return 0;
}

bool IsAnchor(unsigned subsets, unsigned shape, unsigned pixel)
{
    if (pixel == 0) {
        return true;
    }
    if (subsets == 2) {
        return pixel == kTwoSubsetAnchors[shape];
    }
    if (subsets == 3) {
        return pixel == kThreeSubsetSecondAnchors[shape] || pixel == kThreeSubsetThirdAnchors[shape];
    }
    return false;
}

}  // namespace

void DecodeBc1Block(const std::uint8_t* block, std::uint8_t* rgba, bool allowTransparent)
{
    const std::array<Rgba, 4> palette = Bc1Palette(block, allowTransparent);
    const std::uint32_t indices = Bytes::U32({block, 8}, 4);
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        std::ranges::copy(palette[(indices >> (2 * pixel)) & 3], rgba + 4 * pixel);
    }
}

void DecodeBc7Block(const std::uint8_t* block, std::uint8_t* rgba)
{
    const unsigned modeNumber = static_cast<unsigned>(std::countr_zero(static_cast<unsigned>(block[0])));
    if (modeNumber >= 8) {
        std::fill_n(rgba, 64, std::uint8_t{0});  // a reserved mode decodes as transparent black
        return;
    }
    const Bc7Mode& mode = kBc7Modes[modeNumber];
    BitReader bits(block);
    bits.Take(modeNumber + 1);
    const unsigned shape = bits.Take(mode.partitionBits);
    const unsigned rotation = bits.Take(mode.rotationBits);
    const unsigned selection = bits.Take(mode.selectionBits);

    const unsigned endpoints = 2 * mode.subsets;
    std::array<std::array<unsigned, 4>, 6> colours{};
    for (unsigned channel = 0; channel < 3; ++channel) {
        for (unsigned endpoint = 0; endpoint < endpoints; ++endpoint) {
            colours[endpoint][channel] = bits.Take(mode.colourBits);
        }
    }
    for (unsigned endpoint = 0; endpoint < endpoints; ++endpoint) {
        colours[endpoint][3] = mode.alphaBits > 0 ? bits.Take(mode.alphaBits) : 255;
    }
    std::array<unsigned, 6> pBits{};
    if (mode.endpointPBits > 0) {
        for (unsigned endpoint = 0; endpoint < endpoints; ++endpoint) {
            pBits[endpoint] = bits.Take(1);
        }
    } else if (mode.sharedPBits > 0) {
        for (unsigned subset = 0; subset < mode.subsets; ++subset) {
            pBits[2 * subset] = pBits[2 * subset + 1] = bits.Take(1);
        }
    }
    const bool hasPBit = mode.endpointPBits > 0 || mode.sharedPBits > 0;
    for (unsigned endpoint = 0; endpoint < endpoints; ++endpoint) {
        for (unsigned channel = 0; channel < 4; ++channel) {
            const unsigned width = channel < 3 ? mode.colourBits : mode.alphaBits;
            if (width == 0) {
                continue;
            }
            unsigned value = colours[endpoint][channel];
            unsigned total = width;
            if (hasPBit) {
                value = value << 1 | pBits[endpoint];
                ++total;
            }
            colours[endpoint][channel] = Bytes::Widen(value, total);
        }
    }

    std::array<unsigned, 16> indices{};
    std::array<unsigned, 16> secondIndices{};
    for (unsigned pixel = 0; pixel < 16; ++pixel) {
        indices[pixel] = bits.Take(mode.indexBits - (IsAnchor(mode.subsets, shape, pixel) ? 1 : 0));
    }
    if (mode.secondIndexBits > 0) {
        for (unsigned pixel = 0; pixel < 16; ++pixel) {
            secondIndices[pixel] = bits.Take(mode.secondIndexBits - (pixel == 0 ? 1 : 0));
        }
    }

    for (unsigned pixel = 0; pixel < 16; ++pixel) {
        const unsigned subset = SubsetOf(mode.subsets, shape, pixel);
        const auto& low = colours[2 * subset];
        const auto& high = colours[2 * subset + 1];
        unsigned colourBits = mode.indexBits;
        unsigned colourIndex = indices[pixel];
        unsigned alphaBits = mode.indexBits;
        unsigned alphaIndex = indices[pixel];
        if (mode.secondIndexBits > 0) {
            alphaBits = mode.secondIndexBits;
            alphaIndex = secondIndices[pixel];
            if (selection == 1) {
                std::swap(colourBits, alphaBits);
                std::swap(colourIndex, alphaIndex);
            }
        }
        std::uint8_t* out = rgba + 4 * pixel;
        for (unsigned channel = 0; channel < 4; ++channel) {
            const unsigned weight = channel < 3 ? Weight(colourBits, colourIndex) : Weight(alphaBits, alphaIndex);
            out[channel] = static_cast<std::uint8_t>(((64 - weight) * low[channel] + weight * high[channel] + 32) >> 6);
        }
        if (rotation > 0) {
            std::swap(out[3], out[rotation - 1]);
        }
    }
}

bool DecodedLevel::Complete() const
{
    return std::ranges::none_of(missing, [](bool pixel) { return pixel; });
}

namespace {

void DecodeBlocks(const DdsFormat& format, std::span<const std::uint8_t> data, DecodedLevel& level)
{
    const std::size_t blockBytes = format.kind == DdsKind::Bc1 || format.kind == DdsKind::Bc4 ? 8 : 16;
    const std::uint32_t blocksAcross = (level.image.width + 3) / 4;
    const std::uint32_t blockRows = (level.image.height + 3) / 4;
    std::array<std::uint8_t, 64> pixels{};
    for (std::uint32_t row = 0; row < blockRows; ++row) {
        for (std::uint32_t column = 0; column < blocksAcross; ++column) {
            const std::size_t offset = (std::size_t{row} * blocksAcross + column) * blockBytes;
            const bool present = offset + blockBytes <= data.size();
            if (present) {
                const std::uint8_t* block = data.data() + offset;
                switch (format.kind) {
                case DdsKind::Bc1: DecodeBc1Block(block, pixels.data(), true); break;
                case DdsKind::Bc2: DecodeBc2Block(block, pixels.data()); break;
                case DdsKind::Bc3: DecodeBc3Block(block, pixels.data()); break;
                case DdsKind::Bc4: DecodeBc4Block(block, pixels.data()); break;
                case DdsKind::Bc5: DecodeBc5Block(block, pixels.data()); break;
                default: DecodeBc7Block(block, pixels.data()); break;
                }
            }
            for (std::uint32_t y = 4 * row; y < std::min(4 * row + 4, level.image.height); ++y) {
                for (std::uint32_t x = 4 * column; x < std::min(4 * column + 4, level.image.width); ++x) {
                    if (present) {
                        std::copy_n(pixels.data() + 4 * (4 * (y - 4 * row) + (x - 4 * column)), 4, level.image.Pixel(x, y));
                    } else {
                        level.missing[std::size_t{y} * level.image.width + x] = true;
                    }
                }
            }
        }
    }
}

void DecodeUncompressed(const DdsFormat& format, std::span<const std::uint8_t> data, DecodedLevel& level)
{
    const std::size_t pixelBytes = format.bitsPerPixel / 8;
    const std::size_t rowBytes = pixelBytes * level.image.width;
    struct Channel {
        std::uint32_t mask;
        unsigned shift, largest;
    };
    std::array<Channel, 4> channels{};
    const std::array<std::uint32_t, 4> masks{format.redMask, format.greenMask, format.blueMask, format.alphaMask};
    for (std::size_t channel = 0; channel < 4; ++channel) {
        const std::uint32_t mask = masks[channel];
        const unsigned shift = mask == 0 ? 0 : static_cast<unsigned>(std::countr_zero(mask));
        channels[channel] = {mask, shift, mask == 0 ? 1 : static_cast<unsigned>(std::min<std::uint64_t>(mask >> shift, 0xFFFFFFFF))};
    }
    const auto value = [](const Channel& channel, std::uint32_t packed) {
        return static_cast<std::uint8_t>((std::uint64_t{(packed & channel.mask) >> channel.shift} * 255 + channel.largest / 2) /
                                         channel.largest);
    };
    for (std::uint32_t y = 0; y < level.image.height; ++y) {
        for (std::uint32_t x = 0; x < level.image.width; ++x) {
            const std::size_t offset = y * rowBytes + x * pixelBytes;
            if (offset + pixelBytes > data.size()) {
                level.missing[std::size_t{y} * level.image.width + x] = true;
                continue;
            }
            std::uint32_t packed = 0;
            for (std::size_t byte = 0; byte < pixelBytes; ++byte) {
                packed |= std::uint32_t{data[offset + byte]} << (8 * byte);
            }
            std::uint8_t* pixel = level.image.Pixel(x, y);
            pixel[0] = value(channels[0], packed);
            pixel[1] = format.luminance ? pixel[0] : value(channels[1], packed);
            pixel[2] = format.luminance ? pixel[0] : value(channels[2], packed);
            pixel[3] = format.alphaMask == 0 ? 255 : value(channels[3], packed);
        }
    }
}

}  // namespace

DecodedLevel DecodeLevel(const DdsFormat& format, std::span<const std::uint8_t> data, std::uint32_t width,
                         std::uint32_t height)
{
    if (format.kind == DdsKind::Bc6h || format.kind == DdsKind::Unknown) {
        throw PictureError("a texture of " + format.name + " cannot be decoded");
    }
    DecodedLevel level{Image(width, height), std::vector<bool>(std::size_t{width} * height)};
    if (format.kind == DdsKind::Uncompressed) {
        DecodeUncompressed(format, data, level);
    } else {
        DecodeBlocks(format, data, level);
    }
    return level;
}

}  // namespace Picture
