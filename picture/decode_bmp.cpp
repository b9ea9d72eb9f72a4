#include <array>
#include <bit>
#include <limits>
#include <string>
#include <vector>

#include "picture/byte_reader.h"
#include "picture/decoders.h"

namespace Picture::Decoders {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

[[noreturn]] void Fail(const std::string& reason)
{
    throw PictureError("the BMP picture cannot be read: " + reason);
}

// A colour channel as a mask of contiguous bits in a pixel value.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask) : mask_(mask)
    {
        if (mask == 0) {
            return;
        }
        shift_ = static_cast<unsigned>(std::countr_zero(mask));
        const std::uint32_t bits = mask >> shift_;
        if ((bits & (bits + 1)) != 0) {
            Fail("a colour mask has gaps in it");
        }
        largest_ = bits;
    }
    bool Present() const { return mask_ != 0; }
    std::uint8_t Of(std::uint32_t value) const
    {
        if (mask_ == 0) {
            return 0;
        }
        return static_cast<std::uint8_t>((std::uint64_t{(value & mask_) >> shift_} * 255 + largest_ / 2) / largest_);
    }

private:
    std::uint32_t mask_ = 0;
    unsigned shift_ = 0;
    std::uint32_t largest_ = 1;
};

struct BmpLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    unsigned bits = 0;
    std::uint32_t compression = kRgb;
    std::array<Channel, 4> channels;  // red, green, blue, alpha
    std::vector<std::array<std::uint8_t, 4>> palette;
    std::size_t pixelOffset = 0;
};

