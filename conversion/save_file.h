#pragma once

#include <filesystem>
#include <string_view>

#include "conversion/conversion_host.h"

namespace SaveFile {

// Writes the bytes of `levelHex` as "<output directory>/<baseName>.lvl",
// through the host's OpenLevelFile, and reports it as created. The file is
// replaced only once every byte is written, so a failed write
// (ConversionError) leaves an earlier file of that name untouched and reports
// nothing but the notice of a temporary file that an earlier, unfinished
// write left behind, which is removed.
void WriteLevelFile(std::string_view levelHex, const std::filesystem::path& baseName, ConversionHost& host);

}  // namespace SaveFile
