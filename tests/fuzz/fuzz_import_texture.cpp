// Converts arbitrary bytes as a texture and checks the outcome against a
// statement of the format's rules of its own: a refused texture writes
// nothing, an accepted one becomes records with the rules' sizes and the
// pixel data in order. The level file is kept in memory: on disk, opening and
// renaming files took most of each run.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "conversion/import_file.h"
#include "level_sizes.h"
#include "require.h"
#include "support/expected_level_file.h"
#include "support/memory_host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> texture(data, data + size);
    ImportFile::SourceBytes.assign(texture.begin(), texture.end());

    MemoryHost host("levels");
    const std::string failure = ConversionFailure([&] { ImportFile::ImportLoadedTexture("textures/texture.dds", host); });
    Require(failure.empty(), failure.c_str());
    // The maximum first; a value and an event round each time 25,000 bytes are
    // done (the byte that fills a piece counted after the events); the length last.
    std::vector<std::string> progress{"maximum " + std::to_string(static_cast<float>(size))};
    for (std::size_t piece = 25'000; piece <= size; piece += 25'000) {
        progress.insert(progress.end(), {"value " + std::to_string(piece - 1), "events"});
    }
    if (size > 0) {
        progress.push_back("value " + std::to_string(size));
    }
    Require(host.progress == progress, "the bar moves as the bytes are encoded");

    // A refused texture opens no level file and is encoded whole.
    const auto sizes = LevelSizes(texture);
    const std::span<const std::uint8_t> pixels = sizes ? std::span(texture).subspan(FileLayout::kDdsHeaderBytes) : std::span(texture);
    const char* report = sizes ? "status texture.lvl created." : "message Not a supported DDS File";
    Require(host.reports == std::vector<std::string>{report}, "a refusal shows its message, a level file is reported");
    Require(host.opened == (sizes ? 1U : 0U), "only an accepted texture opens a level file");
    if (sizes) {
        const std::vector<std::uint8_t> levelFile = ExpectedLevelFile(pixels, *sizes);
        Require(host.files.size() == 1 && host.files.begin()->first == std::filesystem::path("levels") / "texture.lvl",
                "the level file goes into the output directory, named after the texture");
        Require(host.files.begin()->second == levelFile, "the level file has the rules' records and pixel data");
        const std::size_t taken = levelFile.size() - 32 * sizes->size();
        Require(std::ranges::equal(ImportFile::HexText, UpperHex(pixels.subspan(taken))), "the hex text keeps the rest");
    } else {
        Require(std::ranges::equal(ImportFile::HexText, UpperHex(pixels)), "a refused texture is encoded whole");
    }
    return 0;
}
