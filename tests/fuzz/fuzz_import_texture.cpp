// Converts arbitrary bytes as a texture file and checks what the converter
// makes of them: a refused file leaves everything as it was, an accepted one
// becomes records that read back with the sizes of the format's rules, and
// the hex text always mirrors the source.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "conversion_error.h"
#include "hex_text.h"
#include "import_file.h"
#include "level_file_reader.h"
#include "recording_host.h"
#include "require.h"
#include "temp_dir.h"

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::uint64_t kLargestSize = std::numeric_limits<std::int32_t>::max();
const std::vector<std::uint8_t> kEarlierLevelFile{'o', 'l', 'd'};

// Written out digit by digit, independently of the converter's tables.
std::string UpperHex(std::vector<std::uint8_t>::const_iterator begin, std::vector<std::uint8_t>::const_iterator end)
{
    std::string text;
    for (auto byte = begin; byte != end; ++byte) {
        text += "0123456789ABCDEF"[*byte >> 4];
        text += "0123456789ABCDEF"[*byte & 0xF];
    }
    return text;
}

struct SizeRule {
    std::uint64_t first;
    std::uint32_t floor;
};

SizeRule RuleFor(const std::vector<std::uint8_t>& texture)
{
    const std::uint64_t pixels = std::uint64_t{LittleEndianAt(texture, 12)} * LittleEndianAt(texture, 16);
    const std::string fourCc(texture.begin() + 84, texture.begin() + 88);
    if (fourCc == "DXT1") {
        return {DivideRoundHalfEven(pixels, 2), 8};
    }
    if (fourCc == "DXT3") {
        return {pixels, 16};
    }
    return {2 * std::min(pixels, kLargestSize + 1), 0};  // past the limit either way, without wrapping
}

bool Acceptable(const std::vector<std::uint8_t>& texture)
{
    if (texture.size() < kHeaderBytes || !TagAt(texture, 0, "DDS ")) {
        return false;
    }
    const std::uint64_t first = RuleFor(texture).first;
    return first <= kLargestSize && (texture[28] == 0 || first + 24 <= kLargestSize);
}

std::set<std::string> Entries(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void CheckProgress(const RecordingHost& host, std::size_t length)
{
    Require(host.maximums == std::vector<float>{static_cast<float>(length)}, "the maximum is set once, to the length");
    Require(std::is_sorted(host.values.begin(), host.values.end()), "progress never goes back");
    Require(host.values.empty() == (length == 0) && (length == 0 || host.values.back() == length),
            "progress ends on the length");
    Require(host.eventRounds == static_cast<int>(length / 25'000), "events are processed once per 25,000 bytes");
}

// The records must carry the chained sizes of the texture's rule and take its
// pixel data in order; returns how many data bytes they took.
std::size_t CheckRecords(const std::vector<std::uint8_t>& texture, const std::vector<std::uint8_t>& levelFile)
{
    const std::size_t available = texture.size() - kHeaderBytes;
    const auto records = ReadLevelFile(levelFile, available);
    Require(records.has_value(), "the level file reads back as records");
    Require(records->size() == texture[28], "one record per level of the count's low byte");

    const SizeRule rule = RuleFor(texture);
    auto size = static_cast<std::uint32_t>(rule.first);
    std::vector<std::uint8_t> taken;
    for (std::size_t index = 0; index < records->size(); ++index) {
        const LevelRecord& record = (*records)[index];
        const std::uint32_t stored = size < 8 ? 4 : size;
        Require(record.index == index, "records are numbered in order");
        Require(record.infoSize == size && record.bodySize == size, "INFO and BODY hold the working size");
        Require(record.levelLength == stored + 24, "LVL_ covers the stored size");
        taken.insert(taken.end(), record.data.begin(), record.data.end());
        size = std::max(static_cast<std::uint32_t>(DivideRoundHalfEven(stored, 4)), rule.floor);
    }
    Require(std::equal(taken.begin(), taken.end(), texture.begin() + kHeaderBytes),
            "the records carry the pixel data in order");
    return taken.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TempDir folder;  // one folder for the whole run keeps an iteration cheap
    const std::vector<std::uint8_t> texture(data, data + size);
    WriteBytes(folder / "texture.dds", texture);
    WriteBytes(folder / "texture.lvl", kEarlierLevelFile);

    RecordingHost host(folder.Path().string());
    try {
        ImportFile::ImportTexture(folder / "texture.dds", host);
    } catch (const ConversionError& error) {
        Require(false, error.what());
    }

    Require(std::ranges::equal(ImportFile::SourceBytes, texture), "SourceBytes holds the file");
    CheckProgress(host, size);
    Require(Entries(folder.Path()) == std::set<std::string>{"texture.dds", "texture.lvl"}, "no temporary file is left");
    if (!Acceptable(texture)) {
        Require(host.messages == std::vector<std::string>{"Not a supported DDS File"}, "a refusal says so once");
        Require(host.statuses.empty(), "a refusal reports nothing as created");
        Require(ReadBytes(folder / "texture.lvl") == kEarlierLevelFile, "a refusal leaves the earlier file");
        Require(std::ranges::equal(ImportFile::HexText, UpperHex(texture.begin(), texture.end())),
                "HexText is the file in hex");
        return 0;
    }
    Require(host.messages.empty(), "an accepted texture shows no message");
    Require(host.statuses == std::vector<std::string>{"texture.lvl created."}, "the level file is reported");
    const std::size_t taken = CheckRecords(texture, ReadBytes(folder / "texture.lvl"));
    Require(std::ranges::equal(ImportFile::HexText,
                               UpperHex(texture.begin() + static_cast<std::ptrdiff_t>(kHeaderBytes + taken), texture.end())),
            "HexText keeps the data the levels left");
    return 0;
}
