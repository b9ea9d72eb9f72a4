#include <gtest/gtest.h>

#include <squish.h>

#include <array>
#include <random>

#include "picture/block_decode.h"
#include "picture/dxt1_block.h"

using namespace Picture;

namespace {

using Pixels = std::array<std::uint8_t, 64>;
using Block = std::array<std::uint8_t, 8>;

constexpr unsigned kWholeBlock = 0xFFFF;

Block Encode(const Pixels& pixels, unsigned mask = kWholeBlock)
{
    Block block{};
    EncodeDxt1Block(pixels, mask, block.data());
    return block;
}

// libsquish's cluster fit, red, green and blue weighed alike: the fit that
// ours must match.
Block Reference(const Pixels& pixels, unsigned mask)
{
    Block block{};
    float uniform[3] = {1.0f, 1.0f, 1.0f};
    squish::CompressMasked(pixels.data(), static_cast<int>(mask), block.data(), squish::kDxt1 | squish::kColourClusterFit,
                           uniform);
    return block;
}

// The squared error of the decoded block over the pixels it shows; a pixel
// it makes transparent, or shows where the picture has none, fails the test.
long SquaredError(const Pixels& pixels, unsigned mask, const Block& block)
{
    Pixels decoded{};
    DecodeBc1Block(block.data(), decoded.data(), true);
    long error = 0;
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        if ((mask >> pixel & 1) == 0) {
            continue;
        }
        const bool shown = pixels[4 * pixel + 3] >= 128;
        EXPECT_EQ(decoded[4 * pixel + 3], shown ? 255 : 0) << "pixel " << pixel;
        for (std::size_t channel = 0; shown && channel < 3; ++channel) {
            const long difference = long{decoded[4 * pixel + channel]} - pixels[4 * pixel + channel];
            error += difference * difference;
        }
    }
    return error;
}

// Blocks of the kinds pictures are made of: noise, gradients with grain,
// a few flat colours; some with transparent pixels.
class BlockMaker {
public:
    Pixels Make(unsigned kind)
    {
        Pixels pixels{};
        const std::array<int, 3> from = Colour();
        const std::array<int, 3> to = Colour();
        std::array<std::array<int, 3>, 3> flat{from, to, Colour()};
        for (std::size_t pixel = 0; pixel < 16; ++pixel) {
            std::array<int, 3> colour{};
            switch (kind % 3) {
            case 0: colour = Colour(); break;
            case 1:
                for (std::size_t channel = 0; channel < 3; ++channel) {
                    const int grain = Uniform(-6, 6);
                    colour[channel] = from[channel] + (to[channel] - from[channel]) * static_cast<int>(pixel) / 15 + grain;
                }
                break;
            default: colour = flat[static_cast<std::size_t>(Uniform(0, 2))]; break;
            }
            for (std::size_t channel = 0; channel < 3; ++channel) {
                pixels[4 * pixel + channel] = static_cast<std::uint8_t>(std::clamp(colour[channel], 0, 255));
            }
            const bool seeThrough = kind >= 3 && Uniform(0, 3) == 0;
            pixels[4 * pixel + 3] = static_cast<std::uint8_t>(seeThrough ? Uniform(0, 127) : Uniform(128, 255));
        }
        return pixels;
    }

private:
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::array<int, 3> Colour() { return {Uniform(0, 255), Uniform(0, 255), Uniform(0, 255)}; }

    std::mt19937 random_{18};
};

}  // namespace

TEST(Dxt1Block, FitsAsCloselyAsTheReferenceClusterFit)
{
    BlockMaker maker;
    for (unsigned kind = 0; kind < 6; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        long ours = 0;
        long reference = 0;
        for (int round = 0; round < 2000; ++round) {
            const Pixels pixels = maker.Make(kind);
            const unsigned mask = round % 4 == 0 ? 0x0777u : kWholeBlock;  // a corner block of a 3 x 3 level
            ours += SquaredError(pixels, mask, Encode(pixels, mask));
            reference += SquaredError(pixels, mask, Reference(pixels, mask));
        }
        // Block by block either may win (their principal axes differ in the
        // last bits); over many, ours must not lose.
        EXPECT_LE(ours, reference);
    }
}

TEST(Dxt1Block, OneColourDecodesAsNearAsAnyEndPointsAllow)
{
    std::mt19937 random(18);
    for (int round = 0; round < 2 * 256 + 1000; ++round) {
        // Every grey, opaque and beside a transparent pixel, then random colours.
        const auto value = [&](int) {
            return static_cast<std::uint8_t>(round < 512 ? round % 256 : std::uniform_int_distribution<int>(0, 255)(random));
        };
        Pixels pixels{};
        const std::array<std::uint8_t, 3> colour{value(0), value(1), value(2)};
        for (std::size_t pixel = 0; pixel < 16; ++pixel) {
            std::copy(colour.begin(), colour.end(), pixels.begin() + static_cast<std::ptrdiff_t>(4 * pixel));
            pixels[4 * pixel + 3] = 255;
        }
        if (round % 2 == 1) {
            pixels[3] = 0;
        }
        SCOPED_TRACE(std::to_string(colour[0]) + ", " + std::to_string(colour[1]) + ", " + std::to_string(colour[2]));
        const long error = SquaredError(pixels, kWholeBlock, Encode(pixels));
        EXPECT_LE(error, SquaredError(pixels, kWholeBlock, Reference(pixels, kWholeBlock)));
        // Thirds of the way between two codes come within 1 of every byte;
        // halves (beside transparency) within 2 on 5 bits.
        EXPECT_LE(error, round % 2 == 1 ? 15 * (4 + 1 + 4) : 16 * 3);
    }
}

TEST(Dxt1Block, ColoursThatFiveSixFiveHoldsComeBackExactly)
{
    // Two colours 5:6:5 holds, in a pattern, and a transparent pixel among them.
    Pixels pixels{};
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        const bool dark = (pixel * 7) % 3 == 0;
        const std::array<std::uint8_t, 4> colour = dark ? std::array<std::uint8_t, 4>{8, 12, 66, 255}
                                                        : std::array<std::uint8_t, 4>{255, 130, 0, 255};
        std::copy(colour.begin(), colour.end(), pixels.begin() + static_cast<std::ptrdiff_t>(4 * pixel));
    }
    EXPECT_EQ(SquaredError(pixels, kWholeBlock, Encode(pixels)), 0);
    pixels[4 * 5 + 3] = 40;
    EXPECT_EQ(SquaredError(pixels, kWholeBlock, Encode(pixels)), 0);

    // Nothing shown: every pixel transparent, whatever colour it carried.
    for (std::size_t pixel = 0; pixel < 16; ++pixel) {
        pixels[4 * pixel + 3] = 127;
    }
    EXPECT_EQ(Encode(pixels), (Block{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}
