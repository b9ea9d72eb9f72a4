#include "picture/png_write.h"

#include <png.h>

#include <string>

namespace Picture {

std::vector<std::uint8_t> EncodePng(const Image& image)
{
    png_image description{};
    description.version = PNG_IMAGE_VERSION;
    description.width = image.width;
    description.height = image.height;
    description.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    // Asked for its size first, then written into memory of that size.
    if (!png_image_write_to_memory(&description, nullptr, &size, 0, image.rgba.data(), 0, nullptr)) {
        const std::string reason = description.message;
        png_image_free(&description);
        throw PictureError("cannot make the PNG picture: " + reason);
    }
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&description, bytes.data(), &size, 0, image.rgba.data(), 0, nullptr)) {
        const std::string reason = description.message;
        png_image_free(&description);
        throw PictureError("cannot make the PNG picture: " + reason);
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace Picture
