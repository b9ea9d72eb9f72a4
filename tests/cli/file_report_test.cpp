#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/file_report.h"
#include "cli/report_output.h"
#include "support/dds_builder.h"
#include "support/expected_level_file.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// DXT1 8 x 8: 32 + 8 + 8 + 8 bytes in 4 levels; the short one claims 40
// bytes in 2 levels and holds only 20.
const Bytes kTexture = BuildDds({8, 8, 4, "DXT1", NumberedBytes(56)});
const Bytes kShortTexture = BuildDds({8, 8, 2, "DXT1", NumberedBytes(20)});
const Bytes kLevelFile = ExpectedLevelFile(NumberedBytes(56), {32, 8, 8, 8});  // records at 0, 64, 104 and 144
const Bytes kShortLevelFile = ExpectedLevelFile(NumberedBytes(20), {32, 8});

Bytes Poke(Bytes bytes, std::size_t offset, std::uint8_t value)
{
    bytes.resize(std::max(bytes.size(), offset + 1));
    bytes[offset] = value;
    return bytes;
}

Bytes Appended(Bytes bytes, const Bytes& tail)
{
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

// The report on `bytes` saved as a level file's name: an empty file is then taken for one.
std::vector<FileReport> Reports(const std::vector<std::pair<std::string, Bytes>>& files, const TempDir& folder)
{
    std::vector<FileReport> reports;
    for (const auto& [name, bytes] : files) {
        WriteBytes(folder / name, bytes);
        reports.push_back(ExamineFile(folder / name));
        reports.back().path = name;
    }
    return reports;
}

std::string AsText(const std::vector<FileReport>& reports)
{
    std::ostringstream text;
    WriteReportsAsText(reports, text);
    return text.str();
}

TEST(ExamineFile, EachFaultOfATextureOrLevelFileIsNamed)
{
    const std::pair<Bytes, std::string> cases[] = {
        {kShortTexture, "warning: the pixel data is 20 bytes shorter than the 40 bytes its levels claim"},
        {kShortLevelFile, "warning: record 0 carries 20 of its 32 data bytes and the 1 record after it none"},
        {Poke(kShortLevelFile, 80, 9), "error: record 0: no record starts where its data ends, at offset 64"},
        {BuildDds({4, 4, 5, "", NumberedBytes(50)}), "warning: the mipmap count 5 is more than the 3 levels a 4 x 4"},
        {BuildDds({4, 4, 0, "", NumberedBytes(3)}), "hold no records\n  warning: 3 bytes of pixel data are left over"},
        {BuildDds({0, 8, 1, "", {}}), "warning: the mipmap count 1 is more than the 0 levels a 0 x 8 texture has"},
        {BuildDds({65'536, 32'768, 1, "", {}}), "error: the conversion refuses it: the first level's size is over"},
        {BuildDds({4, 268'435'453, 1, "", {}}), "error: the conversion refuses it: the first record's length"},
        {{'D', 'D', 'S', ' '}, "error: the file is 4 bytes long, shorter than the 128-byte DDS header"},
        {{kLevelFile.begin(), kLevelFile.end() - 3},
         "        144      3           8             32            5\n"
         "  error: the file ends inside record 3's data: 5 of its 8 bytes"},
        {{kLevelFile.begin(), kLevelFile.begin() + 84}, "error: the file ends inside record 1's header: 20 bytes of 32"},
        {Appended(kLevelFile, {'L', 'V', 'L', '_'}), "error: the file ends inside record 4's header: 4 bytes of 32"},
        {Poke(kLevelFile, 184, 1), "error: record 3: no record starts where its data ends, at offset 184"},
        {Poke(kLevelFile, 1, 'X'), "error: record 0: \"LVL_\" expected at offset 0, found \"LXL_\" (4C584C5F)"},
        {Poke(kLevelFile, 64 + 8, 'X'), "error: record 1: \"INFO\" expected at offset 72"},
        {Poke(kLevelFile, 64 + 27, 'X'), "error: record 1: \"BODY\" expected at offset 88"},
        {Poke(kLevelFile, 64 + 4, 20), "  1           8             20            0\n  error: record 1: its \"LVL_\" length 20 is less"},
        {Poke(kLevelFile, 64 + 4, 24), "length 24 should be 32 for a level size of 8\n  error: record 1: no record"},
        {Poke(kLevelFile, 64 + 12, 9), "error: record 1: its INFO chunk's length is 9, not 8"},
        {Poke(kLevelFile, 64 + 16, 2), "error: record 1 holds level index 2"},
        {Poke(kLevelFile, 64 + 28, 9), "error: record 1: its INFO size 8 and BODY size 9 differ"},
        {{}, "warning: the file holds no records"},
    };
    TempDir folder;
    for (const auto& [bytes, fault] : cases) {
        const std::vector<FileReport> reports = Reports({{"case.LVL", bytes}}, folder);
        EXPECT_FALSE(reports[0].Sound()) << fault;
        EXPECT_NE(AsText(reports).find(fault), std::string::npos) << AsText(reports);
    }
}

TEST(ExamineFile, SoundFilesHaveNoFindingsAndTheirRecordsLineUp)
{
    TempDir folder;
    const std::vector<FileReport> reports =
        Reports({{"sound.dds", kTexture}, {"sound.lvl", kLevelFile}, {"tag.dds", BuildDds({4, 4, 265, "", NumberedBytes(42)})}},
                folder);
    EXPECT_TRUE(reports[0].Sound() && reports[1].Sound());
    const std::string text = AsText(reports);
    EXPECT_NE(text.find("  pixel data bytes  56\n  records\n     index  size field  stored size  data bytes\n"
                        "         0          32           32          32\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  file bytes  184\n  records\n     offset  index  size field  \"LVL_\" length  data length\n"
                        "          0      0          32             56           32\n"
                        "         64      1           8             32            8\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  mipmap count        9\n  mipmap count field  265\n"), std::string::npos) << text;
}

TEST(ExamineFile, JsonHoldsTheFactsRecordsWarningsAndErrorsOfEachFile)
{
    TempDir folder;
    std::ostringstream json;
    WriteReportsAsJson(Reports({{"short.dds", kShortTexture}, {"tag.lvl", Poke(kLevelFile, 11, 'A')}}, folder), json);
    EXPECT_EQ(json.str(),
              "{\n  \"files\": [\n    {\n      \"path\": \"short.dds\",\n      \"kind\": \"DDS texture\",\n"
              "      \"width\": 8,\n      \"height\": 8,\n      \"mipmapCount\": 2,\n"
              "      \"fourCc\": \"DXT1\",\n      \"fourCcHex\": \"44585431\",\n"
              "      \"sizeRule\": \"DXT1: width x height / 2 bytes, each later level a quarter of the one before, at "
              "least 8\",\n      \"pixelDataBytes\": 20,\n      \"records\": [\n"
              "        {\"index\": 0, \"sizeField\": 32, \"storedSize\": 32, \"dataBytes\": 20},\n"
              "        {\"index\": 1, \"sizeField\": 8, \"storedSize\": 8, \"dataBytes\": 0}\n      ],\n"
              "      \"warnings\": [\"the pixel data is 20 bytes shorter than the 40 bytes its levels claim: the last "
              "records would be short\"],\n      \"errors\": [],\n      \"sound\": false\n    },\n    {\n"
              "      \"path\": \"tag.lvl\",\n      \"kind\": \"level file\",\n      \"fileBytes\": 184,\n"
              "      \"records\": [],\n      \"warnings\": [],\n"
              "      \"errors\": [\"record 0: \\\"INFO\\\" expected at offset 8, found \\\"INFA\\\" (494E4641)\"],\n"
              "      \"sound\": false\n    }\n  ]\n}\n");
}

}  // namespace

// A short first level whose empty followers' headers put one of them where
// its data would end: read as whole records, record 3 would pass for record 1
// and every later one be out of place.
TEST(ExamineFile, ShortRecordWhoseFollowersLineUpWithItsEndIsWarnedAboutAlone)
{
    TempDir folder;
    // Two bytes a pixel, 8 x 8: 128, 32, 8, 2, 1 and 1 bytes; 64 are there,
    // and two headers fill the rest of the first level's 128.
    const Bytes levelFile = ExpectedLevelFile(NumberedBytes(64), {128, 32, 8, 2, 1, 1});
    const std::vector<FileReport> reports = Reports({{"short.lvl", levelFile}}, folder);
    EXPECT_EQ(reports[0].errors, std::vector<std::string>{});
    EXPECT_EQ(reports[0].warnings, std::vector<std::string>{"record 0 carries 64 of its 128 data bytes and the 5 records "
                                                            "after it none: its texture held less data than its levels claim"});
    ASSERT_EQ(reports[0].records.size(), 6U);
    for (std::uint64_t index = 0; index < 6; ++index) {
        EXPECT_EQ(reports[0].records[index][1], index);
    }
}
