#include <gtest/gtest.h>

#include <cmath>
#include <span>

#include "conversion/import_file.h"
#include "support/dds_builder.h"
#include "support/expected_level_file.h"
#include "picture/block_decode.h"
#include "picture/dds_format.h"
#include "picture/level_preview.h"
#include "picture/picture_texture.h"
#include "picture/texture_check.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

using namespace Picture;

namespace {

// A picture with detail in every block: a smooth gradient with a hard
// diagonal edge, opaque or with a transparent corner.
Image TestImage(std::uint32_t width, std::uint32_t height, bool transparentCorner = false)
{
    Image image(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = image.Pixel(x, y);
            pixel[0] = static_cast<std::uint8_t>(255 * x / std::max(1u, width - 1));
            pixel[1] = static_cast<std::uint8_t>(255 * y / std::max(1u, height - 1));
            pixel[2] = x > y ? 200 : 40;
            pixel[3] = transparentCorner && x < width / 2 && y < height / 2 ? 0 : 255;
        }
    }
    return image;
}

// Over the pixels the picture shows: a transparent one's colour is anyone's.
double RgbPsnr(const Image& picture, const Image& decoded)
{
    double squares = 0;
    std::size_t shown = 0;
    for (std::size_t pixel = 0; pixel < std::size_t{picture.width} * picture.height; ++pixel) {
        if (picture.rgba[4 * pixel + 3] == 0) {
            continue;
        }
        ++shown;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            squares += std::pow(double(picture.rgba[4 * pixel + channel]) - decoded.rgba[4 * pixel + channel], 2);
        }
    }
    const double mse = squares / (3.0 * shown);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The level file the core makes of a DDS texture in memory.
std::vector<std::uint8_t> ConvertInMemory(const std::vector<std::uint8_t>& dds)
{
    const TempDir folder;
    RecordingHost host(folder.Path());
    ImportFile::ConversionState state;
    state.sourceBytes.assign(dds.begin(), dds.end());
    ImportFile::ImportLoadedTexture(folder / "picture.png", host, state);
    EXPECT_EQ(host.reports, std::vector<std::string>{"status picture.lvl created."});
    return ReadBytes(folder / "picture.lvl");
}

// Whether `text` holds every one of `parts`.
void ExpectTextHolds(const std::string& text, std::initializer_list<const char*> parts)
{
    for (const char* part : parts) {
        EXPECT_NE(text.find(part), std::string::npos) << "\"" << part << "\" not in \"" << text << "\"";
    }
}

}  // namespace

TEST(EncodeTexture, EachFormatGivesAChainWhoseRecordsAreItsLevels)
{
    struct Case {
        TextureFormat format;
        std::uint32_t width, height;
        unsigned levels;
        std::vector<std::uint32_t> sizes;  // each record's size field
    };
    const std::vector<Case> cases{
        {TextureFormat::Dxt1, 16, 16, 5, {128, 32, 8, 8, 8}},
        // Below 4 rows a DXT1 level is still a row of blocks, which the level
        // file's quartering does not follow: the chain ends before.
        {TextureFormat::Dxt1, 32, 8, 2, {128, 32}},
        // The 1 x 1 level of 2 bytes is stored as 4: padded, not cut short.
        {TextureFormat::R5G6B5, 4, 4, 3, {32, 8, 2}},
        // A 2 x 1 level of 4 bytes, which the level file would size 2.
        {TextureFormat::A1R5G5B5, 8, 2, 2, {32, 8}},
        {TextureFormat::A4R4G4B4, 3, 3, 1, {18}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(FormatName(test.format)) + " " + std::to_string(test.width) + "x" + std::to_string(test.height));
        const EncodedTexture texture = EncodeTexture(TestImage(test.width, test.height), test.format, 2);
        EXPECT_EQ(texture.levelCount, test.levels);
        const auto header = ReadDdsHeader(texture.dds);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->levelCount, test.levels);
        EXPECT_EQ(texture.dds[84] == 'D', test.format == TextureFormat::Dxt1);
        EXPECT_EQ(CarriageProblem(texture.dds), std::nullopt);

        const std::span<const std::uint8_t> pixels = std::span(texture.dds).subspan(128);
        EXPECT_EQ(ConvertInMemory(texture.dds), ExpectedLevelFile(pixels, test.sizes));
        std::size_t stored = 0;
        for (const std::uint32_t size : test.sizes) {
            stored += size < 8 ? 4 : size;
        }
        EXPECT_EQ(stored, pixels.size()) << "the records take the texture's data whole, no more, no less";
    }
    EXPECT_THROW(EncodeTexture(TestImage(6, 6), TextureFormat::Dxt1, 1), PictureError);
}

