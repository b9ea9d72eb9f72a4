#include <gtest/gtest.h>

#include <array>

#include "picture/block_decode.h"
#include "picture/level_preview.h"
#include "conversion/import_file.h"
#include "support/dds_builder.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

using namespace Picture;

namespace {

// Writes fields into a 128-bit block from its lowest bit up.
class BlockWriter {
public:
    void Put(unsigned value, unsigned bits)
    {
        for (unsigned bit = 0; bit < bits; ++bit, ++position_) {
            block[position_ / 8] |= static_cast<std::uint8_t>(((value >> bit) & 1u) << (position_ % 8));
        }
    }
    std::array<std::uint8_t, 16> block{};

private:
    unsigned position_ = 0;
};

std::array<int, 4> PixelOf(const std::array<std::uint8_t, 64>& pixels, std::size_t index)
{
    return {pixels[4 * index], pixels[4 * index + 1], pixels[4 * index + 2], pixels[4 * index + 3]};
}

}  // namespace

TEST(DecodeBlocks, Dxt1SpansItsColoursAndKeepsTransparentBlack)
{
    // Red (F800) to blue (001F), indices 0, 1, 2, 3 along the first row.
    std::array<std::uint8_t, 8> block{0x00, 0xF8, 0x1F, 0x00, 0b11100100, 0, 0, 0};
    std::array<std::uint8_t, 64> pixels{};
    DecodeBc1Block(block.data(), pixels.data(), true);
    EXPECT_EQ(PixelOf(pixels, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(PixelOf(pixels, 1), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(PixelOf(pixels, 2), (std::array<int, 4>{170, 0, 85, 255}));
    EXPECT_EQ(PixelOf(pixels, 3), (std::array<int, 4>{85, 0, 170, 255}));
    // The same colours the other way round: three colours and transparent.
    std::swap(block[0], block[2]);
    std::swap(block[1], block[3]);
    DecodeBc1Block(block.data(), pixels.data(), true);
    EXPECT_EQ(PixelOf(pixels, 2), (std::array<int, 4>{127, 0, 127, 255}));
    EXPECT_EQ(PixelOf(pixels, 3), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(DecodeBlocks, Bc7ModesSixAndFiveAsTheFormatDefinesThem)
{
    // Mode 6: one subset, RGBA endpoints of 7 bits and a p-bit each, 4-bit indices.
    BlockWriter six;
    six.Put(1u << 6, 7);
    for (const unsigned channel : {0u, 1u, 2u, 3u}) {
        six.Put(channel == 0 || channel == 3 ? 127 : 0, 7);  // first endpoint
        six.Put(0, 7);                                       // second endpoint
    }
    six.Put(1, 1);  // p-bits: the first endpoint's low bit 1, the second's 0
    six.Put(0, 1);
    six.Put(7, 3);  // pixel 0, the anchor, has one bit less: index 7 of 15
    six.Put(15, 4);  // pixel 1: the second endpoint
    std::array<std::uint8_t, 64> pixels{};
    DecodeBc7Block(six.block.data(), pixels.data());
    EXPECT_EQ(PixelOf(pixels, 0), (std::array<int, 4>{135, 1, 1, 135}));  // weight 30 of 64
    EXPECT_EQ(PixelOf(pixels, 1), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(PixelOf(pixels, 2), (std::array<int, 4>{255, 1, 1, 255}));

    // Mode 5 with rotation 1: the alpha channel's value lands in red.
    BlockWriter five;
    five.Put(1u << 5, 6);
    five.Put(1, 2);  // rotation: swap alpha and red
    for (const unsigned value : {0u, 0u, 127u, 127u, 0u, 0u}) {
        five.Put(value, 7);  // red, green, blue endpoints
    }
    five.Put(200, 8);
    five.Put(200, 8);  // alpha endpoints
    std::array<std::uint8_t, 64> rotated{};
    DecodeBc7Block(five.block.data(), rotated.data());
    EXPECT_EQ(PixelOf(rotated, 5), (std::array<int, 4>{200, 255, 0, 0}));

    // A block of a reserved mode is transparent black.
    std::array<std::uint8_t, 16> reserved{};
    DecodeBc7Block(reserved.data(), pixels.data());
    EXPECT_EQ(PixelOf(pixels, 9), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(Previews, ShortLevelsShowWhatIsMissing)
{
    // A DXT1 texture of 8 x 8 with 2 levels whose data ends 8 bytes into level 0.
    const TempDir folder;
    RecordingHost host(folder.Path());
    const std::vector<std::uint8_t> dds = BuildDds({8, 8, 2, "DXT1", std::vector<std::uint8_t>(8, 0)});
    WriteBytes(folder / "short.dds", dds);
    ImportFile::ImportTexture(folder / "short.dds", host);
    const std::vector<std::uint8_t> levelFile = ReadBytes(folder / "short.lvl");

    const std::vector<LevelRecordData> records = ReadLevelRecords(levelFile);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].data.size(), 8u);
    EXPECT_EQ(records[1].data.size(), 0u);
    const auto format = ReadDdsHeader(dds)->format;
    const std::vector<PreviewLevel> levels = PreviewLevels(records, format, 8, 8);
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0].needed, 32u);
    EXPECT_EQ(levels[0].present, 8u);
    EXPECT_EQ(levels[0].image.Pixel(0, 0)[1], 0) << "the block that is there: black";
    const std::uint8_t* missing = levels[0].image.Pixel(4, 0);
    EXPECT_EQ((std::array<int, 3>{missing[0], missing[1], missing[2]}), (std::array<int, 3>{255, 0, 255}))
        << "the rest: the checkerboard";

    EXPECT_EQ(GuessLevelFileSize(format, 32768), (std::pair<std::uint32_t, std::uint32_t>{256, 256}));
    EXPECT_EQ(GuessLevelFileSize(format, 16384), (std::pair<std::uint32_t, std::uint32_t>{256, 128}));
}
