#include "import_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "conversion_error.h"
#include "file_layout.h"
#include "hex_text.h"
#include "level_plan.h"
#include "path_text.h"
#include "portability.h"
#include "save_file.h"

namespace ImportFile {

ConversionState ModuleState;
LargeBuffer<std::uint8_t>& SourceBytes = ModuleState.sourceBytes;
LargeBuffer<char>& HexText = ModuleState.hexText;

namespace {

constexpr std::string_view kNotSupported = "Not a supported DDS File";

// Encoding fills pieces of 50,000 characters (25,000 source bytes) and lets
// the front end process its events each time one fills.
constexpr std::size_t kBytesPerPiece = 25'000;

// Header fields as character positions in the hex text (byte offset × 2).
constexpr std::string_view kDdsMagic = "44445320";
constexpr std::size_t kHeightPosition = 2 * FileLayout::kDdsHeightOffset;
constexpr std::size_t kWidthPosition = 2 * FileLayout::kDdsWidthOffset;
constexpr std::size_t kMipCountPosition = 2 * FileLayout::kDdsMipCountOffset;
constexpr std::size_t kFourCcPosition = 2 * FileLayout::kDdsFourCcOffset;
constexpr std::size_t kHeaderCharacters = 2 * FileLayout::kDdsHeaderBytes;

constexpr std::string_view kLevelTag = "4C564C5F";           // "LVL_"
constexpr std::string_view kInfoChunkHeader = "494E464F08000000";  // "INFO", payload 8
constexpr std::string_view kBodyTag = "424F4459";            // "BODY"
constexpr std::size_t kRecordHeaderCharacters = 2 * FileLayout::kRecordHeaderBytes;

// The level text is built in the hex text's memory (BuildLevelHex): its first
// record header takes the end of the DDS header's place, and EncodeHex keeps
// room behind the text for the headers of the other records, at most 255.
constexpr std::size_t kLevelTextStart = kHeaderCharacters - kRecordHeaderCharacters;
constexpr std::size_t kLevelHeaderRoom = kRecordHeaderCharacters * 254;

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

// The 64 characters that open a level's record, ahead of its data.
void WriteRecordHeader(const LevelPlan::LevelSize& level, std::uint32_t index, char* record)
{
    char* field = std::copy(kLevelTag.begin(), kLevelTag.end(), record);
    field = HexDigits::WriteLittleEndian(level.stored + FileLayout::kLevelLengthOverhead, field);
    field = std::copy(kInfoChunkHeader.begin(), kInfoChunkHeader.end(), field);
    field = HexDigits::WriteLittleEndian(index, field);
    field = HexDigits::WriteLittleEndian(level.field, field);
    field = std::copy(kBodyTag.begin(), kBodyTag.end(), field);
    HexDigits::WriteLittleEndian(level.field, field);
}

// The level file as hex text, built in the memory the hex text had: level 0's
// data stays where it is, behind a record header written over the end of the
// DDS header, and each later level's data moves up by the record headers
// before it, last level first so that nothing is overwritten before it has
// moved. That spares a copy of the whole text. The hex text keeps only the data
// the levels did not take. The text runs from kLevelTextStart to the end of
// the buffer returned.
LargeBuffer<char> BuildLevelHex(const std::vector<LevelPlan::LevelSize>& levels, LargeBuffer<char>& hexText)
{
    std::vector<std::size_t> taken(levels.size());  // characters of data per level
    std::size_t dataEnd = kHeaderCharacters;
    for (std::size_t index = 0; index < levels.size(); ++index) {
        taken[index] = std::min<std::size_t>(2 * std::size_t{levels[index].stored}, hexText.size() - dataEnd);
        dataEnd += taken[index];
    }
    LargeBuffer<char> levelText = std::move(hexText);
    hexText = LargeBuffer<char>(levelText.begin() + static_cast<std::ptrdiff_t>(dataEnd), levelText.end());

    // Grows into the room EncodeHex reserved behind the text: nothing moves.
    levelText.resize(dataEnd + kRecordHeaderCharacters * levels.size() - kRecordHeaderCharacters);
    std::size_t dataStart = dataEnd;
    for (std::size_t index = levels.size(); index-- > 0;) {
        dataStart -= taken[index];
        char* const record = levelText.data() + dataStart + kRecordHeaderCharacters * index - kRecordHeaderCharacters;
        std::memmove(record + kRecordHeaderCharacters, levelText.data() + dataStart, taken[index]);
        WriteRecordHeader(levels[index], static_cast<std::uint32_t>(index), record);
    }
    return levelText;
}

// A state holds one conversion; a second one started on it while the first
// lets events through would corrupt it, so it is refused.
class ConversionInProgress {
public:
    explicit ConversionInProgress(ConversionState& state) : state_(state)
    {
        if (state_.converting) {
            throw ConversionError("Another texture is being converted");
        }
        state_.converting = true;
    }
    ~ConversionInProgress() { state_.converting = false; }
    ConversionInProgress(const ConversionInProgress&) = delete;
    ConversionInProgress& operator=(const ConversionInProgress&) = delete;

private:
    ConversionState& state_;
};

void ConvertLoadedTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state)
{
    EncodeHex(host, state);

    const std::string_view hexText(state.hexText.data(), state.hexText.size());
    if (!hexText.starts_with(kDdsMagic) || hexText.size() < kHeaderCharacters) {
        host.ShowMessage(std::string(kNotSupported));
        return;
    }
    const std::uint32_t height = HexDigits::ReadLittleEndian(hexText, kHeightPosition);
    const std::uint32_t width = HexDigits::ReadLittleEndian(hexText, kWidthPosition);
    const unsigned levelCount = HexDigits::ReadByte(hexText, kMipCountPosition);
    const std::string_view fourCc = hexText.substr(kFourCcPosition, 8);

    const auto levels = LevelPlan::PlanLevels(LevelPlan::ChooseSizeRule(fourCc, width, height), levelCount);
    if (!levels) {
        host.ShowMessage(std::string(kNotSupported));
        return;
    }
    const LargeBuffer<char> levelText = BuildLevelHex(*levels, state.hexText);
    const std::string_view levelHex(levelText.data() + kLevelTextStart, levelText.size() - kLevelTextStart);
    SaveFile::WriteLevelFile(levelHex, LevelBaseName(path), host);
}

}  // namespace

