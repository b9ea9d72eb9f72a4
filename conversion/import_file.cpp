#include "import_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string_view>
#include <system_error>

#include "conversion_error.h"
#include "hex_text.h"
#include "level_plan.h"
#include "path_text.h"
#include "portability.h"
#include "save_file.h"

namespace ImportFile {

thread_local std::vector<std::uint8_t> SourceBytes;
thread_local std::string HexText;

namespace {

constexpr std::string_view kNotSupported = "Not a supported DDS File";

// Encoding fills pieces of 50,000 characters (25,000 source bytes) and lets
// the front end process its events each time one fills.
constexpr std::size_t kBytesPerPiece = 25'000;

// Header fields as character positions in the hex text (byte offset × 2).
constexpr std::string_view kDdsMagic = "44445320";
constexpr std::size_t kHeightPosition = 2 * 12;
constexpr std::size_t kWidthPosition = 2 * 16;
constexpr std::size_t kMipCountPosition = 2 * 28;
constexpr std::size_t kFourCcPosition = 2 * 84;
constexpr std::size_t kHeaderCharacters = 2 * 128;

constexpr std::string_view kLevelTag = "4C564C5F";           // "LVL_"
constexpr std::string_view kInfoChunkHeader = "494E464F08000000";  // "INFO", payload 8
constexpr std::string_view kBodyTag = "424F4459";            // "BODY"
constexpr std::size_t kRecordHeaderCharacters = 2 * 32;

// The length as the host's single-precision maximum. Past 2^24 bytes most
// lengths have no exact float; rounding to nearest could put the maximum below
// the last value handed over, so it is rounded up instead.
float ProgressMaximum(std::size_t length)
{
    const float maximum = static_cast<float>(length);
    if (static_cast<double>(maximum) < static_cast<double>(length)) {
        return std::nextafter(maximum, std::numeric_limits<float>::infinity());
    }
    return maximum;
}

[[noreturn]] void ThrowReadError(const std::filesystem::path& path, const std::error_code& reason)
{
    throw ConversionError("Cannot read " + Portability::PathText(path) + ": " + reason.message());
}

// Builds the level file as hex text, taking each level's data from HexText
// starting at `dataStart`; returns it with the position after the last
// character taken.
std::pair<std::string, std::size_t> BuildLevelHex(const std::vector<LevelPlan::LevelSize>& levels,
                                                  std::size_t dataStart)
{
    std::size_t position = dataStart;
    std::size_t totalLength = 0;
    for (const LevelPlan::LevelSize& level : levels) {
        const std::size_t taken = std::min<std::size_t>(2 * std::size_t{level.stored}, HexText.size() - position);
        totalLength += kRecordHeaderCharacters + taken;
        position += taken;
    }

    std::string levelHex;
    levelHex.reserve(totalLength);  // one allocation: the data may be hundreds of MiB
    position = dataStart;
    for (std::uint32_t index = 0; index < levels.size(); ++index) {
        const LevelPlan::LevelSize& level = levels[index];
        levelHex += kLevelTag;
        HexDigits::AppendLittleEndian(levelHex, level.stored + 24);
        levelHex += kInfoChunkHeader;
        HexDigits::AppendLittleEndian(levelHex, index);
        HexDigits::AppendLittleEndian(levelHex, level.field);
        levelHex += kBodyTag;
        HexDigits::AppendLittleEndian(levelHex, level.field);
        const std::size_t taken = std::min<std::size_t>(2 * std::size_t{level.stored}, HexText.size() - position);
        levelHex.append(HexText, position, taken);
        position += taken;
    }
    return {std::move(levelHex), position};
}

// The module state holds one conversion; a second one started while the
// first lets events through would corrupt it, so it is refused.
class ConversionInProgress {
public:
    ConversionInProgress()
    {
        if (running_) {
            throw ConversionError("Another texture is being converted");
        }
        running_ = true;
    }
    ~ConversionInProgress() { running_ = false; }
    ConversionInProgress(const ConversionInProgress&) = delete;
    ConversionInProgress& operator=(const ConversionInProgress&) = delete;

private:
    static inline thread_local bool running_ = false;
};

void ConvertLoadedTexture(const std::filesystem::path& path, ConversionHost& host)
{
    EncodeHex(host);

    if (!HexText.starts_with(kDdsMagic) || HexText.size() < kHeaderCharacters) {
        host.ShowMessage(std::string(kNotSupported));
        return;
    }
    const std::uint32_t height = HexDigits::ReadLittleEndian(HexText, kHeightPosition);
    const std::uint32_t width = HexDigits::ReadLittleEndian(HexText, kWidthPosition);
    const unsigned levelCount = HexDigits::ReadByte(HexText, kMipCountPosition);
    const std::string_view fourCc = std::string_view(HexText).substr(kFourCcPosition, 8);

    const auto levels = LevelPlan::PlanLevels(LevelPlan::ChooseSizeRule(fourCc, width, height), levelCount);
    if (!levels) {
        host.ShowMessage(std::string(kNotSupported));
        return;
    }
    auto [levelHex, consumed] = BuildLevelHex(*levels, kHeaderCharacters);
    // What the levels did not take stays behind, without the room the whole text needed.
    HexText.erase(0, consumed);
    HexText.shrink_to_fit();

    SaveFile::WriteLevelFile(levelHex, LevelBaseName(path), host);
}

}  // namespace

void LoadSource(const std::filesystem::path& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        ThrowReadError(path, std::make_error_code(std::errc::is_a_directory));
    }
    error.clear();
    Portability::NativeFile file = Portability::NativeFile::OpenToRead(path, error);
    const std::uint64_t length = error ? 0 : file.Size(error);
    if (error) {
        ThrowReadError(path, error);
    }
    if (length > std::numeric_limits<std::size_t>::max() / 2) {
        throw std::bad_alloc();  // its hex text could not even be measured
    }

