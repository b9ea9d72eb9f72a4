#include <gtest/gtest.h>

#include <cstdio>

#include "conversion/import_file.h"
#include "support/dds_builder.h"
#include "support/expected_level_file.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

using Bytes = std::vector<std::uint8_t>;
using Sizes = std::vector<std::uint32_t>;

// The hex text a conversion left in its state.
static std::string HexText(const ImportFile::ConversionState& state = ImportFile::ModuleState)
{
    return {state.hexText.begin(), state.hexText.end()};
}

struct Texture {
    const char* name;
    DdsImage image;
    Sizes sizes;  // each level's, as its record's fields hold it
    bool refused = false;
    void (*damage)(Bytes&) = [](Bytes&) {};
};

const Texture kTextures[] = {
    {"Dxt1QuartersEachLevelDownToAnEightByteFloor", {256, 256, 9, "DXT1", NumberedBytes(43'704)},
     {32'768, 8'192, 2'048, 512, 128, 32, 8, 8, 8}},
    {"Dxt3TakesAByteAPixelDownToASixteenByteFloor", {256, 256, 9, "DXT3", NumberedBytes(87'408)},
     {65'536, 16'384, 4'096, 1'024, 256, 64, 16, 16, 16}},
    // A size below 8 stores 4 bytes, of which the source has 2 left.
    {"Dxt5TakesTwoBytesAPixelWithoutAFloor", {4, 4, 3, "DXT5", NumberedBytes(42)}, {32, 8, 2}},
    {"NoFourCcChainsOnFromAStoredFour", {8, 8, 5, "", NumberedBytes(176)}, {128, 32, 8, 2, 1}},
    {"Dxt1FourAndAHalfBytesRoundToFour", {3, 3, 2, "DXT1", {}}, {4, 8}},
    {"Dxt1HalfAByteRoundsToZero", {1, 1, 1, "DXT1", {}}, {0}},
    {"LevelOfThreeAndAHalfBytesRoundsToFour", {7, 1, 3, "", {}}, {14, 4, 1}},
    {"ShortSourceCarriesWhatThereIs", {256, 256, 3, "DXT1", NumberedBytes(1'000)}, {32'768, 8'192, 2'048}},
    {"OnlyTheLowByteOfTheMipmapCountCounts", {4, 4, 265, "DXT1", {}}, Sizes(9, 8)},
    {"NoLevelsStillMakeAnEmptyFile", {64, 64, 0, "DXT1", NumberedBytes(100)}, {}},
    {"All255LevelsInOrderWithTheRestLeftOver", {4, 4, 255, "DXT1", NumberedBytes(8 * 255 + 3)}, Sizes(255, 8)},
    {"LargestRecordEndsAtTheSigned32BitLimit", {1, 2'147'483'623, 1, "DXT3", {}}, {2'147'483'623}},
    {"NoLevelsAtTheLargestSize", {1, 2'147'483'647, 0, "DXT3", {}}, {}},
    {"RecordPastTheLimitIsRefused", {1, 2'147'483'624, 1, "DXT3", {}}, {}, true},
    {"SizePastTheLimitIsRefusedEvenWithoutLevels", {65'536, 65'536, 0, "DXT1", {}}, {}, true},
    {"TwoBytesAPixelPastTheLimitIsRefused", {1, 2'147'483'647, 0, "", {}}, {}, true},
    // 2^63 + 145,474,192 pixels, whose doubling in 64 bits would wrap to 290,948,384.
    {"SizeWhoseDoublingWouldWrapIsRefused", {3'037'000'500, 3'037'000'500, 1, "", {}}, {}, true},
    {"FileWithoutMagicIsRefused", {4, 4, 1, "", NumberedBytes(30'000)}, {}, true, [](Bytes& bytes) { bytes[3] = '_'; }},
    {"HeaderShorterThan128BytesIsRefused", {}, {}, true, [](Bytes& bytes) { bytes.pop_back(); }},
};

void PrintTo(const Texture& texture, std::ostream* out) { *out << texture.name; }  // the name, not the bytes

class ConvertTexture : public testing::TestWithParam<Texture> {};

TEST_P(ConvertTexture, WritesOneRecordPerLevelWithItsSizesAndDataOrRefuses)
{
    const Texture& texture = GetParam();
    TempDir folder;
    Bytes source = BuildDds(texture.image);
    texture.damage(source);
    WriteBytes(folder / "grass.final.dds", source);
    RecordingHost host(folder.Path());
    // Closed, as a launcher may leave it: the source and the output then open as descriptor 0.
    [[maybe_unused]] static const int noStandardInput = std::fclose(stdin);
    ImportFile::ImportTexture(folder.Path() / "grass.final.dds", host);
    EXPECT_FALSE(std::filesystem::exists("/proc/self/fd/0"));  // and closed again (checked where /proc tells)

    using Texts = std::vector<std::string>;
    EXPECT_EQ(host.reports, Texts{texture.refused ? "message Not a supported DDS File" : "status grass.lvl created."});
    EXPECT_EQ(NamesIn(folder.Path()), texture.refused ? Texts{"grass.final.dds"} : (Texts{"grass.final.dds", "grass.lvl"}));
    const std::span<const std::uint8_t> pixels = texture.image.pixelData;
    const Bytes expected = ExpectedLevelFile(pixels, texture.sizes);
    if (texture.refused) {
        EXPECT_EQ(HexText(), UpperHex(source));  // encoded in full before it was refused
    } else {
        EXPECT_EQ(ReadBytes(folder / "grass.lvl"), expected);
        EXPECT_EQ(HexText(), UpperHex(pixels.subspan(expected.size() - 32 * texture.sizes.size())));  // left over
    }
}

INSTANTIATE_TEST_SUITE_P(Textures, ConvertTexture, testing::ValuesIn(kTextures),
                         [](const testing::TestParamInfo<Texture>& info) { return info.param.name; });

// The maximum once, then a value and an event round each time 25,000 bytes are
// encoded (the byte that fills a piece counted after the events), and the
// length last. Numbered bytes land on every place of the encoder's 16-byte blocks.
TEST(EncodeHex, WritesTwoDigitsPerByteAndReportsProgressAtEachPiece)
{
    const std::pair<std::size_t, std::vector<std::string>> cases[] = {
        {0, {"maximum 0.000000"}},
        {25'000, {"maximum 25000.000000", "value 24999", "events", "value 25000"}},
        {60'001, {"maximum 60001.000000", "value 24999", "events", "value 49999", "events", "value 60001"}},
    };
    for (const auto& [length, calls] : cases) {
        const Bytes source = NumberedBytes(length);
        ImportFile::SourceBytes.assign(source.begin(), source.end());
        ImportFile::HexText.assign(10, 'A');  // an earlier conversion's
        RecordingHost host;
        ImportFile::EncodeHex(host);
        EXPECT_EQ(host.progress, calls);
        EXPECT_EQ(HexText(), UpperHex(source));
    }
}

TEST(ImportTexture, UnreadableSourceNamesTheFileAndTheReasonAndTellsTheHostNothing)
{
    TempDir folder;
    const std::pair<std::filesystem::path, std::string> sources[] = {
        {folder.Path() / "missing.dds", "No such file or directory"}, {folder.Path(), "Is a directory"}};
    for (const auto& [source, reason] : sources) {
        RecordingHost host(folder.Path());
        EXPECT_EQ(ConversionFailure([&, &source = source] { ImportFile::ImportTexture(source, host); }),
                  "Cannot read " + source.string() + ": " + reason);
        EXPECT_EQ(host.progress.size() + host.reports.size(), 0u);
    }
}

// The window lets events through while it encodes, and the command line
// converts on several states at once.
TEST(ImportTexture, ConversionStartedInsideAnotherIsRefusedOnItsStateButRunsOnAnother)
{
    TempDir folder;
    const Bytes outer = NumberedBytes(32'768 + 5), inner = NumberedBytes(40);
    WriteBytes(folder / "outer.dds", BuildDds({128, 128, 1, "", outer}));
    WriteBytes(folder / "inner.dds", BuildDds({4, 4, 1, "", inner}));
    ImportFile::ConversionState outerState, innerState;
    RecordingHost host(folder.Path());
    std::string refusal;
    host.onEvents = [&] {
        refusal = ConversionFailure([&] { ImportFile::ImportTexture(folder / "inner.dds", host, outerState); });
        ImportFile::ImportTexture(folder / "inner.dds", host, innerState);
    };
    ImportFile::ImportTexture(folder.Path() / "outer.dds", host, outerState);

    EXPECT_EQ(refusal, "Another texture is being converted");
    EXPECT_EQ(ReadBytes(folder / "outer.lvl"), ExpectedLevelFile(outer, {32'768}));
    EXPECT_EQ(ReadBytes(folder / "inner.lvl"), ExpectedLevelFile(inner, {32}));
    EXPECT_EQ(HexText(outerState), UpperHex(std::span(outer).last(5)));
    EXPECT_EQ(HexText(innerState), UpperHex(std::span(inner).last(8)));
}
