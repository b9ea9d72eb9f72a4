#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What a DDS texture's header says about its pixels, as far as this program
// reads them: the fields of its pixel format and, for a texture with the
// DX10 extension, its DXGI format.
namespace Picture {

enum class DdsKind { Bc1, Bc2, Bc3, Bc4, Bc5, Bc6h, Bc7, Uncompressed, Unknown };

struct DdsFormat {
    DdsKind kind = DdsKind::Unknown;
    std::string name;  // as a modder knows it: "DXT5", "BC7", "32-bit A8R8G8B8"
    unsigned bitsPerPixel = 0;  // uncompressed only
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    bool luminance = false;  // the red mask holds grey
    std::size_t dataOffset = 128;  // where level 0 starts: after the DX10 extension when there is one
};

struct DdsHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned levelCount = 0;  // the low byte of the mipmap count, as the level file takes it
    DdsFormat format;
};

// The header of a DDS texture, or nothing when the bytes do not start with
// one ("DDS " and 128 bytes; 148 with the DX10 extension).
std::optional<DdsHeader> ReadDdsHeader(std::span<const std::uint8_t> bytes);

// The bytes one level of this size holds, or nothing for a format whose
// size is not known.
std::optional<std::uint64_t> DdsLevelBytes(const DdsFormat& format, std::uint32_t width, std::uint32_t height);

}  // namespace Picture
