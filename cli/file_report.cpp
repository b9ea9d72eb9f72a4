#include "cli/file_report.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <optional>
#include <string_view>
#include <system_error>

#include "conversion/file_layout.h"
#include "conversion/hex_text.h"
#include "conversion/level_plan.h"
#include "conversion/native_file.h"
#include "conversion/path_text.h"

namespace {

using namespace FileLayout;

using Block = std::vector<std::uint8_t>;

std::uint32_t LittleEndian(const Block& bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::string HexOf(const Block& bytes, std::size_t offset, std::size_t count)
{
    std::string hex(2 * count, '0');
    HexDigits::EncodeBytes(bytes.data() + offset, count, hex.data());
    return hex;
}

// Four bytes as text, with anything unprintable shown as ".".
std::string TagText(const Block& bytes, std::size_t offset)
{
    std::string text;
    for (std::size_t index = offset; index < offset + kTagBytes; ++index) {
        text += bytes[index] >= 0x20 && bytes[index] < 0x7F ? static_cast<char>(bytes[index]) : '.';
    }
    return text;
}

bool HasTag(const Block& bytes, std::size_t offset, std::string_view tag)
{
    return std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string Count(std::uint64_t value, std::string_view unit)
{
    return std::to_string(value) + " " + std::string(unit) + (value == 1 ? "" : "s");
}

// Reads pieces of the file, keeping the first failure.
class FileReader {
public:
    explicit FileReader(const std::filesystem::path& path)
    {
        file_ = NativeFile::OpenToRead(path, error_);
        if (!error_) {
            size_ = file_.Size(error_);
        }
    }

    std::uint64_t Size() const { return size_; }
    const std::error_code& Error() const { return error_; }

    // The `count` bytes at `offset`, which the caller knows the file holds.
    Block Read(std::uint64_t offset, std::size_t count)
    {
        Block bytes(count);
        if (!error_) {
            file_.Seek(offset, error_);
        }
        if (!error_ && file_.Read(bytes.data(), count, error_) < count && !error_) {
            error_ = std::make_error_code(std::errc::io_error);  // shrank while being read
        }
        return bytes;
    }

private:
    NativeFile file_;
    std::error_code error_;
    std::uint64_t size_ = 0;
};

void ExamineTexture(FileReader& file, FileReport& report)
{
    report.kind = "DDS texture";
    if (file.Size() < kDdsHeaderBytes) {
        report.errors.push_back("the file is " + Count(file.Size(), "byte") + " long, shorter than the " +
                                std::to_string(kDdsHeaderBytes) + "-byte DDS header: the conversion refuses it");
        return;
    }
    const Block header = file.Read(0, kDdsHeaderBytes);
    const std::uint32_t height = LittleEndian(header, kDdsHeightOffset);
    const std::uint32_t width = LittleEndian(header, kDdsWidthOffset);
    const std::uint32_t mipCountField = LittleEndian(header, kDdsMipCountOffset);
    const unsigned levelCount = header[kDdsMipCountOffset];  // only the field's first byte counts
    const std::string fourCcHex = HexOf(header, kDdsFourCcOffset, kTagBytes);
    const LevelPlan::SizeRule rule = LevelPlan::ChooseSizeRule(fourCcHex, width, height);
    const std::uint64_t dataBytes = file.Size() - kDdsHeaderBytes;

    report.facts = {{"width", "width", width}, {"height", "height", height}, {"mipmapCount", "mipmap count", levelCount}};
    if (mipCountField != levelCount) {
        report.facts.push_back({"mipmapCountField", "mipmap count field", mipCountField});
    }
    report.facts.push_back({"fourCc", "FourCC", TagText(header, kDdsFourCcOffset)});
    report.facts.push_back({"fourCcHex", "FourCC hex", fourCcHex});
    report.facts.push_back({"sizeRule", "size rule", std::string(rule.description)});
    report.facts.push_back({"pixelDataBytes", "pixel data bytes", dataBytes});

    if (const auto refusal = LevelPlan::PlanRefusal(rule, levelCount)) {
        report.errors.push_back("the conversion refuses it: " + *refusal);
        return;
    }
    report.recordColumns = {{"index", "index"}, {"sizeField", "size field"}, {"storedSize", "stored size"},
                            {"dataBytes", "data bytes"}};
    std::uint64_t claimed = 0;
    const std::vector<LevelPlan::LevelSize> levels = LevelPlan::PlanLevels(rule, levelCount).value();
    for (const LevelPlan::LevelSize& level : levels) {
        const std::uint64_t present = std::min<std::uint64_t>(level.stored, dataBytes - std::min(dataBytes, claimed));
        report.records.push_back({report.records.size(), level.field, level.stored, present});
        claimed += level.stored;
    }

    if (levelCount == 0) {
        report.warnings.push_back("the mipmap count is 0: the level file would hold no records");
    }
    const unsigned fullChain = width == 0 || height == 0 ? 0 : std::bit_width(std::max(width, height));
    if (levelCount > fullChain) {
        report.warnings.push_back("the mipmap count " + std::to_string(levelCount) + " is more than the " +
                                  Count(fullChain, "level") + " a " + std::to_string(width) + " x " +
                                  std::to_string(height) + " texture has");
    }
    if (dataBytes < claimed) {
        report.warnings.push_back("the pixel data is " + Count(claimed - dataBytes, "byte") + " shorter than the " +
                                  Count(claimed, "byte") + " its levels claim: the last records would be short");
    } else if (dataBytes > claimed) {
        report.warnings.push_back(Count(dataBytes - claimed, "byte") +
                                  " of pixel data are left over after the last level");
    }
}

// A record header of a level file, read and checked.
struct RecordHeader {
    std::uint64_t offset;
    std::uint32_t levelLength;
    std::uint32_t index;
    std::uint32_t sizeField;
    std::uint32_t bodySize;
    std::optional<std::string> misplacedTag;  // what is wrong with its tags, if anything
};

std::uint64_t ExpectedLevelLength(const RecordHeader& header)
{
    return std::uint64_t{LevelPlan::StoredSize(header.sizeField)} + kLevelLengthOverhead;
}

// Whether its sizes agree with each other, as the conversion writes them.
bool FieldsAgree(const RecordHeader& header)
{
    return header.bodySize == header.sizeField && header.levelLength == ExpectedLevelLength(header);
}

RecordHeader ReadRecordHeader(FileReader& file, std::uint64_t offset)
{
    const Block bytes = file.Read(offset, kRecordHeaderBytes);
    RecordHeader header{offset,
                        LittleEndian(bytes, kLevelLengthOffset),
                        LittleEndian(bytes, kLevelIndexOffset),
                        LittleEndian(bytes, kInfoSizeOffset),
                        LittleEndian(bytes, kBodySizeOffset),
                        std::nullopt};
    for (const auto& [tagOffset, tag] : {std::pair{kLevelTagOffset, kLevelTag}, {kInfoTagOffset, kInfoTag},
                                         {kBodyTagOffset, kBodyTag}}) {
        if (!HasTag(bytes, tagOffset, tag)) {
            header.misplacedTag = "\"" + std::string(tag) + "\" expected at offset " + std::to_string(offset + tagOffset) +
                                  ", found \"" + TagText(bytes, tagOffset) + "\" (" + HexOf(bytes, tagOffset, kTagBytes) +
                                  ")";
            return header;
        }
    }
    if (const std::uint32_t infoLength = LittleEndian(bytes, kInfoLengthOffset); infoLength != kInfoPayloadBytes) {
        header.misplacedTag = "its INFO chunk's length is " + std::to_string(infoLength) + ", not " +
                              std::to_string(kInfoPayloadBytes);
    }
    return header;
}

class LevelFileExamination {
public:
    LevelFileExamination(FileReader& file, FileReport& report) : file_(file), report_(report) {}

    void Run()
    {
        report_.kind = "level file";
        report_.facts = {{"fileBytes", "file bytes", file_.Size()}};
        report_.recordColumns = {{"offset", "offset"}, {"index", "index"}, {"sizeField", "size field"},
                                 {"levelLength", "\"LVL_\" length"}, {"dataLength", "data length"}};
        if (file_.Size() == 0) {
            report_.warnings.emplace_back("the file holds no records");
        }
        for (std::uint64_t offset = 0; offset < file_.Size() && !file_.Error();) {
            const std::optional<std::uint64_t> next = CheckRecordAt(offset);
            if (!next) {
                return;
            }
            offset = *next;
        }
    }

private:
    std::string Name(std::size_t number) const { return "record " + std::to_string(number); }

    // Checks the record at `offset`; returns where the next one starts, or
    // nothing when no more can be read.
    std::optional<std::uint64_t> CheckRecordAt(std::uint64_t offset)
    {
        const std::size_t number = report_.records.size();
        const std::uint64_t left = file_.Size() - offset;
        if (left < kRecordHeaderBytes) {
            report_.errors.push_back("the file ends inside " + Name(number) + "'s header: " +
                                     Count(left, "byte") + " of " + std::to_string(kRecordHeaderBytes) + " at offset " + std::to_string(offset));
            return std::nullopt;
        }
        const RecordHeader header = ReadRecordHeader(file_, offset);
        if (header.misplacedTag) {
            report_.errors.push_back(Name(number) + ": " + *header.misplacedTag);
            return std::nullopt;
        }
        if (header.levelLength < kLevelLengthOverhead) {
            Add(header, 0);
            report_.errors.push_back(Name(number) + ": its \"LVL_\" length " + std::to_string(header.levelLength) +
                                     " is less than the " + std::to_string(kLevelLengthOverhead) +
                                     " bytes of its INFO chunk and BODY header");
            return std::nullopt;
        }
        const std::uint64_t claimed = header.levelLength - kLevelLengthOverhead;
        const std::uint64_t dataStart = offset + kRecordHeaderBytes;
        const std::uint64_t dataEnd = dataStart + claimed;
        const bool nextStarts =
            dataEnd + kTagBytes <= file_.Size() && HasTag(file_.Read(dataEnd, kTagBytes), 0, kLevelTag);
        // A short record's empty followers can put a header where its data
        // would end; that one holds a later index than the next.
        if (dataEnd == file_.Size() || (nextStarts && !HoldsOtherIndex(dataEnd, std::uint64_t{header.index} + 1))) {
            Add(header, claimed);
            return dataEnd;
        }
        // What a texture with less data than its levels claim gives: this
        // record carries what there was, and the ones after it only headers.
        if (const std::uint64_t emptyRecords = EmptyRecordsClosingTheFile(dataStart, header.index + 1)) {
            const std::uint64_t present = file_.Size() - dataStart - emptyRecords * kRecordHeaderBytes;
            if (present < claimed) {
                Add(header, present);
                report_.warnings.push_back(Name(number) + " carries " + std::to_string(present) + " of its " +
                                           Count(claimed, "data byte") + " and the " +
                                           Count(emptyRecords, "record") +
                                           " after it none: its texture held less data than its levels claim");
                for (std::uint64_t offsetOfEmpty = dataStart + present; offsetOfEmpty < file_.Size();
                     offsetOfEmpty += kRecordHeaderBytes) {
                    Add(ReadRecordHeader(file_, offsetOfEmpty), 0);
                }
                return std::nullopt;
            }
        }
        if (nextStarts) {
            Add(header, claimed);  // the next record names its index
            return dataEnd;
        }
        if (dataEnd > file_.Size()) {
            const std::uint64_t present = file_.Size() - dataStart;
            Add(header, present);
            report_.errors.push_back("the file ends inside " + Name(number) + "'s data: " + std::to_string(present) +
                                     " of its " + Count(claimed, "byte") + " are there");
        } else {
            Add(header, claimed);
            report_.errors.push_back(Name(number) + ": no record starts where its data ends, at offset " +
                                     std::to_string(dataEnd));
        }
        return std::nullopt;
    }

    // Whether the record at `offset` holds an index other than `index`; not
    // when the file ends before its index.
    bool HoldsOtherIndex(std::uint64_t offset, std::uint64_t index)
    {
        return offset + kLevelIndexOffset + 4 <= file_.Size() &&
               LittleEndian(file_.Read(offset + kLevelIndexOffset, 4), 0) != index;
    }

    // How many well-formed records without data end the file after
    // `dataStart`, numbered on from `firstIndex`; 0 when that is not how it
    // ends. Headers whose sizes disagree are not the conversion's: they are
    // the short record's own data.
    std::uint64_t EmptyRecordsClosingTheFile(std::uint64_t dataStart, std::uint32_t firstIndex)
    {
        for (std::uint64_t count = 1; count * kRecordHeaderBytes <= file_.Size() - dataStart; ++count) {
            const RecordHeader header = ReadRecordHeader(file_, file_.Size() - count * kRecordHeaderBytes);
            if (header.misplacedTag || file_.Error() || !FieldsAgree(header)) {
                return 0;
            }
            if (header.index == firstIndex) {
                return count;
            }
        }
        return 0;
    }

    // Lists the record and checks its fields against each other.
    void Add(const RecordHeader& header, std::uint64_t dataLength)
    {
        const std::size_t number = report_.records.size();
        report_.records.push_back({header.offset, header.index, header.sizeField, header.levelLength, dataLength});
        if (header.index != number) {
            report_.errors.push_back(Name(number) + " holds level index " + std::to_string(header.index));
        }
        if (header.bodySize != header.sizeField) {
            report_.errors.push_back(Name(number) + ": its INFO size " + std::to_string(header.sizeField) +
                                     " and BODY size " + std::to_string(header.bodySize) + " differ");
        }
        const std::uint64_t expectedLength = ExpectedLevelLength(header);
        if (header.levelLength >= kLevelLengthOverhead && header.levelLength != expectedLength) {
            report_.errors.push_back(Name(number) + ": its \"LVL_\" length " + std::to_string(header.levelLength) +
                                     " should be " + std::to_string(expectedLength) + " for a level size of " +
                                     std::to_string(header.sizeField));
        }
    }

    FileReader& file_;
    FileReport& report_;
};

bool NamedAsLevelFile(const std::filesystem::path& path)
{
    std::string extension = PathText(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
    return extension == kLevelFileExtension;
}

}  // namespace

FileReport ExamineFile(const std::filesystem::path& path)
{
    FileReport report;
    report.path = path;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        report.errors.push_back("cannot read it: " + std::make_error_code(std::errc::is_a_directory).message());
        return report;
    }
    FileReader file(path);
    if (!file.Error()) {
        const Block start = file.Read(0, static_cast<std::size_t>(std::min<std::uint64_t>(kTagBytes, file.Size())));
        const bool tagged = file.Size() >= kTagBytes;
        if (tagged && HasTag(start, 0, kDdsMagic)) {
            ExamineTexture(file, report);
        } else if ((tagged && HasTag(start, 0, kLevelTag)) || NamedAsLevelFile(path)) {
            LevelFileExamination(file, report).Run();
        } else {
            report.errors.emplace_back("neither a DDS texture (\"DDS \" at its start) nor a level file (\"LVL_\")");
        }
    }
    if (file.Error()) {
        report.errors.push_back("cannot read it: " + file.Error().message());
    }
    return report;
}
