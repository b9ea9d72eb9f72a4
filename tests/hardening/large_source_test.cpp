#include <gtest/gtest.h>

#include "import_file.h"
#include "recording_host.h"

namespace {

// Past 2^24 bytes most lengths have no exact float, and the host's maximum is
// one: rounded to nearest, 2^24 + 1 would give a maximum of 2^24, below the
// last value handed over, and a bar that refuses values past its maximum
// would never fill. Larger sources, 2^31 bytes and beyond, round the same way;
// the values are 64-bit, so the proportion stays right within a float's
// precision.
TEST(LargeSource, ProgressMaximumIsNeverBelowTheLastValue)
{
    constexpr std::uint64_t length = (std::uint64_t{1} << 24) + 1;
    RecordingHost host;
    ImportFile::SourceBytes.assign(length, 0x5A);

    ImportFile::EncodeHex(host);
    ImportFile::SourceBytes = {};
    ImportFile::HexText = {};

    ASSERT_EQ(host.maximums.size(), 1u);
    EXPECT_EQ(host.values.back(), length);
    EXPECT_EQ(static_cast<double>(host.maximums[0]), static_cast<double>(length + 1));  // the next float up
}

}  // namespace
