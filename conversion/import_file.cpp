#include "conversion/import_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/file_layout.h"
#include "conversion/hex_text.h"
#include "conversion/level_plan.h"
#include "conversion/native_file.h"
#include "conversion/path_text.h"
#include "conversion/save_file.h"
#include "conversion/system_memory.h"

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
constexpr std::array kDdsMagic = HexDigits::TagHex(FileLayout::kDdsMagic);
constexpr std::size_t kHeightPosition = 2 * FileLayout::kDdsHeightOffset;
constexpr std::size_t kWidthPosition = 2 * FileLayout::kDdsWidthOffset;
constexpr std::size_t kMipCountPosition = 2 * FileLayout::kDdsMipCountOffset;
constexpr std::size_t kFourCcPosition = 2 * FileLayout::kDdsFourCcOffset;
constexpr std::size_t kHeaderCharacters = 2 * FileLayout::kDdsHeaderBytes;
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

// A record header's tag and field as hex text, at their byte offsets.
void WriteTag(std::string_view tag, std::size_t offset, char* record)
{
    const std::array hex = HexDigits::TagHex(tag);
    std::copy(hex.begin(), hex.end(), record + 2 * offset);
}

void WriteField(std::uint32_t value, std::size_t offset, char* record)
{
    HexDigits::WriteLittleEndian(value, record + 2 * offset);
}

// The 64 characters that open a level's record, ahead of its data.
void WriteRecordHeader(const LevelPlan::LevelSize& level, std::uint32_t index, char* record)
{
    using namespace FileLayout;
    WriteTag(kLevelTag, kLevelTagOffset, record);
    WriteField(level.stored + kLevelLengthOverhead, kLevelLengthOffset, record);
    WriteTag(kInfoTag, kInfoTagOffset, record);
    WriteField(kInfoPayloadBytes, kInfoLengthOffset, record);
    WriteField(index, kLevelIndexOffset, record);
    WriteField(level.field, kInfoSizeOffset, record);
    WriteTag(kBodyTag, kBodyTagOffset, record);
    WriteField(level.field, kBodySizeOffset, record);
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

// The level sizes the DDS header at the start of `hexText` asks for; nothing
// for a file that is no DDS texture or whose sizes no level file can take.
std::optional<std::vector<LevelPlan::LevelSize>> PlanFromHeader(std::string_view hexText)
{
    if (!hexText.starts_with(std::string_view(kDdsMagic.data(), kDdsMagic.size())) || hexText.size() < kHeaderCharacters) {
        return std::nullopt;
    }
    const std::uint32_t height = HexDigits::ReadLittleEndian(hexText, kHeightPosition);
    const std::uint32_t width = HexDigits::ReadLittleEndian(hexText, kWidthPosition);
    const unsigned levelCount = HexDigits::ReadByte(hexText, kMipCountPosition);
    const std::string_view fourCc = hexText.substr(kFourCcPosition, 8);
    return LevelPlan::PlanLevels(LevelPlan::ChooseSizeRule(fourCc, width, height), levelCount);
}

void ConvertLoadedTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state)
{
    EncodeHex(host, state);

    const auto levels = PlanFromHeader(std::string_view(state.hexText.data(), state.hexText.size()));
    if (!levels) {
        host.ShowMessage(std::string(kNotSupported));
        return;
    }
    const LargeBuffer<char> levelText = BuildLevelHex(*levels, state.hexText);
    const std::string_view levelHex(levelText.data() + kLevelTextStart, levelText.size() - kLevelTextStart);
    SaveFile::WriteLevelFile(levelHex, LevelBaseName(path), host);
}

// What a buffer of `bytes` takes from the system as LargeMemory hands it out.
std::uint64_t BlockBytes(std::uint64_t bytes)
{
    constexpr std::uint64_t block = LargeMemory::kLargeBlock;
    return bytes < block ? bytes : (bytes + block - 1) / block * block;
}

std::string NotEnoughMemory(const std::filesystem::path& path)
{
    return "Not enough memory to convert " + PathText(path);
}

// Refuses a conversion needing `needed` bytes at its peak, of which the
// state holds `held` already, before more is allocated for it: past the
// machine's memory it would take the machine down, past the process's
// limits it would fail part-way.
void RequireMemory(const std::filesystem::path& path, std::uint64_t needed, std::uint64_t held)
{
    const std::uint64_t headroom = SystemMemory::ProcessHeadroom();
    if (needed > SystemMemory::Physical() || (needed > held && needed - held > headroom)) {
        throw ConversionError(NotEnoughMemory(path));
    }
}

template <typename T>
std::uint64_t HeldBytes(const LargeBuffer<T>& buffer)
{
    return BlockBytes(buffer.capacity() * sizeof(T));
}

}  // namespace

