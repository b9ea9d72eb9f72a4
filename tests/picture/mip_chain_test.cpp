#include <gtest/gtest.h>

#include "picture/mip_chain.h"

using namespace Picture;

namespace {

Image Filled(std::uint32_t width, std::uint32_t height, std::array<std::uint8_t, 4> colour)
{
    Image image(width, height);
    for (std::size_t pixel = 0; pixel < std::size_t{width} * height; ++pixel) {
        std::ranges::copy(colour, image.rgba.data() + 4 * pixel);
    }
    return image;
}

}  // namespace

TEST(MipChain, HalvesDownToOnePixelInLinearLightWithoutDarkFringes)
{
    EXPECT_EQ(FullChainLength(256, 256), 9u);
    EXPECT_EQ(FullChainLength(256, 64), 9u);
    EXPECT_EQ(FullChainLength(1, 1), 1u);

    const std::vector<Image> chain = BuildMipChain(Filled(8, 2, {10, 20, 30, 255}), 4);
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_EQ(chain[1].width, 4u);
    EXPECT_EQ(chain[1].height, 1u);
    EXPECT_EQ(chain[3].width, 1u);
    EXPECT_EQ(chain[3].height, 1u);
    EXPECT_EQ(chain[3].Pixel(0, 0)[2], 30) << "a flat picture stays the colour it is";

    // Black and white average to half the light, which sRGB writes as 188, not 128.
    Image checker = Filled(2, 2, {0, 0, 0, 255});
    std::ranges::fill_n(checker.Pixel(1, 0), 3, 255);
    std::ranges::fill_n(checker.Pixel(0, 1), 3, 255);
    EXPECT_NEAR(BuildMipChain(checker, 2)[1].Pixel(0, 0)[0], 188, 1);

    // Red beside transparent pixels whose colour is black stays red, a quarter opaque.
    Image edge = Filled(2, 2, {0, 0, 0, 0});
    const std::array<std::uint8_t, 4> red{255, 0, 0, 255};
    std::ranges::copy(red, edge.Pixel(0, 0));
    const std::vector<Image> edgeChain = BuildMipChain(edge, 2);
    const std::uint8_t* below = edgeChain[1].Pixel(0, 0);
    EXPECT_EQ(below[0], 255);
    EXPECT_EQ(below[1], 0);
    EXPECT_NEAR(below[3], 64, 1);
}