// A level of 6 bytes is stored as 4, so no 16-bit format carries a 1 x 3
// picture; the refusal says so of the format asked for, not of DXT1.
TEST(EncodeTexture, SixBytePictureIsRefusedInTheFormatAskedFor)
{
    for (const auto& [width, height] : {std::pair{1u, 3u}, {3u, 1u}}) {
        try {
            EncodeTexture(TestImage(width, height), TextureFormat::R5G6B5, 1);
            ADD_FAILURE() << "a " << width << " x " << height << " picture was encoded";
        } catch (const PictureError& error) {
            EXPECT_EQ(std::string(error.what()), "a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                                     " cannot be a r5g6b5 level file: its 6 bytes are fewer than 8, "
                                                     "which the level file stores as 4");
        }
    }
    EXPECT_EQ(EncodeTexture(TestImage(2, 2), TextureFormat::A4R4G4B4, 1).levelCount, 2u);
}

TEST(EncodeTexture, DecodedLevelsAreThePictureWithinTheFormatsError)
{
    for (const TextureFormat format : {TextureFormat::Dxt1, TextureFormat::R5G6B5, TextureFormat::A1R5G5B5, TextureFormat::A4R4G4B4}) {
        SCOPED_TRACE(FormatName(format));
        const Image picture = TestImage(64, 64, true);
        const EncodedTexture texture = EncodeTexture(picture, format, 3);
        const Image decoded = DecodeTopLevel(texture.dds);
        EXPECT_GT(RgbPsnr(picture, decoded), format == TextureFormat::A4R4G4B4 ? 28 : 33);
        const bool keepsAlpha = format != TextureFormat::R5G6B5;
        EXPECT_EQ(decoded.Pixel(0, 0)[3], keepsAlpha ? 0 : 255) << "the transparent corner";
        EXPECT_EQ(decoded.Pixel(63, 63)[3], 255);
    }
    // Threads share out the blocks; the result does not depend on how many.
    EXPECT_EQ(EncodeTexture(TestImage(64, 32), TextureFormat::Dxt1, 1).dds,
              EncodeTexture(TestImage(64, 32), TextureFormat::Dxt1, 5).dds);
}

TEST(CarriageProblem, NamesWhatTheLevelFileWouldGetWrong)
{
    const auto problem = [](const std::string& fourCc, std::uint32_t width, std::uint32_t height, unsigned levels,
                            std::size_t dataBytes) {
        return CarriageProblem(BuildDds({width, height, levels, fourCc, NumberedBytes(dataBytes)})).value_or("");
    };
    EXPECT_EQ(problem("DXT1", 256, 256, 9, 43704), "");
    EXPECT_EQ(problem("DXT3", 64, 64, 7, 5488), "");
    ExpectTextHolds(problem("DXT5", 64, 64, 1, 4096), {"DXT5", "2 bytes per pixel", "holds 1 byte"});
    ExpectTextHolds(problem("DXT1", 256, 64, 9, 10952), {"level 5 (8 x 2) holds 16 bytes", "takes 8"});
    ExpectTextHolds(problem("DXT1", 16, 16, 1, 100), {"28 bytes short"});
    ExpectTextHolds(problem("DXT1", 16, 16, 0, 128), {"mipmap count is 0"});

    std::vector<std::uint8_t> bgra = BuildDds({4, 4, 1, "", NumberedBytes(64)});
    PutLittleEndian(bgra, 80, 0x41);  // RGB with alpha
    PutLittleEndian(bgra, 88, 32);
    for (const auto& [offset, mask] : {std::pair{92, 0xFF0000u}, {96, 0xFF00u}, {100, 0xFFu}, {104, 0xFF000000u}}) {
        PutLittleEndian(bgra, offset, mask);
    }
    ExpectTextHolds(CarriageProblem(bgra).value_or(""), {"32-bit A8R8G8B8", "holds 4 bytes"});

    std::vector<std::uint8_t> bc7 = BuildDds({4, 4, 1, "DX10", NumberedBytes(36)});
    PutLittleEndian(bc7, 128, 98);
    ExpectTextHolds(CarriageProblem(bc7).value_or(""), {"BC7", "DX10 header"});

    // A 16-bit texture of the full chain, whose 1 x 1 level is 2 bytes: carried.
    std::vector<std::uint8_t> r5g6b5 = BuildDds({4, 4, 3, "", NumberedBytes(42)});
    PutLittleEndian(r5g6b5, 80, 0x40);
    PutLittleEndian(r5g6b5, 88, 16);
    EXPECT_EQ(CarriageProblem(r5g6b5), std::nullopt);
}
