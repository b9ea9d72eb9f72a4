#include <gtest/gtest.h>

#include "dds_builder.h"
#include "hex_text.h"
#include "import_file.h"
#include "recording_host.h"

namespace {

std::string Encode(std::vector<std::uint8_t> bytes, RecordingHost& host)
{
    ImportFile::SourceBytes = std::move(bytes);
    ImportFile::EncodeHex(host);
    return ImportFile::HexText;
}

TEST(EncodeHex, WritesTwoUpperCaseDigitsPerByteHighNibbleFirst)
{
    RecordingHost host;
    EXPECT_EQ(Encode({0x00, 0x0A, 0xFF, 0x5C, 0xA0}, host), "000AFF5CA0");

    std::vector<std::uint8_t> everyValue(256);
    for (int value = 0; value < 256; ++value) {
        everyValue[value] = static_cast<std::uint8_t>(value);
    }
    const std::string text = Encode(everyValue, host);
    ASSERT_EQ(text.size(), 512u);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(text.substr(2 * 0x7B, 2), "7B");
}

TEST(EncodeHex, FileOfOnePieceProcessesEventsOnceAndReportsTheByteThatFilledItAfterwards)
{
    RecordingHost host;
    const std::string text = Encode(NumberedBytes(25'000), host);

    EXPECT_EQ(text.size(), 50'000u);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"maximum 25000.000000", "value 24999", "events", "value 25000"}));
}

TEST(EncodeHex, ProcessesEventsEachTimeAPieceFillsAndEndsOnTheFullLength)
{
    RecordingHost host;
    const std::string text = Encode(NumberedBytes(60'001), host);

    EXPECT_EQ(text.size(), 120'002u);
    EXPECT_EQ(host.eventRounds, 2);
    EXPECT_EQ(host.maximums, std::vector<float>{60'001.0f});
    EXPECT_EQ(host.values, (std::vector<std::uint64_t>{24'999, 49'999, 60'001}));
}

TEST(EncodeHex, EmptySourceLeavesAnEmptyRangeAndNoValue)
{
    RecordingHost host;
    ImportFile::HexText = "left from an earlier conversion";
    EXPECT_EQ(Encode({}, host), "");
    EXPECT_EQ(host.calls, std::vector<std::string>{"maximum 0.000000"});
}

TEST(LittleEndianFieldText, WritesAndReadsInFileByteOrder)
{
    std::string text;
    HexDigits::AppendLittleEndian(text, 8);
    HexDigits::AppendLittleEndian(text, 0x8018);
    HexDigits::AppendLittleEndian(text, 0xFFFFFFFF);
    EXPECT_EQ(text, "0800000018800000FFFFFFFF");
    EXPECT_EQ(HexDigits::ReadLittleEndian("00010000", 0), 256u);
    EXPECT_EQ(HexDigits::ReadLittleEndian(text, 8), 0x8018u);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(DivideRoundHalfEven(1, 2), 0u);
    EXPECT_EQ(DivideRoundHalfEven(3, 2), 2u);
    EXPECT_EQ(DivideRoundHalfEven(5, 2), 2u);
    EXPECT_EQ(DivideRoundHalfEven(10, 4), 2u);
    EXPECT_EQ(DivideRoundHalfEven(6, 4), 2u);
    EXPECT_EQ(DivideRoundHalfEven(2, 4), 0u);
    EXPECT_EQ(DivideRoundHalfEven(7, 4), 2u);
    EXPECT_EQ(DivideRoundHalfEven(9, 4), 2u);
}

}  // namespace
