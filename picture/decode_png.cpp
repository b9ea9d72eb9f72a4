#include <png.h>

#include <cstring>
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

[[noreturn]] void Fail(const std::string& reason)
{
    throw PictureError("the PNG picture cannot be read: " + reason);
}

// libpng allocates a chunk's stated length before it reads the chunk, so a
// few hundred bytes could have it ask for gigabytes. Held in memory, a chunk
// holds no more data than follows its header: one that claims more is
// refused here. A CRC cut off is libpng's to judge.
void RequireChunksWithinFile(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kSignatureLength = 8;
    constexpr std::size_t kChunkHeader = 8;  // length and type
    constexpr std::size_t kChunkCrc = 4;
    std::size_t offset = kSignatureLength;
    while (offset + kChunkHeader <= bytes.size()) {
        const std::uint64_t length = std::uint64_t{bytes[offset]} << 24 | std::uint64_t{bytes[offset + 1]} << 16 |
                                     std::uint64_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
        if (offset + kChunkHeader + length > bytes.size()) {
            Fail("a chunk runs past the end of the file");
        }
        if (std::memcmp(bytes.data() + offset + 4, "IEND", 4) == 0) {
            return;
        }
        offset += kChunkHeader + static_cast<std::size_t>(length) + kChunkCrc;
    }
}

}  // namespace

Image DecodePng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    RequireChunksWithinFile(bytes);
    PngReader reader;
    if (!png_image_begin_read_from_memory(&reader.image, bytes.data(), bytes.size())) {
        Fail(reader.image.message);
    }
    CheckSize("PNG", reader.image.width, reader.image.height, limits);
    reader.image.format = PNG_FORMAT_RGBA;
    Image picture(reader.image.width, reader.image.height);
    if (!png_image_finish_read(&reader.image, nullptr, picture.rgba.data(), 0, nullptr)) {
        Fail(reader.image.message);
    }
    return picture;
}

}  // namespace Picture::Decoders
