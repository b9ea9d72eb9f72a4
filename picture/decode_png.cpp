#include <png.h>

#include <memory>
#include <string>

#include "picture/decoders.h"

namespace Picture::Decoders {

namespace {

// libpng's simplified reader: it handles every colour type, bit depth,
// palette and transparency chunk, checks CRCs and reports errors as text
// instead of jumping out of our frames.
struct PngReader {
    png_image image{};
    PngReader() { image.version = PNG_IMAGE_VERSION; }
    ~PngReader() { png_image_free(&image); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
};

[[noreturn]] void Fail(const png_image& image)
{
    throw PictureError(std::string("the PNG picture cannot be read: ") + image.message);
}

}  // namespace

Image DecodePng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    PngReader reader;
    if (!png_image_begin_read_from_memory(&reader.image, bytes.data(), bytes.size())) {
        Fail(reader.image);
    }
    CheckSize("PNG", reader.image.width, reader.image.height, limits);
    reader.image.format = PNG_FORMAT_RGBA;
    Image picture(reader.image.width, reader.image.height);
    if (!png_image_finish_read(&reader.image, nullptr, picture.rgba.data(), 0, nullptr)) {
        Fail(reader.image);
    }
    return picture;
}

}  // namespace Picture::Decoders