std::uint64_t MemoryNeeded(std::uint64_t fileSize, std::span<const std::uint8_t> header)
{
    if (fileSize > std::numeric_limits<std::uint64_t>::max() / 8) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    // The data the levels leave over is kept as hex text of its own (BuildLevelHex).
    std::array<char, kHeaderCharacters> headerHex{};
    const std::size_t headerBytes = std::min(header.size(), FileLayout::kDdsHeaderBytes);
    HexDigits::EncodeBytes(header.data(), headerBytes, headerHex.data());
    std::uint64_t leftOver = 0;
    if (const auto levels = PlanFromHeader(std::string_view(headerHex.data(), 2 * headerBytes))) {
        leftOver = fileSize - FileLayout::kDdsHeaderBytes;
        for (const LevelPlan::LevelSize& level : *levels) {
            leftOver -= std::min<std::uint64_t>(level.stored, leftOver);
        }
    }
    return BlockBytes(fileSize) + BlockBytes(2 * fileSize + kLevelHeaderRoom) + BlockBytes(2 * leftOver);
}

std::optional<std::uint64_t> MemoryNeeded(const std::filesystem::path& path)
{
    std::error_code error;
    NativeFile file = NativeFile::OpenToRead(path, error);
    const std::uint64_t size = error ? 0 : file.Size(error);
    std::array<std::uint8_t, FileLayout::kDdsHeaderBytes> header{};
    const std::size_t headerBytes = error ? 0 : file.Read(header.data(), std::min<std::uint64_t>(size, header.size()), error);
    if (error) {
        return std::nullopt;
    }
    return MemoryNeeded(size, std::span(header.data(), headerBytes));
}

void LoadSource(const std::filesystem::path& path, ConversionState& state)
{
    state.sourceBytes = LargeBuffer<std::uint8_t>();  // assigning {} would keep the memory
    const auto unreadable = [&path](const std::string& reason) {
        return ConversionError("Cannot read " + PathText(path) + ": " + reason);
    };
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw unreadable(std::make_error_code(std::errc::is_a_directory).message());
    }
    error.clear();
    NativeFile file = NativeFile::OpenToRead(path, error);
    const FileVersion opened = error ? FileVersion{} : file.Version(error);
    if (error) {
        throw unreadable(error.message());
    }

    // The header tells what the conversion will hold, before any of it is allocated.
    std::array<std::uint8_t, FileLayout::kDdsHeaderBytes> header{};
    const std::size_t headerBytes = file.Read(header.data(), std::min<std::uint64_t>(opened.size, header.size()), error);
    if (error) {
        throw unreadable(error.message());
    }
    RequireMemory(path, MemoryNeeded(opened.size, std::span(header.data(), headerBytes)), HeldBytes(state.hexText));
    try {
        state.sourceBytes.resize(static_cast<std::size_t>(opened.size));
    } catch (const std::bad_alloc&) {
        throw ConversionError(NotEnoughMemory(path));
    }
    std::copy_n(header.begin(), headerBytes, state.sourceBytes.begin());
    const std::size_t read = headerBytes + file.Read(state.sourceBytes.data() + headerBytes, state.sourceBytes.size() - headerBytes, error);
    const FileVersion afterwards = error ? FileVersion{} : file.Version(error);
    if (error) {
        throw unreadable(error.message());
    }

    // What was read is one version of the texture only if the file stayed
    // as it was opened, under its name, until the end of the read.
    const std::optional<FileVersion> named = VersionAt(path);
    if (!named) {
        throw unreadable("it was deleted while it was being read");
    }
    if (!named->SameFile(opened)) {
        throw unreadable("it was replaced while it was being read");
    }
    if (read < opened.size || afterwards.size < opened.size) {
        throw unreadable("it was truncated while it was being read");
    }
    if (afterwards != opened) {
        throw unreadable("it changed while it was being read");
    }
}

void EncodeHex(ConversionHost& host, ConversionState& state)
{
    const std::size_t length = state.sourceBytes.size();
    if (length > (std::numeric_limits<std::size_t>::max() - kLevelHeaderRoom) / 2) {
        throw std::bad_alloc();  // its hex text could not even be measured
    }
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
        throw ConversionError(NotEnoughMemory(path));
    }
}

void ImportLoadedTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state)
{
    const ConversionInProgress guard(state);
    const std::span<const std::uint8_t> source(state.sourceBytes.data(), state.sourceBytes.size());
    RequireMemory(path, MemoryNeeded(source.size(), source.first(std::min(source.size(), FileLayout::kDdsHeaderBytes))),
                  HeldBytes(state.sourceBytes) + HeldBytes(state.hexText));
    try {
        ConvertLoadedTexture(path, host, state);
    } catch (const std::bad_alloc&) {
        throw ConversionError(NotEnoughMemory(path));
    }
}

}  // namespace ImportFile
