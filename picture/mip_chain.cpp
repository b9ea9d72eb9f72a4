#include "picture/mip_chain.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace Picture {

namespace {

// A level in linear light, colour premultiplied by alpha.
struct LinearLevel {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::array<float, 4>> pixels;
};

const std::array<float, 256>& ToLinear()
{
    static const auto table = [] {
        std::array<float, 256> values{};
        for (std::size_t code = 0; code < values.size(); ++code) {
            const double value = static_cast<double>(code) / 255.0;
            values[code] = static_cast<float>(value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4));
        }
        return values;
    }();
    return table;
}

// Linear light in 65,536 steps to sRGB codes: finer than the darkest sRGB step.
constexpr std::size_t kLinearSteps = 65535;

const std::vector<std::uint8_t>& ToSrgb()
{
    static const auto table = [] {
        std::vector<std::uint8_t> codes(kLinearSteps + 1);
        for (std::size_t step = 0; step <= kLinearSteps; ++step) {
            const double value = static_cast<double>(step) / kLinearSteps;
            const double srgb = value <= 0.0031308 ? value * 12.92 : 1.055 * std::pow(value, 1 / 2.4) - 0.055;
            codes[step] = static_cast<std::uint8_t>(std::lround(std::clamp(srgb, 0.0, 1.0) * 255));
        }
        return codes;
    }();
    return table;
}

std::uint8_t SrgbCode(float linear)
{
    return ToSrgb()[static_cast<std::size_t>(std::clamp(linear, 0.0f, 1.0f) * kLinearSteps + 0.5f)];
}

std::array<float, 4> Premultiplied(const std::uint8_t* pixel)
{
    const float alpha = static_cast<float>(pixel[3]) / 255.0f;
    const auto& linear = ToLinear();
    return {linear[pixel[0]] * alpha, linear[pixel[1]] * alpha, linear[pixel[2]] * alpha, alpha};
}

// The level below, from a source that gives each pixel premultiplied.
template <typename Source>
LinearLevel Halve(std::uint32_t width, std::uint32_t height, const Source& source)
{
    LinearLevel level{std::max(1u, width / 2), std::max(1u, height / 2), {}};
    level.pixels.resize(std::size_t{level.width} * level.height);
    for (std::uint32_t y = 0; y < level.height; ++y) {
        const std::uint32_t top = std::min(2 * y, height - 1);
        const std::uint32_t bottom = std::min(2 * y + 1, height - 1);
        for (std::uint32_t x = 0; x < level.width; ++x) {
            const std::uint32_t left = std::min(2 * x, width - 1);
            const std::uint32_t right = std::min(2 * x + 1, width - 1);
            std::array<float, 4> sum{};
            for (const auto& sample : {source(left, top), source(right, top), source(left, bottom), source(right, bottom)}) {
                for (std::size_t channel = 0; channel < 4; ++channel) {
                    sum[channel] += sample[channel];
                }
            }
            for (float& channel : sum) {
                channel *= 0.25f;
            }
            level.pixels[std::size_t{y} * level.width + x] = sum;
        }
    }
    return level;
}

Image ToImage(const LinearLevel& level)
{
    Image image(level.width, level.height);
    for (std::size_t index = 0; index < level.pixels.size(); ++index) {
        const auto& [red, green, blue, alpha] = level.pixels[index];
        std::uint8_t* pixel = image.rgba.data() + 4 * index;
        const float unpremultiply = alpha > 0 ? 1.0f / alpha : 0.0f;
        pixel[0] = SrgbCode(red * unpremultiply);
        pixel[1] = SrgbCode(green * unpremultiply);
        pixel[2] = SrgbCode(blue * unpremultiply);
        pixel[3] = static_cast<std::uint8_t>(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255));
    }
    return image;
}

}  // namespace

unsigned FullChainLength(std::uint32_t width, std::uint32_t height)
{
    return static_cast<unsigned>(std::bit_width(std::max({width, height, 1u})));
}

std::vector<Image> BuildMipChain(Image picture, unsigned levelCount)
{
    std::vector<Image> chain;
    if (levelCount == 0) {
        return chain;
    }
    chain.push_back(std::move(picture));
    LinearLevel below;
    for (unsigned level = 1; level < levelCount; ++level) {
        if (level == 1) {
            const Image& top = chain.front();
            below = Halve(top.width, top.height, [&](std::uint32_t x, std::uint32_t y) { return Premultiplied(top.Pixel(x, y)); });
        } else {
            const LinearLevel& source = below;
            below = Halve(source.width, source.height,
                          [&](std::uint32_t x, std::uint32_t y) { return source.pixels[std::size_t{y} * source.width + x]; });
        }
        chain.push_back(ToImage(below));
    }
    return chain;
}

}  // namespace Picture
