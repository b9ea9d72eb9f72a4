// Inspects level files. The first byte of the input chooses what the rest is:
//   0: a texture (after "DDS "), converted in memory; the level file the
//      conversion writes must be found sound, its records the texture's
//      levels; when the texture was short of data, the only finding is the
//      record the data ran out in;
//   1: the same level file with one fault put in it (a tag, a field, a cut,
//      bytes added), which must be named with the record it is in;
//   2: a level file as it stands, found sound exactly when it is a chain of
//      well-formed records, and otherwise named at its first faulty record.
// In case 2 the JSON of the report parses, also under a name of any bytes.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/file_report.h"
#include "cli/report_output.h"
#include "conversion/import_file.h"
#include "conversion/path_text.h"
#include "json_parses.h"
#include "level_sizes.h"
#include "require.h"
#include "support/dds_builder.h"
#include "support/memory_host.h"
#include "support/temp_dir.h"

namespace {

std::uint32_t Stored(std::uint32_t size)
{
    return size < 8 ? 4 : size;
}

// Whether a message names record `number` (and not record 10 for record 1).
bool Names(const FileReport& report, std::size_t number)
{
    const std::string name = "record " + std::to_string(number);
    for (const auto* texts : {&report.errors, &report.warnings}) {
        for (const std::string& text : *texts) {
            for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
                const std::size_t end = at + name.size();
                if (end == text.size() || text[end] < '0' || text[end] > '9') {
                    return true;
                }
            }
        }
    }
    return false;
}

// The first record that is not well formed, read the strict way: three tags,
// an INFO length of 8, the index its place, INFO and BODY sizes alike, the
// "LVL_" length the stored size plus 24, the data whole, and the next record
// ("LVL_") or the end of the file right after it. Nothing for a sound file.
struct StrictReading {
    std::optional<std::size_t> firstFault;
    std::size_t records = 0;
};

StrictReading ReadStrictly(const std::vector<std::uint8_t>& file)
{
    StrictReading reading;
    std::size_t offset = 0;
    for (std::size_t& number = reading.records; offset < file.size(); ++number) {
        if (file.size() - offset < 32 || !TagAt(file, offset, "LVL_") || !TagAt(file, offset + 8, "INFO") ||
            !TagAt(file, offset + 24, "BODY") || LittleEndianAt(file, offset + 12) != 8) {
            reading.firstFault = number;
            return reading;
        }
        const std::uint32_t length = LittleEndianAt(file, offset + 4);
        const std::uint32_t sizeField = LittleEndianAt(file, offset + 20);
        const std::uint64_t end = offset + std::uint64_t{32} + length - 24;
        if (length < 24 || LittleEndianAt(file, offset + 16) != number ||
            LittleEndianAt(file, offset + 28) != sizeField || length != std::uint64_t{Stored(sizeField)} + 24 ||
            end > file.size() || (end < file.size() && (end + 4 > file.size() || !TagAt(file, end, "LVL_")))) {
            reading.firstFault = number;
            return reading;
        }
        offset = end;
    }
    return reading;
}

FileReport Inspect(const TempDir& folder, const std::vector<std::uint8_t>& file)
{
    WriteBytes(folder / "level.lvl", file);
    return ExamineFile(folder / "level.lvl");
}

// Checked on the reports of any bytes only: those have every kind of finding,
// and parsing is much of a run's time.
void CheckJson(const FileReport& report, const std::vector<std::uint8_t>& file)
{
    std::ostringstream json;
    FileReport renamed = report;  // a name of any bytes, as the system may give one
    renamed.path = PathFromUtf8(std::string(file.begin(), file.begin() + std::min<std::size_t>(file.size(), 24)));
    WriteReportsAsJson({report, renamed}, json);
    Require(JsonParses(json.str()), "the JSON output parses");
}

