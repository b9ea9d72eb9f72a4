// Decodes the input as a picture of one kind (TORVANE_FUZZ_KIND: Png, Jpeg,
// Tga or Bmp), as the command line does. A picture that decodes has its size
// and every pixel, and becomes a texture and a level file, converted in
// memory, that the inspector finds sound, a record for each level carried. One
// that does not decode, or cannot be a texture, fails with a PictureError
// naming the kind of picture and why, and nothing is converted. Any other
// exception escapes and is a finding.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/file_report.h"
#include "conversion/import_file.h"
#include "picture/picture_decode.h"
#include "picture/picture_texture.h"
#include "require.h"
#include "support/memory_host.h"
#include "support/temp_dir.h"

namespace {

constexpr Picture::PictureKind kKind = Picture::PictureKind::TORVANE_FUZZ_KIND;
// Small pictures decode through the same code as large ones; kept small, a
// run is spent on the decoder rather than on encoding blocks.
constexpr Picture::DecodeLimits kLimits{.largestSide = 256};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TempDir folder;  // on /dev/shm when TMPDIR says so
    const std::span<const std::uint8_t> bytes(data, size);
    Picture::Image picture;
    try {
        picture = Picture::DecodePicture(kKind, bytes, kLimits);
    } catch (const Picture::PictureError& error) {
        const std::string reason = error.what();
        Require(reason.find(Picture::KindName(kKind)) != std::string::npos, "a picture that does not decode says which kind");
        return 0;
    }
    Require(picture.width >= 1 && picture.height >= 1 && picture.width <= kLimits.largestSide &&
                picture.height <= kLimits.largestSide,
            "a decoded picture has a size within the limits");
    Require(picture.rgba.size() == std::size_t{4} * picture.width * picture.height, "a decoded picture has every pixel");

    // DXT1 only for the smallest, as its blocks take longest to encode and a
    // block encodes the same whatever the picture around it; a 16-bit format
    // takes any size, so larger ones always get to the level file.
    const std::uint8_t choice = size > 0 ? data[size - 1] : 0;
    const bool small = picture.width <= 8 && picture.height <= 8;
    const Picture::TextureFormat format = small && choice % 2 == 0 ? Picture::TextureFormat::Dxt1
                                          : choice % 3 == 0         ? Picture::TextureFormat::R5G6B5
                                          : choice % 3 == 1         ? Picture::TextureFormat::A1R5G5B5
                                                                    : Picture::TextureFormat::A4R4G4B4;
    Picture::EncodedTexture texture;
    try {
        texture = Picture::EncodeTexture(std::move(picture), format, 1);
    } catch (const Picture::PictureError& error) {
        std::string reason = error.what();
        std::ranges::transform(reason, reason.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        Require(reason.find(std::string(Picture::FormatName(format)) + " level file") != std::string::npos,
                "a picture that cannot be a texture is refused in the format asked for");
        return 0;
    }
    Require(texture.levelCount >= 1 && texture.levelCount <= texture.fullChain, "a texture carries its first level");

    static ImportFile::ConversionState state;
    state.sourceBytes.assign(texture.dds.begin(), texture.dds.end());
    MemoryHost host;
    const std::string failure = ConversionFailure([&] { ImportFile::ImportLoadedTexture("picture.png", host, state); });
    Require(failure.empty(), failure.c_str());
    Require(host.files.size() == 1, "the texture made from a picture converts");
    WriteBytes(folder / "picture.lvl", host.files.begin()->second);
    const FileReport report = ExamineFile(folder / "picture.lvl");
    Require(report.Sound(), "the level file of a picture is sound");
    Require(report.records.size() == texture.levelCount, "a record for each level carried");
    Require(state.hexText.empty(), "the levels take all of the texture's data");
    return 0;
}
