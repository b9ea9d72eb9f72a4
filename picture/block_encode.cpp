#include "picture/block_encode.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <system_error>
#include <thread>

#include "picture/byte_reader.h"
#include "picture/dxt1_block.h"

namespace Picture {

namespace {

constexpr std::size_t kBlockBytes = 8;

// The 4 x 4 pixels of one block; those past the level's edge are left out
// of the fit through the mask.
void EncodeBlock(const Image& level, std::uint32_t blockX, std::uint32_t blockY, std::uint8_t* block)
{
    std::array<std::uint8_t, 64> pixels{};
    unsigned mask = 0;
    for (std::uint32_t row = 0; row < 4; ++row) {
        for (std::uint32_t column = 0; column < 4; ++column) {
            const std::uint32_t x = 4 * blockX + column;
            const std::uint32_t y = 4 * blockY + row;
            if (x < level.width && y < level.height) {
                std::copy_n(level.Pixel(x, y), 4, pixels.data() + 4 * (4 * row + column));
                mask |= 1u << (4 * row + column);
            }
        }
    }
    EncodeDxt1Block(pixels, mask, block);
}

std::vector<std::uint8_t> EncodeDxt1(const Image& level, unsigned threads)
{
    const std::uint32_t blocksAcross = (level.width + 3) / 4;
    const std::uint32_t blockRows = (level.height + 3) / 4;
    std::vector<std::uint8_t> data(std::size_t{blocksAcross} * blockRows * kBlockBytes);
    std::atomic<std::uint32_t> nextRow{0};
    const auto work = [&] {
        for (std::uint32_t row; (row = nextRow++) < blockRows;) {
            for (std::uint32_t column = 0; column < blocksAcross; ++column) {
                EncodeBlock(level, column, row, data.data() + (std::size_t{row} * blocksAcross + column) * kBlockBytes);
            }
        }
    };
    std::vector<std::jthread> helpers;
    try {
        for (unsigned helper = 1; helper < std::min(threads, blockRows); ++helper) {
            helpers.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // Fewer threads do the same work.
    }
    work();
    return data;
}

// The code of `bits` bits whose widened value is nearest to `value`.
unsigned Quantise(std::uint8_t value, unsigned bits)
{
    const unsigned largest = (1u << bits) - 1;
    const unsigned guess = (value * largest + 127) / 255;
    unsigned best = guess;
    for (const unsigned candidate : {guess == 0 ? 0 : guess - 1, std::min(guess + 1, largest)}) {
        const int error = Bytes::Widen(candidate, bits) - value;
        const int bestError = Bytes::Widen(best, bits) - value;
        if (std::abs(error) < std::abs(bestError)) {
            best = candidate;
        }
    }
    return best;
}

std::vector<std::uint8_t> EncodeSixteenBit(const Image& level, TextureFormat format)
{
    const ChannelMasks masks = MasksOf(format);
    const std::array<std::uint32_t, 4> channelMasks{masks.red, masks.green, masks.blue, masks.alpha};
    std::array<std::array<std::uint16_t, 256>, 4> codes{};
    for (std::size_t channel = 0; channel < 4; ++channel) {
        const std::uint32_t mask = channelMasks[channel];
        if (mask == 0) {
            continue;
        }
        const auto shift = static_cast<unsigned>(std::countr_zero(mask));
        const auto bits = static_cast<unsigned>(std::popcount(mask));
        for (unsigned value = 0; value < 256; ++value) {
            codes[channel][value] = static_cast<std::uint16_t>(Quantise(static_cast<std::uint8_t>(value), bits) << shift);
        }
    }
    std::vector<std::uint8_t> data(std::size_t{2} * level.width * level.height);
    for (std::size_t index = 0; index < data.size() / 2; ++index) {
        const std::uint8_t* pixel = level.rgba.data() + 4 * index;
        const unsigned packed = codes[0][pixel[0]] | codes[1][pixel[1]] | codes[2][pixel[2]] | codes[3][pixel[3]];
        data[2 * index] = static_cast<std::uint8_t>(packed);
        data[2 * index + 1] = static_cast<std::uint8_t>(packed >> 8);
    }
    return data;
}

}  // namespace

std::vector<std::uint8_t> EncodeLevel(const Image& level, TextureFormat format, unsigned threads)
{
    if (format == TextureFormat::Dxt1) {
        return EncodeDxt1(level, std::max(1u, threads));
    }
    return EncodeSixteenBit(level, format);
}

}  // namespace Picture
