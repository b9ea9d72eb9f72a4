#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace Picture {

// Pixels as 8-bit red, green, blue and alpha, alpha not premultiplied, rows
// from the top.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgba;

    Image() = default;
    Image(std::uint32_t imageWidth, std::uint32_t imageHeight)
        : width(imageWidth), height(imageHeight), rgba(std::size_t{4} * imageWidth * imageHeight)
    {
    }

    std::uint8_t* Pixel(std::uint32_t x, std::uint32_t y) { return rgba.data() + 4 * (std::size_t{y} * width + x); }
    const std::uint8_t* Pixel(std::uint32_t x, std::uint32_t y) const
    {
        return rgba.data() + 4 * (std::size_t{y} * width + x);
    }
};

// Whether any pixel is less than half opaque: DXT1 shows those as transparent.
bool HasTransparentPixels(const Image& image);

// Many writers of 32- and 16-bit pictures leave the alpha channel at zero
// throughout; such a picture is meant opaque, not invisible, and becomes so.
void OpaqueWhenAlphaIsEmpty(Image& image);

// A picture or texture that cannot be read or made; the text says why and is
// meant for the user as it stands.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace Picture
