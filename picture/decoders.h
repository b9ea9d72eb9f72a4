#pragma once

#include <cstdint>
#include <span>

#include "picture/image.h"
#include "picture/picture_decode.h"

// One decoder per picture format, each behind DecodePicture.
namespace Picture::Decoders {

Image DecodePng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);
Image DecodeJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);
Image DecodeTga(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);
Image DecodeBmp(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);

// Whether the TGA header at the start of `bytes` holds together.
bool PlausibleTgaHeader(std::span<const std::uint8_t> bytes);

// Refuses sizes of zero and sizes past the limits, naming the format.
void CheckSize(std::string_view format, std::uint64_t width, std::uint64_t height, const DecodeLimits& limits);

}  // namespace Picture::Decoders
