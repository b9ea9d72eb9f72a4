#include <gtest/gtest.h>

#include <array>
#include <string>
#include <system_error>

#include "conversion/native_file.h"
#include "support/temp_dir.h"

namespace {

// The system keeps the reason of its last failure until the next one, so a
// call that succeeds after a failed one must not hand that reason on.
TEST(NativeFile, OnlyACallThatFailsReportsAReason)
{
    TempDir folder;
    WriteBytes(folder.Path() / "four.bin", {'a', 'b', 'c', 'd'});

    std::error_code missing;
    NativeFile::OpenToRead(folder.Path() / "missing.bin", missing);
    ASSERT_TRUE(missing);

    std::error_code error;
    NativeFile file = NativeFile::OpenToRead(folder.Path() / "four.bin", error);
    std::array<char, 8> bytes{};
    EXPECT_EQ(file.Read(bytes.data(), bytes.size(), error), 4u);  // the end of the file is no failure
    file.Seek(1, error);
    EXPECT_EQ(file.Read(bytes.data(), 2, error), 2u);
    EXPECT_EQ(std::string(bytes.data(), 2), "bc");
    file.Seek(0, error);
    EXPECT_EQ(file.Read(bytes.data(), 1, error), 1u);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_FALSE(error) << error.message();

    // A folder cannot be read as a file: the system refuses the open or the read.
    std::error_code folderError;
    NativeFile notAFile = NativeFile::OpenToRead(folder.Path(), folderError);
    if (!folderError) {
        EXPECT_EQ(notAFile.Read(bytes.data(), bytes.size(), folderError), 0u);
    }
    EXPECT_TRUE(folderError);
}

}  // namespace
