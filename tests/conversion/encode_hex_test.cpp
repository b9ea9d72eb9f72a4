#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "dds_builder.h"
#include "hex_text.h"
#include "import_file.h"
#include "recording_host.h"

namespace {

std::string Encode(const std::vector<std::uint8_t>& bytes, RecordingHost& host)
{
    ImportFile::SourceBytes.assign(bytes.begin(), bytes.end());
    ImportFile::EncodeHex(host);
    return {ImportFile::HexText.begin(), ImportFile::HexText.end()};
}

// Written out digit by digit, independently of the converter's tables.
std::string UpperHex(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += "0123456789ABCDEF"[byte >> 4];
        text += "0123456789ABCDEF"[byte & 0xF];
    }
    return text;
}

// A hex digit's value; anything else counts as 0.
int DigitValue(char digit)
{
    const std::string_view upper = "0123456789ABCDEF";
    const std::string_view lower = "0123456789abcdef";
    if (upper.find(digit) != std::string_view::npos) {
        return static_cast<int>(upper.find(digit));
    }
    return lower.find(digit) != std::string_view::npos ? static_cast<int>(lower.find(digit)) : 0;
}

TEST(EncodeHex, WritesTwoUpperCaseDigitsPerByteHighNibbleFirst)
{
    RecordingHost host;
    EXPECT_EQ(Encode({0x00, 0x0A, 0xFF, 0x5C, 0xA0}, host), "000AFF5CA0");

    // Every value at each of 16 neighbouring positions, then a few more.
    std::vector<std::uint8_t> everyValue(256 * 16 + 7);
    for (std::size_t index = 0; index < everyValue.size(); ++index) {
        everyValue[index] = static_cast<std::uint8_t>(index % 256 + index / 256);
    }
    EXPECT_EQ(Encode(everyValue, host), UpperHex(everyValue));
}

TEST(DecodeHex, ReadsDigitsOfEitherCaseAndAnyOtherCharacterAsZero)
{
    // Every pair of characters, each at every position of 16 neighbouring pairs.
    std::string text;
    std::vector<std::uint8_t> expected;
    for (int high = 0; high < 256; ++high) {
        for (int low = 0; low < 256; ++low) {
            text += static_cast<char>(high);
            text += static_cast<char>(low);
            expected.push_back(static_cast<std::uint8_t>(DigitValue(static_cast<char>(high)) << 4 |
                                                         DigitValue(static_cast<char>(low))));
        }
    }
    // Started three pairs in, so the count is not a round number either.
    std::vector<std::uint8_t> bytes(expected.size() - 3);
    HexDigits::DecodeBytes(text.data() + 6, bytes.size(), bytes.data());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin() + 3));
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
    ImportFile::HexText.assign(100, 'A');  // left from an earlier conversion
    EXPECT_EQ(Encode({}, host), "");
    EXPECT_EQ(host.calls, std::vector<std::string>{"maximum 0.000000"});
}

TEST(LittleEndianFieldText, WritesAndReadsInFileByteOrder)
{
    std::string text(24, ' ');
    char* end = HexDigits::WriteLittleEndian(8, text.data());
    end = HexDigits::WriteLittleEndian(0x8018, end);
    end = HexDigits::WriteLittleEndian(0xFFFFFFFF, end);
    EXPECT_EQ(end, text.data() + text.size());
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
