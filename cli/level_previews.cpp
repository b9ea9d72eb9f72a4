#include "cli/level_previews.h"

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/file_layout.h"
#include "conversion/import_file.h"
#include "conversion/native_file.h"
#include "conversion/path_text.h"
#include "conversion/replacement_file.h"
#include "picture/dds_format.h"
#include "picture/dds_write.h"
#include "picture/level_preview.h"
#include "picture/picture_decode.h"
#include "picture/picture_texture.h"
#include "picture/png_write.h"

namespace fs = std::filesystem;

namespace {

// Takes the core's level file into a folder of its own, removed afterwards.
class LevelFileHost : public ConversionHost {
public:
    LevelFileHost()
        : folder_(fs::temp_directory_path() / ("torvane-preview-" + std::to_string(std::random_device()())))
    {
        fs::create_directories(folder_);
    }
    ~LevelFileHost() override
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    LevelFileHost(const LevelFileHost&) = delete;
    LevelFileHost& operator=(const LevelFileHost&) = delete;

    void SetProgressMaximum(float) override {}
    void SetProgressValue(std::uint64_t) override {}
    void ProcessEvents() override {}
    void ShowMessage(const std::string& text) override { throw ConversionError(text); }
    fs::path OutputDirectory() override { return folder_; }
    void SetStatusText(const std::string&) override {}

private:
    fs::path folder_;
};

// The level file the conversion makes of a DDS texture held in memory.
std::vector<std::uint8_t> LevelFileOf(const std::vector<std::uint8_t>& texture)
{
    LevelFileHost host;
    ImportFile::ConversionState state;
    state.sourceBytes.assign(texture.begin(), texture.end());
    ImportFile::ImportLoadedTexture("preview.dds", host, state);
    std::vector<std::uint8_t> levelFile;
    std::error_code error;
    ReadWholeFile(host.OutputDirectory() / "preview.lvl", levelFile, error);
    if (error) {
        throw ConversionError("cannot read the level file made: " + error.message());
    }
    return levelFile;
}

void WritePng(const fs::path& target, const Picture::Image& image)
{
    const std::vector<std::uint8_t> png = Picture::EncodePng(image);
    std::error_code error;
    ReplacementFile file(target, error);
    if (!error) {
        file.Write(png.data(), png.size(), error);
    }
    if (!error) {
        file.Commit(error);
    }
    if (error) {
        throw ConversionError("Cannot write " + PathText(target) + ": " + error.message());
    }
}

}  // namespace

bool WriteLevelPreviews(const fs::path& file, const fs::path& directory, Picture::TextureFormat levelFileFormat,
                        std::ostream& out, std::ostream& err)
{
    try {
        std::vector<std::uint8_t> bytes;
        std::error_code error;
        ReadWholeFile(file, bytes, error);
        if (error) {
            throw ConversionError("cannot read it: " + error.message());
        }
        const Picture::PictureKind kind = Picture::DetectPicture(bytes, file);
        if (kind != Picture::PictureKind::None) {
            bytes = Picture::EncodeTexture(Picture::DecodePicture(kind, bytes), levelFileFormat, 1).dds;
        }
        // Anything else is a level file, whatever its name: its first record says how big it is.
        const auto header = Picture::ReadDdsHeader(bytes);
        const Picture::DdsFormat format =
            header ? header->format : Picture::ReadDdsHeader(Picture::WriteDds(levelFileFormat, 4, 4, 1, {}))->format;
        const std::vector<std::uint8_t> levelFile = header ? LevelFileOf(bytes) : std::move(bytes);
        const std::vector<Picture::LevelRecordData> records = Picture::ReadLevelRecords(levelFile);
        if (records.empty()) {
            throw ConversionError("it holds no level to show");
        }
        const auto [width, height] = header ? std::pair(header->width, header->height)
                                            : Picture::GuessLevelFileSize(format, records.front().sizeField);
        fs::create_directories(directory, error);
        bool whole = true;
        const std::vector<Picture::PreviewLevel> levels = Picture::PreviewLevels(records, format, width, height);
        for (std::size_t level = 0; level < levels.size(); ++level) {
            fs::path name = LevelBaseName(file);
            name += ".level-" + std::to_string(level) + ".png";
            const fs::path target = JoinPath(directory, name);
            WritePng(target, levels[level].image);
            const Picture::PreviewLevel& shown = levels[level];
            out << PathText(target) << ": " << shown.image.width << " x " << shown.image.height << " " << format.name;
            if (shown.present < shown.needed) {
                whole = false;
                out << ", truncated: " << shown.present << " of its " << shown.needed << " bytes";
            }
            out << '\n';
        }
        return whole;
    } catch (const ConversionError& failure) {
        err << PathText(file) << ": " << failure.what() << '\n';
    } catch (const Picture::PictureError& failure) {
        err << PathText(file) << ": " << failure.what() << '\n';
    }
    return false;
}
