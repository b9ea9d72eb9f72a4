#include "cli/picture_source.h"

#include "conversion/file_layout.h"
#include "conversion/path_text.h"
#include "picture/picture_decode.h"
#include "picture/picture_texture.h"
#include "picture/texture_check.h"

namespace {

std::vector<std::uint8_t> Encode(const std::filesystem::path& source, Picture::Image picture, const Options& options,
                                 unsigned threads, std::vector<std::string>& warnings)
{
    const std::uint32_t width = picture.width;
    const std::uint32_t height = picture.height;
    Picture::EncodedTexture texture = Picture::EncodeTexture(std::move(picture), options.format, threads);
    if (texture.levelCount < texture.fullChain) {
        const unsigned last = texture.levelCount - 1;
        warnings.push_back(PathText(source) + ": warning: the level file carries " + std::to_string(texture.levelCount) +
                           " of its " + std::to_string(texture.fullChain) + " levels, down to " +
                           std::to_string(std::max(1u, width >> last)) + " x " + std::to_string(std::max(1u, height >> last)) +
                           ": the smaller ones are not the size the level file gives them");
    }
    return std::move(texture.dds);
}

}  // namespace

PreparedSource PrepareSource(const std::filesystem::path& source, std::span<const std::uint8_t> bytes,
                             const Options& options, unsigned threads)
{
    PreparedSource prepared;
    if (bytes.size() >= FileLayout::kDdsMagic.size() &&
        std::equal(FileLayout::kDdsMagic.begin(), FileLayout::kDdsMagic.end(), bytes.begin())) {
        const auto problem = Picture::CarriageProblem(bytes);
        if (!problem) {
            return prepared;
        }
        if (!options.reencode) {
            prepared.warnings.push_back(PathText(source) + ": warning: " + *problem +
                                        "; --reencode encodes it as " + std::string(Picture::FormatName(options.format)) +
                                        " instead");
            return prepared;
        }
        Picture::Image top;
        try {
            top = Picture::DecodeTopLevel(bytes);
        } catch (const Picture::PictureError& error) {
            throw Picture::PictureError("cannot re-encode the texture: " + std::string(error.what()));
        }
        prepared.madeTexture = Encode(source, std::move(top), options, threads, prepared.warnings);
        return prepared;
    }
    const Picture::PictureKind kind = Picture::DetectPicture(bytes, source);
    if (kind != Picture::PictureKind::None) {
        prepared.madeTexture = Encode(source, Picture::DecodePicture(kind, bytes), options, threads, prepared.warnings);
    }
    return prepared;
}