    // Let go of the previous texture before sizing for this one (assigning {}
    // would keep its capacity).
    SourceBytes = std::vector<std::uint8_t>();
    SourceBytes.resize(static_cast<std::size_t>(length));
    const std::size_t read = file.Read(SourceBytes.data(), SourceBytes.size(), error);
    if (error) {
        ThrowReadError(path, error);
    }
    // A file that shrank since it was measured holds only what could be read.
    SourceBytes.resize(read);
}

void EncodeHex(ConversionHost& host)
{
    const std::size_t length = SourceBytes.size();
    HexText = std::string();  // released first, so the old text and the new one are never held together
    HexText.resize(2 * length);
    host.SetProgressMaximum(ProgressMaximum(length));

    // The bar can only repaint while events are processed, so the value is
    // handed over at those points and once at the end, not for every byte: the
    // user sees exactly what per-byte updates would show, without tens of
    // millions of calls for a large texture. The byte that fills a piece is
    // counted after the events, as a per-byte update would count it.
    char* out = HexText.data();
    for (std::size_t done = 0; done < length;) {
        const std::size_t pieceEnd = std::min(length, done + kBytesPerPiece);
        for (std::size_t index = done; index < pieceEnd; ++index) {
            HexDigits::FormatByte(SourceBytes[index], out + 2 * index);
        }
        done = pieceEnd;
        if (done % kBytesPerPiece == 0) {
            host.SetProgressValue(done - 1);
            host.ProcessEvents();
        }
    }
    if (length > 0) {
        host.SetProgressValue(length);
    }
}

void ImportTexture(const std::filesystem::path& path, ConversionHost& host)
{
    const ConversionInProgress guard;
    try {
        LoadSource(path);
        ConvertLoadedTexture(path, host);
    } catch (const std::bad_alloc&) {
        throw ConversionError("Not enough memory to convert " + Portability::PathText(path));
    }
}

}  // namespace ImportFile