void LoadSource(const std::filesystem::path& path, ConversionState& state)
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
    state.sourceBytes = LargeBuffer<std::uint8_t>();
    state.sourceBytes.resize(static_cast<std::size_t>(length));
    const std::size_t read = file.Read(state.sourceBytes.data(), state.sourceBytes.size(), error);
    if (error) {
        ThrowReadError(path, error);
    }
    // A file that shrank since it was measured holds only what could be read.
    state.sourceBytes.resize(read);
}

void EncodeHex(ConversionHost& host, ConversionState& state)
{
    const std::size_t length = state.sourceBytes.size();
    // Released first, so that the old text and the new one are never held together.
    state.hexText = LargeBuffer<char>();
    state.hexText.reserve(2 * length + kLevelHeaderRoom);
    state.hexText.resize(2 * length);
    host.SetProgressMaximum(ProgressMaximum(length));

    // The bar can only repaint while events are processed, so the value is
    // handed over at those points and once at the end, not for every byte: the
    // user sees exactly what per-byte updates would show, without tens of
    // millions of calls for a large texture. The byte that fills a piece is
    // counted after the events, as a per-byte update would count it.
    for (std::size_t done = 0; done < length;) {
        const std::size_t pieceEnd = std::min(length, done + kBytesPerPiece);
        HexDigits::EncodeBytes(state.sourceBytes.data() + done, pieceEnd - done, state.hexText.data() + 2 * done);
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

void ImportTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state)
{
    const ConversionInProgress guard(state);
    try {
        LoadSource(path, state);
        ConvertLoadedTexture(path, host, state);
    } catch (const std::bad_alloc&) {
        throw ConversionError("Not enough memory to convert " + Portability::PathText(path));
    }
}

void ImportLoadedTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state)
{
    const ConversionInProgress guard(state);
    try {
        ConvertLoadedTexture(path, host, state);
    } catch (const std::bad_alloc&) {
        throw ConversionError("Not enough memory to convert " + Portability::PathText(path));
    }
}

}  // namespace ImportFile
