#include <gtest/gtest.h>

#include <array>

#include "picture/picture_decode.h"
#include "tests/picture/picture_files.h"

using namespace Picture;

namespace {

using Colour = std::array<int, 4>;

Colour At(const Image& image, std::uint32_t x, std::uint32_t y)
{
    const std::uint8_t* pixel = image.Pixel(x, y);
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

void ExpectQuarters(const Image& image, bool whiteIsTransparent, int tolerance)
{
    ASSERT_EQ(image.width, 8u);
    ASSERT_EQ(image.height, 4u);
    const std::array<std::pair<std::array<std::uint32_t, 2>, Colour>, 4> corners{{
        {{0, 0}, {255, 0, 0, 255}},
        {{7, 0}, {0, 0, 255, 255}},
        {{0, 3}, {0, 255, 0, 255}},
        {{7, 3}, {255, 255, 255, whiteIsTransparent ? 0 : 255}},
    }};
    for (const auto& [place, colour] : corners) {
        const Colour found = At(image, place[0], place[1]);
        for (std::size_t channel = 0; channel < 4; ++channel) {
            if (channel < 3 && whiteIsTransparent && colour[3] == 0) {
                continue;  // the colour of a transparent pixel is anyone's
            }
            EXPECT_NEAR(found[channel], colour[channel], tolerance) << "pixel " << place[0] << "," << place[1];
        }
    }
}

Image Decode(const std::string& name, const DecodeLimits& limits = {})
{
    const std::vector<std::uint8_t> bytes = TestPicture(name);
    return DecodePicture(DetectPicture(bytes, name), bytes, limits);
}

std::string DecodeFailure(PictureKind kind, std::span<const std::uint8_t> bytes)
{
    try {
        DecodePicture(kind, bytes);
    } catch (const PictureError& error) {
        return error.what();
    }
    return "decoded";
}

}  // namespace

TEST(DecodePicture, EveryFormatAndLayoutGivesThePictureTheWayUp)
{
    for (const auto& [name, alpha] : {std::pair{"rgba.png", true}, {"palette.png", false}, {"gray16.png", false},
                                      {"rgba32.tga", true}, {"rle24.tga", false}, {"rgb24.bmp", false},
                                      {"rgba32.bmp", true}, {"rle8.bmp", false}}) {
        SCOPED_TRACE(name);
        if (std::string(name) == "gray16.png") {
            const Image grey = Decode(name);
            // Grey pictures come out grey: red, green and blue the same.
            EXPECT_EQ(At(grey, 0, 0)[0], At(grey, 0, 0)[1]);
            EXPECT_GT(At(grey, 7, 3)[0], 250);
            continue;
        }
        ExpectQuarters(Decode(name), alpha, 0);
    }
    SCOPED_TRACE("quad.jpg");
    ExpectQuarters(Decode("quad.jpg"), false, 12);  // JPEG is lossy
}

TEST(DetectPicture, ContentDecidesAndTgaNeedsItsNameOrFooter)
{
    const std::vector<std::uint8_t> png = TestPicture("rgba.png");
    EXPECT_EQ(DetectPicture(png, "looks.tga"), PictureKind::Png);
    EXPECT_EQ(DetectPicture(TestPicture("quad.jpg"), "quad.dds"), PictureKind::Jpeg);
    EXPECT_EQ(DetectPicture(TestPicture("rgb24.bmp"), "x"), PictureKind::Bmp);
    std::vector<std::uint8_t> tga = TestPicture("rgba32.tga");
    EXPECT_EQ(DetectPicture(tga, "Picture.TGA"), PictureKind::Tga);
    EXPECT_EQ(DetectPicture(tga, "picture.bin"), PictureKind::None);
    const std::string footer("\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26);
    tga.insert(tga.end(), footer.begin(), footer.end());
    EXPECT_EQ(DetectPicture(tga, "picture.bin"), PictureKind::Tga);
    EXPECT_EQ(DetectPicture(std::vector<std::uint8_t>{'D', 'D', 'S', ' '}, "a.tga"), PictureKind::None);
}

TEST(DecodePicture, DamagedAndOversizedPicturesAreRefusedWithAReason)
{
    for (const char* name : {"rgba.png", "quad.jpg", "rgba32.tga", "rle24.tga", "rgb24.bmp", "rgba32.bmp", "rle8.bmp"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> whole = TestPicture(name);
        const PictureKind kind = DetectPicture(whole, name);
        // Cut anywhere past the signature: an error, or the picture itself
        // when only what follows its pixels is gone; never a crash, and
        // never a picture with the rest made up.
        for (std::size_t length = 4; length < whole.size(); length += 7) {
            const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            try {
                SCOPED_TRACE(length);
                ExpectQuarters(DecodePicture(kind, cut), std::string(name).find("rgba") != std::string::npos,
                               kind == PictureKind::Jpeg ? 12 : 0);
            } catch (const PictureError& error) {
                EXPECT_NE(std::string(error.what()), "");
            }
        }
        EXPECT_THROW(Decode(name, DecodeLimits{4}), PictureError);
    }
}

TEST(DecodePicture, HeadersThatLieAboutTheirDataAreRefused)
{
    std::vector<std::uint8_t> tga = TestPicture("rle24.tga");
    ASSERT_EQ(tga[30], 0x83);  // the first packet: a run of 4 pixels of colour 2
    tga[31] = 9;                // of colour 9, which its map of 4 colours does not hold
    EXPECT_THROW(DecodePicture(PictureKind::Tga, tga), PictureError);

    std::vector<std::uint8_t> bmp = TestPicture("rgb24.bmp");
    bmp[22] = 0xFF;  // a height of 255 rows, which the file does not hold
    EXPECT_THROW(DecodePicture(PictureKind::Bmp, bmp), PictureError);
    bmp = TestPicture("rgb24.bmp");
    bmp[14] = 200;  // a header of no known size
    EXPECT_THROW(DecodePicture(PictureKind::Bmp, bmp), PictureError);

    // Run-length data that ends on an odd literal, without its padding byte:
    // the end-of-picture mark behind the file must not be read.
    std::vector<std::uint8_t> rle = TestPicture("rle8.bmp");
    rle.resize(1078);  // the headers and the palette
    rle.insert(rle.end(), {0x00, 0x03, 5, 5, 5, /* past the end: */ 0xEE, 0x00, 0x01});
    EXPECT_THROW(DecodePicture(PictureKind::Bmp, std::span(rle).first(rle.size() - 3)), PictureError);

    // A PNG chunk that claims more bytes than the file holds: libpng would
    // allocate all of them before finding the file short.
    std::vector<std::uint8_t> png = TestPicture("rgba.png");
    const std::size_t end = png.size() - 12;  // the IEND chunk
    png.insert(png.begin() + static_cast<std::ptrdiff_t>(end), {0x70, 0xDF, 0xE1, 0xC6, 'i', 'T', 'X', 't', 0, 0});
    EXPECT_EQ(DecodeFailure(PictureKind::Png, png), "the PNG picture cannot be read: a chunk runs past the end of the file");

    // A picture whose alpha channel is zero throughout is meant opaque.
    std::vector<std::uint8_t> clear = TestPicture("rgba32.tga");
    for (std::size_t alpha = 18 + 3; alpha < clear.size(); alpha += 4) {
        clear[alpha] = 0;
    }
    EXPECT_EQ(DecodePicture(PictureKind::Tga, clear).Pixel(0, 0)[3], 255);
}
