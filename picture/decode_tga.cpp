#include <array>
#include <string>
#include <vector>

#include "picture/byte_reader.h"
#include "picture/decoders.h"

namespace Picture::Decoders {

namespace {

constexpr std::size_t kHeaderBytes = 18;

enum ImageType : std::uint8_t { kMapped = 1, kTrueColour = 2, kGrey = 3, kRleMapped = 9, kRleTrueColour = 10, kRleGrey = 11 };

struct TgaHeader {
    std::uint8_t idLength, mapType, imageType;
    std::uint16_t mapFirst, mapLength;
    std::uint8_t mapEntryBits;
    std::uint16_t width, height;
    std::uint8_t pixelBits, descriptor;

    explicit TgaHeader(std::span<const std::uint8_t> b)
        : idLength(b[0]), mapType(b[1]), imageType(b[2]), mapFirst(Bytes::U16(b, 3)), mapLength(Bytes::U16(b, 5)),
          mapEntryBits(b[7]), width(Bytes::U16(b, 12)), height(Bytes::U16(b, 14)), pixelBits(b[16]), descriptor(b[17])
    {
    }
    unsigned BaseType() const { return imageType & 7u; }
    bool Rle() const { return imageType >= kRleMapped; }
    unsigned AlphaBits() const { return descriptor & 15u; }
    std::size_t MapEntryBytes() const { return (mapEntryBits + 7u) / 8; }
};

bool ValidEntryBits(unsigned bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// A true-colour value of 15, 16, 24 or 32 bits, stored blue first.
std::array<std::uint8_t, 4> ColourOf(const std::uint8_t* value, unsigned bits, bool oneBitAlpha)
{
    if (bits <= 16) {
        const unsigned packed = value[0] | value[1] << 8;
        const bool opaque = !oneBitAlpha || bits == 15 || (packed & 0x8000) != 0;
        return {Bytes::Widen((packed >> 10) & 31, 5), Bytes::Widen((packed >> 5) & 31, 5), Bytes::Widen(packed & 31, 5),
                static_cast<std::uint8_t>(opaque ? 255 : 0)};
    }
    return {value[2], value[1], value[0], bits == 32 ? value[3] : std::uint8_t{255}};
}

class TgaDecoder {
public:
    TgaDecoder(std::span<const std::uint8_t> bytes, const TgaHeader& header) : bytes_(bytes), header_(header) {}

    Image Decode()
    {
        ReadMap();
        const std::size_t pixelBytes = (header_.pixelBits + 7u) / 8;
        const std::size_t pixelCount = std::size_t{header_.width} * header_.height;
        // Checked before anything of the size is allocated: raw data takes
        // every pixel's bytes, a run at most 128 pixels for a byte more.
        const std::size_t least = header_.Rle() ? (pixelCount + 127) / 128 * (1 + pixelBytes) : pixelCount * pixelBytes;
        if (bytes_.size() - position_ < least) {
            throw PictureError("the TGA picture's pixel data is cut short");
        }
        Image picture(header_.width, header_.height);
        std::size_t done = 0;
        while (done < pixelCount) {
            std::size_t count = 1;
            bool run = false;
            if (header_.Rle()) {
                const std::uint8_t packet = Take(1)[0];
                count = std::min<std::size_t>((packet & 0x7Fu) + 1, pixelCount - done);
                run = (packet & 0x80) != 0;
            }
            const std::uint8_t* value = run ? Take(pixelBytes) : nullptr;
            for (std::size_t index = 0; index < count; ++index, ++done) {
                Place(picture, done, PixelOf(run ? value : Take(pixelBytes)));
            }
        }
        OpaqueWhenAlphaIsEmpty(picture);
        return picture;
    }

private:
    const std::uint8_t* Take(std::size_t count)
    {
        if (bytes_.size() - position_ < count) {
            throw PictureError("the TGA picture's pixel data is cut short");
        }
        const std::uint8_t* start = bytes_.data() + position_;
        position_ += count;
        return start;
    }

    void ReadMap()
    {
        position_ = kHeaderBytes;
        Take(header_.idLength);
        if (header_.mapType != 1) {
            return;
        }
        const std::uint8_t* entries = Take(std::size_t{header_.mapLength} * header_.MapEntryBytes());
        if (header_.BaseType() == kMapped) {
            for (std::size_t entry = 0; entry < header_.mapLength; ++entry) {
                map_.push_back(ColourOf(entries + entry * header_.MapEntryBytes(), header_.mapEntryBits,
                                        header_.AlphaBits() > 0));
            }
        }
    }

    std::array<std::uint8_t, 4> PixelOf(const std::uint8_t* value) const
    {
        switch (header_.BaseType()) {
        case kMapped: {
            const unsigned index = header_.pixelBits == 8 ? value[0] : value[0] | value[1] << 8;
            if (index < header_.mapFirst || index - header_.mapFirst >= map_.size()) {
                throw PictureError("the TGA picture uses colour " + std::to_string(index) +
                                   ", which its colour map does not hold");
            }
            return map_[index - header_.mapFirst];
        }
        case kGrey:
            return {value[0], value[0], value[0], header_.pixelBits == 16 ? value[1] : std::uint8_t{255}};
        default: return ColourOf(value, header_.pixelBits, header_.AlphaBits() > 0);
        }
    }

    // Pixels come bottom row first unless the descriptor says top first,
    // and left to right unless it says otherwise.
    void Place(Image& picture, std::size_t index, const std::array<std::uint8_t, 4>& colour) const
    {
        auto x = static_cast<std::uint32_t>(index % header_.width);
        auto y = static_cast<std::uint32_t>(index / header_.width);
        if ((header_.descriptor & 0x10) != 0) {
            x = header_.width - 1 - x;
        }
        if ((header_.descriptor & 0x20) == 0) {
            y = header_.height - 1 - y;
        }
        std::copy(colour.begin(), colour.end(), picture.Pixel(x, y));
    }


    std::span<const std::uint8_t> bytes_;
    const TgaHeader& header_;
    std::size_t position_ = 0;
    std::vector<std::array<std::uint8_t, 4>> map_;
};

}  // namespace

bool PlausibleTgaHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kHeaderBytes) {
        return false;
    }
    const TgaHeader header(bytes);
    if (header.mapType > 1 || (header.descriptor & 0xC0) != 0 || header.width == 0 || header.height == 0) {
        return false;
    }
    if (header.mapType == 1 && (!ValidEntryBits(header.mapEntryBits) || header.mapLength == 0)) {
        return false;
    }
    switch (header.imageType) {
    case kMapped:
    case kRleMapped: return header.mapType == 1 && (header.pixelBits == 8 || header.pixelBits == 16);
    case kTrueColour:
    case kRleTrueColour: return ValidEntryBits(header.pixelBits);
    case kGrey:
    case kRleGrey: return header.pixelBits == 8 || header.pixelBits == 16;
    default: return false;
    }
}

Image DecodeTga(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    if (!PlausibleTgaHeader(bytes)) {
        throw PictureError("the TGA picture's header is not one of a TGA picture");
    }
    const TgaHeader header(bytes);
    CheckSize("TGA", header.width, header.height, limits);
    return TgaDecoder(bytes, header).Decode();
}

}  // namespace Picture::Decoders
