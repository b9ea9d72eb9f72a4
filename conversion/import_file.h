#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "conversion/conversion_host.h"
#include "conversion/large_buffer.h"

// Turns a DDS texture into a level file. A conversion works on hex text: the
// source is encoded, its header read from fixed character positions, and the
// level file assembled as hex text for the writer.
namespace ImportFile {

// What one conversion works on, kept until the next conversion replaces it.
// The module has one, behind SourceBytes and HexText; a thread that converts
// beside others brings its own, so that no two conversions share one.
struct ConversionState {
    // The bytes of the last file loaded.
    LargeBuffer<std::uint8_t> sourceBytes;
    // The bytes as hex text; after a conversion, the data its levels left over.
    LargeBuffer<char> hexText;
    // Whether a conversion is under way on it.
    bool converting = false;
};

extern ConversionState ModuleState;
extern LargeBuffer<std::uint8_t>& SourceBytes;  // ModuleState's
extern LargeBuffer<char>& HexText;              // ModuleState's

// Reads the whole file into the state's source bytes. Throws ConversionError
// when the file cannot be opened or read, when it is deleted, replaced or
// changed while it is read (what was read would be neither version), and,
// before anything is allocated for it, when its conversion would need more
// memory than the machine or the process's limits can give.
void LoadSource(const std::filesystem::path& path, ConversionState& state = ModuleState);

// The memory a conversion of a file of `fileSize` bytes beginning with
// `header` (its first 128 bytes, or all of a shorter file) holds at its
// peak, in bytes: the file, its hex text, and the hex text its levels leave
// over, as the blocks they take.
std::uint64_t MemoryNeeded(std::uint64_t fileSize, std::span<const std::uint8_t> header);
// The same for the file at `path` as it is now; nothing when it cannot be read.
std::optional<std::uint64_t> MemoryNeeded(const std::filesystem::path& path);

// Rebuilds the state's hex text from its source bytes, reporting progress to
// the host.
void EncodeHex(ConversionHost& host, ConversionState& state = ModuleState);

// Converts the texture at `path` into a level file in the host's output
// directory. A file that is not a DDS texture is refused with a message box;
// unreadable sources and unwritable outputs throw ConversionError, and in
// every failure nothing is written. A conversion started on a state while
// another runs on it (from the event processing) is refused.
void ImportTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state = ModuleState);

// Converts the texture already in the state's source bytes as ImportTexture
// converts the file at `path` once it has loaded it: the same checks, the
// same level file, named after `path`. For front ends that make the texture
// in memory (from a picture) or have loaded it to look at it first. A texture
// whose conversion needs more memory than there is is refused as LoadSource
// refuses it.
void ImportLoadedTexture(const std::filesystem::path& path, ConversionHost& host, ConversionState& state = ModuleState);

}  // namespace ImportFile