// The level file the conversion writes for `texture`, or nothing when it refuses it.
std::optional<std::vector<std::uint8_t>> Convert(const std::vector<std::uint8_t>& texture)
{
    static ImportFile::ConversionState state;
    state.sourceBytes.assign(texture.begin(), texture.end());
    MemoryHost host;
    const std::string failure = ConversionFailure([&] { ImportFile::ImportLoadedTexture("level.dds", host, state); });
    Require(failure.empty(), failure.c_str());
    if (host.files.empty()) {
        return std::nullopt;
    }
    return std::move(host.files.begin()->second);
}

// Where each record starts in a level file made from a texture with all its data.
std::vector<std::size_t> RecordStarts(const std::vector<std::uint32_t>& sizes)
{
    std::vector<std::size_t> starts{0};
    for (const std::uint32_t size : sizes) {
        starts.push_back(starts.back() + 32 + Stored(size));
    }
    return starts;
}

void CheckConverted(const TempDir& folder, const std::vector<std::uint8_t>& texture)
{
    const auto file = Convert(texture);
    const auto sizes = LevelSizes(texture);
    Require(file.has_value() == sizes.has_value(), "the conversion refuses by the rules");
    if (!file) {
        return;
    }
    const FileReport report = Inspect(folder, *file);
    Require(report.kind == "level file", "a file named .lvl is looked at as a level file");
    std::uint64_t claimed = 0;
    for (const std::uint32_t size : *sizes) {
        claimed += Stored(size);
    }
    if (sizes->empty()) {
        Require(report.errors.empty() && report.warnings == std::vector<std::string>{"the file holds no records"}, "no levels, no records, said so");
    } else if (texture.size() - 128 >= claimed) {
        Require(report.Sound(), "a level file the conversion wrote from a whole texture is sound");
        Require(report.records.size() == sizes->size(), "a record for each level");
        const std::vector<std::size_t> starts = RecordStarts(*sizes);
        for (std::size_t index = 0; index < sizes->size(); ++index) {
            Require(report.records[index] == std::vector<std::uint64_t>{starts[index], index, (*sizes)[index],
                                                                         Stored((*sizes)[index]) + 24ULL,
                                                                         Stored((*sizes)[index])},
                    "each record as the conversion wrote it");
        }
    } else {
        // The record the data ran out in: it carries what was left, those after it nothing.
        std::size_t shortRecord = 0;
        for (std::uint64_t left = texture.size() - 128; left >= Stored((*sizes)[shortRecord]); ++shortRecord) {
            left -= Stored((*sizes)[shortRecord]);
        }
        const auto namesOnlyIt = [&](const std::vector<std::string>& texts) {
            return std::ranges::all_of(texts, [&](const std::string& text) {
                FileReport one;
                one.errors = {text};
                return Names(one, shortRecord);
            });
        };
        // Unless the empty records' headers fill the short one's data to its end: then the
        // file reads as whole records, as the game reads it.
        const bool wholeRecords = !ReadStrictly(*file).firstFault;
        Require(wholeRecords ? report.Sound()
                             : !report.Sound() && namesOnlyIt(report.warnings) && namesOnlyIt(report.errors),
                "a texture short of data gives a level file whose only finding is the record it ran out in");
    }
}

