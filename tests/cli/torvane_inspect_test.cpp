#include <gtest/gtest.h>

#include <filesystem>

#include "child_program.h"
#include "dds_builder.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// One level record as the converter writes it: `data` may be shorter than
// the stored size when its texture ran out.
std::vector<std::uint8_t> Record(std::uint32_t index, std::uint32_t size, const std::vector<std::uint8_t>& data)
{
    const std::uint32_t stored = size < 8 ? 4 : size;
    std::vector<std::uint8_t> bytes{'L', 'V', 'L', '_', 0, 0, 0, 0, 'I', 'N', 'F', 'O', 8, 0, 0, 0,
                                    0,   0,   0,   0,   0, 0, 0, 0, 'B', 'O', 'D', 'Y', 0, 0, 0, 0};
    PutLittleEndian(bytes, 4, stored + 24);
    PutLittleEndian(bytes, 16, index);
    PutLittleEndian(bytes, 20, size);
    PutLittleEndian(bytes, 28, size);
    bytes.resize(32 + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + 32);
    return bytes;
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> joined;
    for (const auto& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

class TorvaneInspectTest : public testing::Test {
protected:
    ChildProgram::Result Inspect(const std::string& name, const std::vector<std::uint8_t>& bytes,
                                 std::vector<std::string> options = {})
    {
        WriteBytes(folder / name, bytes);
        options.insert(options.begin(), TORVANE_INSPECT);
        options.push_back(folder / name);
        return ChildProgram(options).Wait();
    }

    TempDir folder;
};

// A sound DXT1 8 × 8 texture of 4 levels: 32, then 8, 8, 8 bytes.
const std::vector<std::uint8_t> kSoundTexture = BuildDds({8, 8, 4, "DXT1", NumberedBytes(56)});
const std::vector<std::uint8_t> kSoundLevelFile = Join({Record(0, 32, NumberedBytes(32)), Record(1, 8, NumberedBytes(8)),
                                                        Record(2, 8, NumberedBytes(8)), Record(3, 8, NumberedBytes(8))});

TEST_F(TorvaneInspectTest, SoundFilesShowTheirFactsAndRecordsAndExitWithZero)
{
    const ChildProgram::Result texture = Inspect("sound.dds", kSoundTexture);
    EXPECT_EQ(texture.status, 0) << texture.out;
    EXPECT_EQ(texture.out.substr(texture.out.find("width")),
              "width             8\n"
              "  height            8\n"
              "  mipmap count      4\n"
              "  FourCC            DXT1\n"
              "  FourCC hex        44585431\n"
              "  size rule         DXT1: width x height / 2 bytes, each later level a quarter of the one before, at least 8\n"
              "  pixel data bytes  56\n"
              "  records\n"
              "     index  size field  stored size  data bytes\n"
              "         0          32           32          32\n"
              "         1           8            8           8\n"
              "         2           8            8           8\n"
              "         3           8            8           8\n");

    const ChildProgram::Result levelFile = Inspect("sound.lvl", kSoundLevelFile, {"--json"});
    EXPECT_EQ(levelFile.status, 0);
    EXPECT_EQ(levelFile.out.substr(levelFile.out.find("\"kind\"")),
              "\"kind\": \"level file\",\n"
              "      \"fileBytes\": 184,\n"
              "      \"records\": [\n"
              "        {\"offset\": 0, \"index\": 0, \"sizeField\": 32, \"levelLength\": 56, \"dataLength\": 32},\n"
              "        {\"offset\": 64, \"index\": 1, \"sizeField\": 8, \"levelLength\": 32, \"dataLength\": 8},\n"
              "        {\"offset\": 104, \"index\": 2, \"sizeField\": 8, \"levelLength\": 32, \"dataLength\": 8},\n"
              "        {\"offset\": 144, \"index\": 3, \"sizeField\": 8, \"levelLength\": 32, \"dataLength\": 8}\n"
              "      ],\n"
              "      \"warnings\": [],\n"
              "      \"errors\": [],\n"
              "      \"sound\": true\n"
              "    }\n"
              "  ]\n"
              "}\n");
}

TEST_F(TorvaneInspectTest, FaultyTexturesAndLevelFilesAreNamedAndExitWithOne)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::string expected;  // a line of the text report
    };
    std::vector<std::uint8_t> cutInHeader = kSoundLevelFile;
    cutInHeader.resize(64 + 20);
    std::vector<std::uint8_t> wrongTag = kSoundLevelFile;
    wrongTag[64 + 8 + 3] = 'A';
    // Sizes 6 in both fields, but the "LVL_" length of 8 data bytes.
    std::vector<std::uint8_t> wrongLength = Join({Record(0, 32, NumberedBytes(32)), Record(1, 8, NumberedBytes(8))});
    wrongLength[64 + 20] = 6;
    wrongLength[64 + 28] = 6;
    std::vector<std::uint8_t> mipmapField265 = BuildDds({4, 4, 265, "", NumberedBytes(42)});
    const Case cases[] = {
        {"short.dds", BuildDds({8, 8, 4, "DXT1", NumberedBytes(20)}),
         "  warning: the pixel data is 36 bytes shorter than the 56 bytes its levels claim: the last records would be "
         "short\n"},
        {"short-records.dds", BuildDds({8, 8, 4, "DXT1", NumberedBytes(20)}), "         1           8            8           0\n"},
        {"leftover.dds", BuildDds({4, 4, 1, "", NumberedBytes(40)}),
         "  warning: 8 bytes of pixel data are left over after the last level\n"},
        {"deep.dds", BuildDds({4, 4, 5, "", NumberedBytes(50)}), "  warning: the mipmap count 5 is more than the 3 levels a 4 x 4 texture has\n"},
        {"field.dds", mipmapField265, "  mipmap count field  265\n"},
        {"none.dds", BuildDds({4, 4, 0, "", {}}), "  warning: the mipmap count is 0: the level file would hold no records\n"},
        {"huge.dds", BuildDds({65'536, 32'768, 1, "", {}}),
         "  error: the conversion refuses it: the first level's size is over 2147483647 bytes, the signed 32-bit range "
         "of its fields\n"},
        {"huge-record.dds", BuildDds({1, 2'147'483'624, 1, "DXT3", {}}),
         "  error: the conversion refuses it: the first record's length, its size plus 24, is over 2147483647 bytes, "
         "the signed 32-bit range of its fields\n"},
        {"header.dds", {'D', 'D', 'S', ' ', 0, 0}, "  error: the file is 6 bytes long, shorter than the 128-byte DDS header: "
                                                    "the conversion refuses it\n"},
        {"cut-data.lvl", {kSoundLevelFile.begin(), kSoundLevelFile.end() - 3},
         "  error: the file ends inside record 3's data: 5 of its 8 bytes are there\n"},
        {"cut-header.lvl", cutInHeader, "  error: the file ends inside record 1's header: 20 bytes of 32 at offset 64\n"},
        {"tag.lvl", wrongTag, "  error: record 1: \"INFO\" expected at offset 72, found \"INFA\" (494E4641)\n"},
        {"length.lvl", wrongLength, "  error: record 1: its \"LVL_\" length 32 should be 28 for a level size of 6\n"},
        {"index.lvl", Join({Record(0, 32, NumberedBytes(32)), Record(2, 8, NumberedBytes(8))}),
         "  error: record 1 holds level index 2\n"},
        {"trailing.lvl", Join({kSoundLevelFile, {1, 2, 3}}),
         "  error: record 3: no record starts where its data ends, at offset 184\n"},
        // A texture that ran out of data: its first record carries 20 bytes, the others none.
        {"from-short.lvl", Join({Record(0, 32, NumberedBytes(20)), Record(1, 8, {}), Record(2, 8, {}), Record(3, 8, {})}),
         "  warning: record 0 carries 20 of its 32 data bytes and the 3 records after it none: its texture held less "
         "data than its levels claim\n"},
        {"from-short-records.lvl",
         Join({Record(0, 32, NumberedBytes(20)), Record(1, 8, {}), Record(2, 8, {}), Record(3, 8, {})}),
         "     116      3           8             32            0\n"},
        {"empty.lvl", {}, "  warning: the file holds no records\n"},
        {"notes.txt", {'h', 'e', 'l', 'l', 'o'},
         "  error: neither a DDS texture (\"DDS \" at its start) nor a level file (\"LVL_\")\n"},
    };
    for (const Case& test : cases) {
        const ChildProgram::Result run = Inspect(test.name, test.bytes);
        EXPECT_EQ(run.status, 1) << test.name;
        EXPECT_NE(run.out.find(test.expected), std::string::npos) << test.name << ":\n" << run.out;
    }
}

TEST_F(TorvaneInspectTest, AnyUnsoundFileGivesOneAndUsageErrorsTwoWithoutWritingAnything)
{
    WriteBytes(folder / "sound.dds", kSoundTexture);
    const ChildProgram::Result mixed =
        ChildProgram({TORVANE_INSPECT, "--json", folder / "sound.dds", folder / "missing.lvl"}).Wait();
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.out.find("\"errors\": [\"cannot read it: No such file or directory\"],\n      \"sound\": false"),
              std::string::npos)
        << mixed.out;
    EXPECT_NE(mixed.out.find("\"sound\": true"), std::string::npos);

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{TORVANE_INSPECT}, {TORVANE_INSPECT, "--bogus", folder / "sound.dds"}}) {
        const ChildProgram::Result usage = ChildProgram(arguments).Wait();
        EXPECT_EQ(usage.status, 2);
        EXPECT_NE(usage.err.find("Try 'torvane-inspect --help'"), std::string::npos);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

}  // namespace
