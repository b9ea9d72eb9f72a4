#pragma once

#include <cstdint>
#include <filesystem>

#include "conversion_host.h"
#include "large_buffer.h"

// Turns a DDS texture into a level file. A conversion works on hex text: the
// source is encoded, its header read from fixed character positions, and the
// level file assembled as hex text for the writer.
namespace ImportFile {

// The bytes of the last file loaded.
extern thread_local LargeBuffer<std::uint8_t> SourceBytes;
// SourceBytes as hex text; after a conversion, the data its levels left over.
extern thread_local LargeBuffer<char> HexText;

// Reads the whole file into SourceBytes. Throws ConversionError when the file
// cannot be opened or read.
void LoadSource(const std::filesystem::path& path);

// Rebuilds HexText from SourceBytes, reporting progress to the host.
void EncodeHex(ConversionHost& host);

// Converts the texture at `path` into a level file in the host's output
// directory. A file that is not a DDS texture is refused with a message box;
// unreadable sources and unwritable outputs throw ConversionError, and in
// every failure nothing is written.
void ImportTexture(const std::filesystem::path& path, ConversionHost& host);

}  // namespace ImportFile
