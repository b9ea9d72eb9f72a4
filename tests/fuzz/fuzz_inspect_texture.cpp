// Inspects arbitrary bytes as a texture and converts the same bytes in memory.
// The inspector's records must be the records the conversion writes, field by
// field and byte count by byte count; it must refuse exactly what the
// conversion refuses; and each warning must stand for exactly the condition it
// names: data short of the levels, data left over, a mipmap count of 0, more
// levels than the size has. The JSON of every report must parse.

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/file_report.h"
#include "cli/report_output.h"
#include "conversion/import_file.h"
#include "json_parses.h"
#include "require.h"
#include "support/expected_level_file.h"
#include "support/memory_host.h"
#include "support/temp_dir.h"

namespace {

bool Mentions(const std::vector<std::string>& texts, const std::string& part)
{
    return std::ranges::any_of(texts, [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

// How many times a side can be halved before it reaches 1, plus one.
unsigned FullChain(std::uint32_t width, std::uint32_t height)
{
    if (width == 0 || height == 0) {
        return 0;
    }
    unsigned levels = 0;
    for (std::uint32_t side = std::max(width, height); side > 0; side /= 2) {
        ++levels;
    }
    return levels;
}

std::string Bytes(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " byte " : " bytes ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TempDir folder;  // on /dev/shm when TMPDIR says so
    const std::vector<std::uint8_t> texture(data, data + size);
    WriteBytes(folder / "texture.dds", texture);
    const FileReport report = ExamineFile(folder / "texture.dds");

    std::ostringstream json, text;
    WriteReportsAsJson({report}, json);
    WriteReportsAsText({report}, text);
    Require(JsonParses(json.str()), "the JSON output parses");

    static ImportFile::ConversionState state;
    state.sourceBytes.assign(texture.begin(), texture.end());
    MemoryHost host;
    const std::string failure = ConversionFailure([&] { ImportFile::ImportLoadedTexture("texture.dds", host, state); });
    Require(failure.empty(), failure.c_str());
    const bool converted = host.files.size() == 1;

    if (size < 4 || !TagAt(texture, 0, FileLayout::kDdsMagic)) {
        Require(!converted, "the conversion refuses what is not a texture");
        if (size >= 4 && TagAt(texture, 0, FileLayout::kLevelTag)) {
            Require(report.kind == "level file", "a level file is told by its content, whatever its name");
            return 0;
        }
        Require(report.kind.empty() && report.errors.size() == 1 && report.warnings.empty(), "not a texture, and said so");
        return 0;
    }
    Require(report.kind == "DDS texture", "a file that starts \"DDS \" is looked at as a texture");
    if (size < FileLayout::kDdsHeaderBytes) {
        Require(!converted && report.errors.size() == 1 && Mentions(report.errors, "shorter than the 128-byte DDS header"),
                "a texture without its whole header is refused, and said so");
        Require(report.warnings.empty() && report.records.empty(), "a cut header has no records and no warnings");
        return 0;
    }
    const std::uint32_t height = LittleEndianAt(texture, FileLayout::kDdsHeightOffset);
    const std::uint32_t width = LittleEndianAt(texture, FileLayout::kDdsWidthOffset);
    const unsigned levelCount = texture[FileLayout::kDdsMipCountOffset];
    Require(std::get<std::uint64_t>(report.facts.at(0).value) == width &&
                std::get<std::uint64_t>(report.facts.at(1).value) == height &&
                std::get<std::uint64_t>(report.facts.at(2).value) == levelCount,
            "the facts are the header's");

    Require(converted == report.errors.empty(), "the inspector refuses exactly what the conversion refuses");
    if (!converted) {
        Require(report.errors.size() == 1 && Mentions(report.errors, "the conversion refuses it"), "a refusal is named");
        Require(report.records.empty() && report.warnings.empty(), "a refused texture has no records and no warnings");
        return 0;
    }

    // The records, read back from what the conversion wrote.
    const std::vector<std::uint8_t>& written = host.files.begin()->second;
    Require(report.records.size() == levelCount, "a record for each level");
    std::size_t offset = 0;
    std::uint64_t claimed = 0;
    for (std::size_t number = 0; number < report.records.size(); ++number) {
        const std::vector<std::uint64_t>& record = report.records[number];  // index, size, stored, data
        Require(offset + 32 <= written.size(), "the conversion wrote each record's header");
        Require(record[0] == number && LittleEndianAt(written, offset + 16) == number, "the records are in order");
        Require(LittleEndianAt(written, offset + 20) == record[1] && LittleEndianAt(written, offset + 28) == record[1],
                "the size field is the one written");
        Require(LittleEndianAt(written, offset + 4) == record[2] + 24, "the stored size is the one written");
        claimed += LittleEndianAt(written, offset + 4) - 24;
        offset += 32 + record[3];
        Require(offset <= written.size(), "the data bytes are the ones written");
    }
    Require(offset == written.size(), "the records are the whole level file");

    // Each condition gives its warning, and no warning comes without one.
    const std::uint64_t present = written.size() - 32 * levelCount;
    const std::uint64_t leftOver = state.hexText.size() / 2;
    std::size_t conditions = 0;
    if (levelCount == 0) {
        ++conditions;
        Require(Mentions(report.warnings, "the mipmap count is 0"), "a count of 0 is named");
    }
    if (levelCount > FullChain(width, height)) {
        ++conditions;
        Require(Mentions(report.warnings, "the mipmap count " + std::to_string(levelCount) + " is more than the " +
                                              std::to_string(FullChain(width, height)) + " level"),
                "more levels than the size has is named");
    }
    if (present < claimed) {
        ++conditions;
        Require(Mentions(report.warnings, "the pixel data is " + Bytes(claimed - present) + "shorter"),
                "short data is named, with its count");
    }
    if (leftOver > 0) {
        ++conditions;
        Require(Mentions(report.warnings, Bytes(leftOver) + "of pixel data are left over"),
                "data left over is named, with its count");
    }
    Require(report.warnings.size() == conditions, "no warning without its condition");
    return 0;
}