BmpLayout ReadLayout(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    BmpLayout layout;
    const std::uint32_t infoBytes = Bytes::U32(bytes, kFileHeaderBytes);
    const bool core = infoBytes == 12;
    if (!core && (infoBytes < 40 || infoBytes > 1024)) {
        Fail("its header of " + std::to_string(infoBytes) + " bytes is of no known kind");
    }
    if (bytes.size() < kFileHeaderBytes + infoBytes) {
        Fail("the file ends inside its header");
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (core) {
        width = Bytes::U16(bytes, 18);
        height = Bytes::U16(bytes, 20);
        layout.bits = Bytes::U16(bytes, 24);
    } else {
        width = static_cast<std::int32_t>(Bytes::U32(bytes, 18));
        height = static_cast<std::int32_t>(Bytes::U32(bytes, 22));
        layout.bits = Bytes::U16(bytes, 28);
        layout.compression = Bytes::U32(bytes, 30);
    }
    layout.topDown = height < 0;
    if (width < 0) {
        Fail("its width is negative");
    }
    CheckSize("BMP", static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height < 0 ? -height : height), limits);
    layout.width = static_cast<std::uint32_t>(width);
    layout.height = static_cast<std::uint32_t>(height < 0 ? -height : height);

    const unsigned bits = layout.bits;
    const std::uint32_t compression = layout.compression;
    const bool known = (compression == kRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
                       (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4) ||
                       ((compression == kBitFields || compression == kAlphaBitFields) && (bits == 16 || bits == 32));
    if (!known) {
        Fail(std::to_string(bits) + "-bit pixels with compression " + std::to_string(compression) + " are not supported");
    }

    std::size_t afterHeader = kFileHeaderBytes + infoBytes;
    if (compression == kBitFields || compression == kAlphaBitFields) {
        // A 40-byte header has its masks behind it; later headers hold them.
        const std::size_t masks = compression == kAlphaBitFields || infoBytes >= 56 ? 4 : 3;
        const std::size_t maskOffset = kFileHeaderBytes + 40;
        if (infoBytes == 40) {
            afterHeader += 4 * masks;
        }
        if (bytes.size() < maskOffset + 4 * masks) {
            Fail("the file ends inside its colour masks");
        }
        for (std::size_t channel = 0; channel < masks; ++channel) {
            layout.channels[channel] = Channel(Bytes::U32(bytes, maskOffset + 4 * channel));
        }
    } else if (bits == 16) {
        layout.channels = {Channel(0x7C00), Channel(0x3E0), Channel(0x1F), Channel()};
    } else if (bits == 32) {
        layout.channels = {Channel(0xFF0000), Channel(0xFF00), Channel(0xFF), Channel()};
    }

    if (bits <= 8) {
        const std::uint32_t used = core ? 0 : Bytes::U32(bytes, 46);
        const std::size_t colours = used == 0 || used > (1u << bits) ? std::size_t{1} << bits : used;
        const std::size_t entryBytes = core ? 3 : 4;
        if (bytes.size() < afterHeader + colours * entryBytes) {
            Fail("the file ends inside its palette");
        }
        for (std::size_t entry = 0; entry < colours; ++entry) {
            const std::uint8_t* colour = bytes.data() + afterHeader + entry * entryBytes;
            layout.palette.push_back({colour[2], colour[1], colour[0], 255});
        }
    }
    layout.pixelOffset = Bytes::U32(bytes, 10);
    if (layout.pixelOffset > bytes.size()) {
        Fail("its pixel data would start past the end of the file");
    }
    return layout;
}

class BmpDecoder {
public:
    BmpDecoder(std::span<const std::uint8_t> bytes, BmpLayout layout) : bytes_(bytes), layout_(std::move(layout)) {}

    Image Decode()
    {
        const bool rle = layout_.compression == kRle8 || layout_.compression == kRle4;
        const std::size_t stride = (std::size_t{layout_.width} * layout_.bits + 31) / 32 * 4;
        if (!rle && (bytes_.size() - layout_.pixelOffset) / stride < layout_.height) {
            Fail("its pixel data is cut short");
        }
        Image picture(layout_.width, layout_.height);
        if (rle) {
            DecodeRle(picture);
        } else {
            for (std::uint32_t row = 0; row < layout_.height; ++row) {
                DecodeRow(bytes_.data() + layout_.pixelOffset + row * stride, picture, row);
            }
        }
        if (layout_.channels[3].Present()) {
            OpaqueWhenAlphaIsEmpty(picture);
        }
        return picture;
    }

private:
    std::uint8_t* Target(Image& picture, std::uint32_t x, std::uint32_t row) const
    {
        return picture.Pixel(x, layout_.topDown ? row : layout_.height - 1 - row);
    }

    void PutIndex(Image& picture, std::uint32_t x, std::uint32_t row, unsigned index) const
    {
        if (index >= layout_.palette.size()) {
            Fail("it uses colour " + std::to_string(index) + ", which its palette does not hold");
        }
        std::copy(layout_.palette[index].begin(), layout_.palette[index].end(), Target(picture, x, row));
    }

    void DecodeRow(const std::uint8_t* data, Image& picture, std::uint32_t row) const
    {
        for (std::uint32_t x = 0; x < layout_.width; ++x) {
            if (layout_.bits <= 8) {
                const std::size_t bit = std::size_t{x} * layout_.bits;
                const unsigned index = (data[bit / 8] >> (8 - layout_.bits - bit % 8)) & ((1u << layout_.bits) - 1);
                PutIndex(picture, x, row, index);
                continue;
            }
            std::uint8_t* pixel = Target(picture, x, row);
            if (layout_.bits == 24) {
                const std::uint8_t* value = data + 3 * std::size_t{x};
                pixel[0] = value[2];
                pixel[1] = value[1];
                pixel[2] = value[0];
                pixel[3] = 255;
                continue;
            }
            const std::uint32_t value = layout_.bits == 16 ? Bytes::U16({data, 2 * std::size_t{x} + 2}, 2 * std::size_t{x})
                                                           : Bytes::U32({data, 4 * std::size_t{x} + 4}, 4 * std::size_t{x});
            for (std::size_t channel = 0; channel < 3; ++channel) {
                pixel[channel] = layout_.channels[channel].Of(value);
            }
            pixel[3] = layout_.channels[3].Present() ? layout_.channels[3].Of(value) : std::uint8_t{255};
        }
    }

    // Run-length data: runs of one index, literal stretches, and escapes that
    // end a row, end the picture or jump ahead. Pixels never reached keep
    // the palette's first colour.
    void DecodeRle(Image& picture) const
    {
        for (std::uint32_t row = 0; row < layout_.height; ++row) {
            for (std::uint32_t x = 0; x < layout_.width; ++x) {
                PutIndex(picture, x, row, 0);
            }
        }
        const bool four = layout_.compression == kRle4;
        std::size_t at = layout_.pixelOffset;
        std::uint32_t x = 0;
        std::uint32_t row = 0;
        const auto put = [&](unsigned index) {
            if (x < layout_.width && row < layout_.height) {
                PutIndex(picture, x, row, index);
            }
            ++x;
        };
        // A literal's padding can take `at` one past the end of the file.
        while (row < layout_.height && at + 2 <= bytes_.size()) {
            const unsigned count = bytes_[at];
            const unsigned value = bytes_[at + 1];
            at += 2;
            if (count > 0) {
                for (unsigned index = 0; index < count; ++index) {
                    put(four ? (index % 2 == 0 ? value >> 4 : value & 15) : value);
                }
            } else if (value == 0) {
                x = 0;
                ++row;
            } else if (value == 1) {
                return;
            } else if (value == 2) {
                if (bytes_.size() - at < 2) {
                    Fail("its pixel data is cut short");
                }
                x += bytes_[at];
                row += bytes_[at + 1];
                at += 2;
            } else {
                const std::size_t literalBytes = four ? (value + 1) / 2 : value;
                if (bytes_.size() - at < literalBytes) {
                    Fail("its pixel data is cut short");
                }
                for (unsigned index = 0; index < value; ++index) {
                    const std::uint8_t byte = bytes_[at + (four ? index / 2 : index)];
                    put(four ? (index % 2 == 0 ? byte >> 4 : byte & 15) : byte);
                }
                at += (literalBytes + 1) / 2 * 2;  // literals are padded to 16 bits
            }
            if (x > layout_.width + 256) {
                x = layout_.width + 256;  // past the row's end nothing more is drawn
            }
        }
        if (row < layout_.height) {
            Fail("its pixel data is cut short");  // it ran out before its end-of-picture mark
        }
    }


    std::span<const std::uint8_t> bytes_;
    BmpLayout layout_;
};

}  // namespace

Image DecodeBmp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    if (bytes.size() < kFileHeaderBytes + 4 || bytes[0] != 'B' || bytes[1] != 'M') {
        Fail("it is too short to hold a BMP header");
    }
    return BmpDecoder(bytes, ReadLayout(bytes, limits)).Decode();
}

}  // namespace Picture::Decoders
