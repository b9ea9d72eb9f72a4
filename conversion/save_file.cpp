#include "conversion/save_file.h"

#include <algorithm>
#include <array>

#include "conversion/conversion_error.h"
#include "conversion/hex_text.h"
#include "conversion/path_text.h"
#include "conversion/replacement_file.h"

namespace {

class ReplacementOutput : public LevelFileOutput {
public:
    ReplacementOutput(const std::filesystem::path& target, std::error_code& error) : file_(target, error) {}
    void Write(const void* bytes, std::size_t count, std::error_code& error) override { file_.Write(bytes, count, error); }
    void Commit(std::error_code& error) override { file_.Commit(error); }
    const std::vector<std::filesystem::path>& RemovedLeftovers() const { return file_.RemovedLeftovers(); }

private:
    ReplacementFile file_;
};

}  // namespace

std::unique_ptr<LevelFileOutput> ConversionHost::OpenLevelFile(const std::filesystem::path& path, std::error_code& error)
{
    auto output = std::make_unique<ReplacementOutput>(path, error);
    for (const std::filesystem::path& leftover : output->RemovedLeftovers()) {
        ShowNotice("removed " + PathText(leftover) + ", left behind by an earlier write of " + PathText(path) +
                   " that did not finish");
    }
    return output;
}

namespace SaveFile {

void WriteLevelFile(std::string_view levelHex, const std::filesystem::path& baseName, ConversionHost& host)
{
    const std::filesystem::path levelFile = LevelFilePath(host.OutputDirectory(), baseName);
    std::error_code error;
    const std::unique_ptr<LevelFileOutput> output = host.OpenLevelFile(levelFile, error);

    // Decoded a buffer at a time: the level data is never held twice as bytes.
    std::array<std::uint8_t, 1 << 16> buffer;
    const std::size_t byteCount = levelHex.size() / 2;
    for (std::size_t done = 0; done < byteCount && !error;) {
        const std::size_t count = std::min(buffer.size(), byteCount - done);
        HexDigits::DecodeBytes(levelHex.data() + 2 * done, count, buffer.data());
        output->Write(buffer.data(), count, error);
        done += count;
    }
    if (!error) {
        output->Commit(error);
    }
    if (error) {
        throw ConversionError("Cannot write " + PathText(levelFile) + ": " + error.message());
    }

    host.SetStatusText(PathText(levelFile.filename()) + " created.");
}

}  // namespace SaveFile
