#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "conversion_error.h"
#include "dds_builder.h"
#include "import_file.h"
#include "level_file_reader.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace {

struct Conversion {
    RecordingHost host;
    std::vector<std::uint8_t> output;
    std::vector<LevelRecord> records;
};

class ImportTextureTest : public testing::Test {
protected:
    // Converts `texture` saved as `name` and reads back what was written.
    Conversion Convert(const DdsImage& texture, const std::string& name = "texture.dds")
    {
        WriteBytes(folder / name, BuildDds(texture));
        Conversion conversion{RecordingHost(folder.Path().string()), {}, {}};
        ImportFile::ImportTexture(folder / name, conversion.host);
        const auto levelFile = folder.Path() / (name.substr(0, name.find('.')) + ".lvl");
        if (std::filesystem::exists(levelFile)) {
            conversion.output = ReadBytes(levelFile);
            conversion.records = ReadLevelFile(conversion.output, texture.pixelData.size()).value();
        }
        return conversion;
    }

    static std::vector<std::uint32_t> BodySizes(const Conversion& conversion)
    {
        std::vector<std::uint32_t> sizes;
        for (const LevelRecord& record : conversion.records) {
            sizes.push_back(record.bodySize);
        }
        return sizes;
    }

    TempDir folder;
};

TEST_F(ImportTextureTest, Dxt1LevelsHalveTheirSideAndKeepAnEightByteFloor)
{
    const std::vector<std::uint8_t> pixels = NumberedBytes(43'704);
    const Conversion conversion = Convert({256, 256, 9, "DXT1", pixels});

    EXPECT_EQ(BodySizes(conversion),
              (std::vector<std::uint32_t>{32'768, 8'192, 2'048, 512, 128, 32, 8, 8, 8}));
    const std::vector<std::uint8_t> firstRecordHeader{
        'L', 'V', 'L', '_', 0x18, 0x80, 0, 0, 'I', 'N', 'F', 'O', 8, 0, 0, 0,
        0,   0,   0,   0,   0,    0x80, 0, 0, 'B', 'O', 'D', 'Y', 0, 0x80, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(conversion.output.begin(), conversion.output.begin() + 32), firstRecordHeader);
    // Every level takes its data in order, straight after the one before it.
    std::vector<std::uint8_t> joined;
    for (const LevelRecord& record : conversion.records) {
        EXPECT_EQ(record.index, &record - conversion.records.data());
        EXPECT_EQ(record.infoSize, record.bodySize);
        joined.insert(joined.end(), record.data.begin(), record.data.end());
    }
    EXPECT_EQ(joined, pixels);
    EXPECT_EQ(conversion.host.statuses, std::vector<std::string>{"texture.lvl created."});
    EXPECT_TRUE(ImportFile::HexText.empty());
}

TEST_F(ImportTextureTest, SmallLevelIsStoredAsFourBytesAndTakesOnlyWhatTheSourceHolds)
{
    const Conversion conversion = Convert({4, 4, 3, "", NumberedBytes(42)});

    ASSERT_EQ(conversion.records.size(), 3u);
    EXPECT_EQ(conversion.records[0].levelLength, 56u);
    EXPECT_EQ(conversion.records[1].levelLength, 32u);
    EXPECT_EQ(conversion.records[2].levelLength, 28u);
    EXPECT_EQ(conversion.records[2].infoSize, 2u);
    EXPECT_EQ(conversion.records[2].bodySize, 2u);
    EXPECT_EQ(conversion.records[2].data, (std::vector<std::uint8_t>{40, 41}));
    EXPECT_EQ(conversion.output.size(), 32u + 32 + 32 + 8 + 32 + 2);
}

TEST_F(ImportTextureTest, UncompressedChainGoesBelowEightWithoutAFloor)
{
    // 8 × 8 at two bytes per pixel: 128, 32, 8, then 2 stored as 4, then 1 stored as 4.
    const Conversion conversion = Convert({8, 8, 5, "", NumberedBytes(500)});
    EXPECT_EQ(BodySizes(conversion), (std::vector<std::uint32_t>{128, 32, 8, 2, 1}));
    EXPECT_EQ(conversion.records[4].levelLength, 28u);
    // What the levels did not take is left behind as text.
    EXPECT_EQ(ImportFile::HexText.size(), 2u * (500 - 128 - 32 - 8 - 4 - 4));
}

TEST_F(ImportTextureTest, Dxt3LevelsTakeWholeSixteenByteBlocks)
{
    const Conversion conversion = Convert({256, 256, 9, "DXT3", NumberedBytes(87'408)});
    EXPECT_EQ(BodySizes(conversion),
              (std::vector<std::uint32_t>{65'536, 16'384, 4'096, 1'024, 256, 64, 16, 16, 16}));
    EXPECT_TRUE(ImportFile::HexText.empty());
}

TEST_F(ImportTextureTest, OtherFormatsCountTwoBytesPerPixelAndRoundTiesToEven)
{
    EXPECT_EQ(BodySizes(Convert({16, 16, 1, "DXT5", {}})), std::vector<std::uint32_t>{512});
    // 3 × 3 DXT1 is 4.5 bytes, rounded to 4; 1 × 1 is 0.5, rounded to 0 and stored as 4.
    EXPECT_EQ(BodySizes(Convert({3, 3, 2, "DXT1", {}})), (std::vector<std::uint32_t>{4, 8}));
    const Conversion tiny = Convert({1, 1, 1, "DXT1", {}});
    EXPECT_EQ(BodySizes(tiny), std::vector<std::uint32_t>{0});
    EXPECT_EQ(tiny.records[0].levelLength, 28u);
}

TEST_F(ImportTextureTest, OnlyTheLowByteOfTheMipmapCountCounts)
{
    EXPECT_EQ(Convert({4, 4, 265, "DXT1", {}}).records.size(), 9u);
}

TEST_F(ImportTextureTest, EveryOneOf255LevelsTakesItsDataInOrderAndTheRestIsLeftOver)
{
    // 4 × 4 uncompressed: 32 bytes, then 8, then 4 stored for each level after.
    const std::vector<std::uint8_t> pixels = NumberedBytes(32 + 8 + 4 * 253 + 3);
    const Conversion conversion = Convert({4, 4, 255, "", pixels});

    ASSERT_EQ(conversion.records.size(), 255u);
    std::vector<std::uint8_t> joined;
    for (const LevelRecord& record : conversion.records) {
        EXPECT_EQ(record.index, &record - conversion.records.data());
        joined.insert(joined.end(), record.data.begin(), record.data.end());
    }
    EXPECT_EQ(joined, std::vector<std::uint8_t>(pixels.begin(), pixels.end() - 3));
    // Bytes 1,052 to 1,054, which hold 48 to 50.
    EXPECT_EQ(std::string(ImportFile::HexText.begin(), ImportFile::HexText.end()), "303132");
}

TEST_F(ImportTextureTest, ModuleStateKeepsOnlyTheLastTextureAndItsLeftoverData)
{
    const std::vector<std::uint8_t> pixels = NumberedBytes(2 * 1024 * 1024);
    EXPECT_EQ(Convert({1024, 1024, 1, "", pixels}).records.at(0).data, pixels);
    Convert({4, 4, 1, "", NumberedBytes(40)});
    // Eight bytes more than the level took; a larger earlier texture's room is let go.
    EXPECT_EQ(ImportFile::SourceBytes.capacity(), 168u);
    EXPECT_EQ(std::string(ImportFile::HexText.begin(), ImportFile::HexText.end()), "2021222324252627");
    EXPECT_LT(ImportFile::HexText.capacity(), 1'000u);
}

TEST_F(ImportTextureTest, NoLevelsStillCreatesAnEmptyFileAndReportsIt)
{
    const Conversion conversion = Convert({64, 64, 0, "DXT1", NumberedBytes(100)});
    EXPECT_TRUE(std::filesystem::exists(folder / "texture.lvl"));
    EXPECT_TRUE(conversion.output.empty());
    EXPECT_EQ(conversion.host.statuses, std::vector<std::string>{"texture.lvl created."});
}

TEST_F(ImportTextureTest, SourceShorterThanItsLevelsKeepsTheSizeFieldsAndCarriesWhatThereIs)
{
    const Conversion conversion = Convert({256, 256, 3, "DXT1", NumberedBytes(1'000)});
    EXPECT_EQ(BodySizes(conversion), (std::vector<std::uint32_t>{32'768, 8'192, 2'048}));
    EXPECT_EQ(conversion.records[0].data.size(), 1'000u);
    EXPECT_TRUE(conversion.records[1].data.empty());
    EXPECT_EQ(conversion.output.size(), 3u * 32 + 1'000);
}

TEST_F(ImportTextureTest, NonDdsFileIsEncodedInFullBeforeItIsRefused)
{
    std::vector<std::uint8_t> notATexture = NumberedBytes(30'000);
    notATexture[0] = 'D';
    notATexture[1] = 'D';
    notATexture[2] = 'S';
    notATexture[3] = '_';
    WriteBytes(folder / "photo.dds", notATexture);
    RecordingHost host(folder.Path().string());
    host.statuses.push_back("earlier.lvl created.");

    ImportFile::ImportTexture(folder / "photo.dds", host);

    EXPECT_EQ(ImportFile::HexText.size(), 60'000u);
    EXPECT_EQ(host.calls.back(), "message Not a supported DDS File");
    EXPECT_EQ(host.values.back(), 30'000u);
    EXPECT_EQ(host.statuses.size(), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST_F(ImportTextureTest, TruncatedHeaderAndOversizedTexturesAreRefusedWithoutWriting)
{
    std::vector<std::uint8_t> truncated = BuildDds({256, 256, 1, "DXT1", {}});
    truncated.resize(127);
    WriteBytes(folder / "truncated.dds", truncated);

    struct Oversized {
        DdsImage texture;
        bool refused;
    };
    const Oversized cases[] = {
        {{65'536, 32'768, 1, "", {}}, true},             // 2^32 bytes of two-byte pixels
        {{0xFFFFFFFF, 0xFFFFFFFF, 1, "", {}}, true},      // a product that no doubling survives
        {{65'536, 65'536, 0, "DXT1", {}}, true},          // 2^31 is out of range even with no levels
        {{1, 2'147'483'648, 0, "DXT3", {}}, true},
        {{1, 2'147'483'647, 0, "DXT3", {}}, false},       // no levels: nothing to add 24 to
        {{1, 2'147'483'624, 1, "DXT3", {}}, true},        // the level's length would pass 2^31 - 1
        {{1, 2'147'483'623, 1, "DXT3", {}}, false},
    };
    for (const Oversized& oversized : cases) {
        WriteBytes(folder / "big.dds", BuildDds(oversized.texture));
        RecordingHost host(folder.Path().string());
        ImportFile::ImportTexture(folder / "big.dds", host);
        EXPECT_EQ(host.messages.size(), oversized.refused ? 1u : 0u) << oversized.texture.width << " × "
                                                                     << oversized.texture.height;
        EXPECT_EQ(std::filesystem::exists(folder / "big.lvl"), !oversized.refused);
        std::filesystem::remove(folder / "big.lvl");
    }

    RecordingHost host(folder.Path().string());
    ImportFile::ImportTexture(folder / "truncated.dds", host);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Not a supported DDS File"});
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "truncated.lvl"));
}

TEST_F(ImportTextureTest, BaseNameIsTheFileNameUpToItsFirstDot)
{
    std::filesystem::create_directory(folder.Path() / "pack.v2");
    const std::string names[] = {"grass.final.dds", "pack.v2/stone.dds", ".dds", "rock.DDS.bak"};
    const std::string levelFiles[] = {"grass.lvl", "stone.lvl", ".lvl", "rock.lvl"};
    for (std::size_t index = 0; index < std::size(names); ++index) {
        WriteBytes(folder / names[index], BuildDds({4, 4, 1, "DXT1", NumberedBytes(8)}));
        RecordingHost host(folder.Path().string());
        ImportFile::ImportTexture(folder / names[index], host);
        EXPECT_TRUE(std::filesystem::exists(folder / levelFiles[index])) << names[index];
        EXPECT_EQ(host.statuses, std::vector<std::string>{levelFiles[index] + " created."});
    }
}

TEST_F(ImportTextureTest, UnreadableSourceNamesTheFileAndTheReason)
{
    RecordingHost host(folder.Path().string());
    const std::string missing = folder / "missing.dds";
    try {
        ImportFile::ImportTexture(missing, host);
        FAIL() << "a missing file was converted";
    } catch (const ConversionError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot read " + missing + ": No such file or directory");
    }
    EXPECT_THROW(ImportFile::ImportTexture(folder.Path().string(), host), ConversionError);
    EXPECT_TRUE(host.calls.empty());
}

// A front end that lets events through must not be able to start a second
// conversion over the state of the running one.
class ReenteringHost : public RecordingHost {
public:
    using RecordingHost::RecordingHost;
    void ProcessEvents() override
    {
        try {
            ImportFile::ImportTexture(nestedPath, *this);
        } catch (const ConversionError& error) {
            nestedFailure = error.what();
        }
    }
    std::string nestedPath;
    std::string nestedFailure;
};

TEST_F(ImportTextureTest, ConversionStartedFromInsideAnotherIsRefused)
{
    WriteBytes(folder / "outer.dds", BuildDds({128, 128, 1, "", NumberedBytes(32'768)}));
    WriteBytes(folder / "inner.dds", BuildDds({4, 4, 1, "", NumberedBytes(32)}));
    ReenteringHost host(folder.Path().string());
    host.nestedPath = folder / "inner.dds";

    ImportFile::ImportTexture(folder / "outer.dds", host);

    EXPECT_EQ(host.nestedFailure, "Another texture is being converted");
    EXPECT_EQ(host.statuses, std::vector<std::string>{"outer.lvl created."});
    EXPECT_EQ(ReadLevelFile(ReadBytes(folder / "outer.lvl"), 32'768).value()[0].data, NumberedBytes(32'768));
    EXPECT_FALSE(std::filesystem::exists(folder / "inner.lvl"));
}

// The command line converts on several threads at once, each on a state of
// its own: neither sees the other's texture nor is refused as nested.
TEST_F(ImportTextureTest, ConversionsOnSeparateThreadsKeepTheirOwnState)
{
    // Uncompressed squares: one level of side × side × 2 bytes, and a few bytes more.
    struct Worker {
        std::string name;
        std::uint32_t side;
        std::size_t leftover;
        std::vector<std::string> failures{};
        std::size_t leftoverSeen = 0;
        std::size_t LevelBytes() const { return std::size_t{side} * side * 2; }
    };
    Worker workers[] = {{"a", 256, 100}, {"b", 128, 7}};
    for (const Worker& worker : workers) {
        WriteBytes(folder / (worker.name + ".dds"),
                   BuildDds({worker.side, worker.side, 1, "", NumberedBytes(worker.LevelBytes() + worker.leftover)}));
        std::filesystem::create_directory(folder / worker.name);
    }

    const auto convert = [this](Worker& worker) {
        ImportFile::ConversionState state;
        for (int round = 0; round < 20; ++round) {
            RecordingHost host(folder / worker.name);
            try {
                ImportFile::ImportTexture(folder / (worker.name + ".dds"), host, state);
            } catch (const ConversionError& error) {
                worker.failures.push_back(error.what());
            }
            worker.leftoverSeen = state.hexText.size() / 2;
        }
    };
    {
        std::jthread first(convert, std::ref(workers[0]));
        std::jthread second(convert, std::ref(workers[1]));
    }

    for (const Worker& worker : workers) {
        EXPECT_EQ(worker.failures, std::vector<std::string>{}) << worker.name;
        EXPECT_EQ(worker.leftoverSeen, worker.leftover) << worker.name;
        const auto records = ReadLevelFile(ReadBytes(folder.Path() / worker.name / (worker.name + ".lvl")),
                                           worker.LevelBytes() + worker.leftover);
        ASSERT_TRUE(records) << worker.name;
        EXPECT_EQ(records->at(0).data, NumberedBytes(worker.LevelBytes())) << worker.name;
    }
}

}  // namespace