// Puts one fault into a sound level file and checks that it is named.
void CheckFault(const TempDir& folder, std::vector<std::uint8_t> texture, std::uint8_t kind, std::uint8_t place,
                std::uint32_t value)
{
    const auto sizes = LevelSizes(texture);
    if (!sizes || sizes->empty()) {
        return;
    }
    const std::vector<std::size_t> starts = RecordStarts(*sizes);
    if (starts.back() > (1 << 16)) {
        return;  // kept small for speed: a fault is found the same way in a large file
    }
    if (texture.size() - 128 < starts.back() - 32 * sizes->size()) {
        texture.resize(128 + starts.back() - 32 * sizes->size());  // every level whole, so the file is sound
    }
    std::vector<std::uint8_t> file = Convert(texture).value();
    const std::size_t number = place % sizes->size();
    const std::size_t start = starts[number];
    std::size_t named = number;
    switch (kind % 8) {
    case 0: {  // a tag's byte; without its "LVL_" a record does not start where the one before ends
        constexpr std::size_t kTagOffsets[] = {0, 1, 2, 3, 8, 9, 10, 11, 24, 25, 26, 27};
        const std::size_t at = start + kTagOffsets[value % 12];
        file[at] = static_cast<std::uint8_t>(file[at] + 1 + (value >> 8) % 255);
        named = at - start < 4 && number > 0 ? number - 1 : number;
        break;
    }
    case 1:  // the INFO length
        PutLittleEndian(file, start + 12, value == 8 ? 9 : value);
        break;
    case 2:  // the index
        PutLittleEndian(file, start + 16, value == number ? value + 1 : value);
        break;
    case 3:  // the BODY size
        PutLittleEndian(file, start + 28, value == (*sizes)[number] ? value + 1 : value);
        break;
    case 4:  // the INFO size
        PutLittleEndian(file, start + 20, value == (*sizes)[number] ? value + 1 : value);
        break;
    case 5:  // the "LVL_" length
        PutLittleEndian(file, start + 4, value == Stored((*sizes)[number]) + 24 ? value + 1 : value);
        break;
    case 6: {  // cut inside a record (a cut between records leaves a sound, shorter file)
        const std::size_t cut = start + 1 + value % (starts[number + 1] - start - 1);
        file.resize(cut);
        // Without its whole "LVL_" no record starts there: the one before is named.
        named = cut - start < 4 && number > 0 ? number - 1 : number;
        break;
    }
    default: {  // bytes after the last record, which no record claims
        const std::size_t added = 1 + value % 40;
        for (std::size_t index = 0; index < added; ++index) {
            file.push_back(static_cast<std::uint8_t>(value >> (index % 4 * 8)));
        }
        named = sizes->size() - 1;
        if (added >= 4 && TagAt(file, starts.back(), "LVL_")) {
            named = sizes->size();  // the start of one more record
        }
        break;
    }
    }
    const FileReport report = Inspect(folder, file);
    Require(!report.Sound(), "a level file with a fault is not sound");
    Require(Names(report, named), "the fault is named with its record");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TempDir folder;  // on /dev/shm when TMPDIR says so
    if (size == 0) {
        return 0;
    }
    const std::uint8_t mode = data[0] % 3;
    if (mode == 0) {
        std::vector<std::uint8_t> texture{'D', 'D', 'S', ' '};
        texture.insert(texture.end(), data + 1, data + size);
        CheckConverted(folder, texture);
    } else if (mode == 1) {
        if (size < 7) {
            return 0;
        }
        std::vector<std::uint8_t> texture{'D', 'D', 'S', ' '};
        texture.insert(texture.end(), data + 7, data + size);
        const std::uint32_t value = data[3] | data[4] << 8 | data[5] << 16 | std::uint32_t{data[6]} << 24;
        CheckFault(folder, texture, data[1], data[2], value);
    } else {
        const std::vector<std::uint8_t> file(data + 1, data + size);
        const FileReport report = Inspect(folder, file);
        CheckJson(report, file);
        if (file.size() >= 4 && TagAt(file, 0, "DDS ")) {
            Require(report.kind == "DDS texture", "a file that starts \"DDS \" is a texture");
            return 0;
        }
        Require(report.kind == "level file", "a file named .lvl is looked at as a level file");
        const StrictReading reading = ReadStrictly(file);
        if (file.empty()) {
            Require(report.warnings == std::vector<std::string>{"the file holds no records"} && report.errors.empty(),
                    "an empty file holds no records, said so");
        } else if (!reading.firstFault) {
            Require(report.Sound() && report.records.size() == reading.records, "a chain of sound records is sound");
        } else {
            Require(!report.Sound() && Names(report, *reading.firstFault), "the first fault is named with its record");
        }
    }
    return 0;
}
