#include <gtest/gtest.h>

#include "import_file.h"
#include "recording_host.h"

// Past 2^24 bytes most lengths have no float of their own, and the host's
// maximum is a float: one rounded down would leave the bar short of its last
// value, so the maximum is the next float up.
TEST(LargeSource, ProgressMaximumIsTheNextFloatUpFromALengthWithoutOne)
{
    RecordingHost host;
    ImportFile::SourceBytes.assign((1 << 24) + 1, 0x5A);
    ImportFile::EncodeHex(host);
    ImportFile::ModuleState = {};
    EXPECT_EQ(host.calls.front(), "maximum 16777218.000000");
    EXPECT_EQ(host.calls.back(), "value 16777217");
}
