#include "picture/picture_decode.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "picture/decoders.h"

namespace Picture {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> signature)
{
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

bool NamedTga(const std::filesystem::path& name)
{
    std::string extension = name.extension().string();
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".tga";
}

bool HasTgaFooter(std::span<const std::uint8_t> bytes)
{
    constexpr std::string_view kSignature("TRUEVISION-XFILE.\0", 18);
    return bytes.size() >= 26 + 18 &&
           std::equal(kSignature.begin(), kSignature.end(), bytes.end() - 18, [](char a, std::uint8_t b) {
               return static_cast<std::uint8_t>(a) == b;
           });
}

}  // namespace

PictureKind DetectPicture(std::span<const std::uint8_t> bytes, const std::filesystem::path& name)
{
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
        return PictureKind::Png;
    }
    if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) {
        return PictureKind::Jpeg;
    }
    if (StartsWith(bytes, {'B', 'M'}) && bytes.size() >= 18) {
        return PictureKind::Bmp;
    }
    if (Decoders::PlausibleTgaHeader(bytes) && (HasTgaFooter(bytes) || NamedTga(name))) {
        return PictureKind::Tga;
    }
    return PictureKind::None;
}

std::string_view KindName(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Png: return "PNG";
    case PictureKind::Jpeg: return "JPEG";
    case PictureKind::Tga: return "TGA";
    case PictureKind::Bmp: return "BMP";
    case PictureKind::None: break;
    }
    return "unknown";
}

Image DecodePicture(PictureKind kind, std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    switch (kind) {
    case PictureKind::Png: return Decoders::DecodePng(bytes, limits);
    case PictureKind::Jpeg: return Decoders::DecodeJpeg(bytes, limits);
    case PictureKind::Tga: return Decoders::DecodeTga(bytes, limits);
    case PictureKind::Bmp: return Decoders::DecodeBmp(bytes, limits);
    case PictureKind::None: break;
    }
    throw PictureError("not a PNG, JPEG, TGA or BMP picture");
}

namespace Decoders {

void CheckSize(std::string_view format, std::uint64_t width, std::uint64_t height, const DecodeLimits& limits)
{
    if (width == 0 || height == 0) {
        throw PictureError("the " + std::string(format) + " picture has no pixels (" + std::to_string(width) + " x " +
                           std::to_string(height) + ")");
    }
    if (width > limits.largestSide || height > limits.largestSide) {
        throw PictureError("the " + std::string(format) + " picture is " + std::to_string(width) + " x " +
                           std::to_string(height) + ", larger than " + std::to_string(limits.largestSide) +
                           " pixels a side");
    }
}

}  // namespace Decoders

}  // namespace Picture
