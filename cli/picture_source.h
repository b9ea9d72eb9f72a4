#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/options.h"

// What a source becomes before the core converts it: a DDS texture that the
// level file carries stays as it is; one it cannot carry stays too, with a
// warning, or with --reencode is decoded and encoded as a picture is; a
// picture (PNG, JPEG, TGA, BMP, told by its content) is decoded and encoded
// as a DDS texture. Anything else is left to the core, which refuses it.
struct PreparedSource {
    std::vector<std::string> warnings;  // each a whole line for stderr
    std::optional<std::vector<std::uint8_t>> madeTexture;  // the DDS texture to convert instead
};

// Throws Picture::PictureError for a picture or texture that cannot be
// decoded, with the reason. `threads` share out one picture's blocks.
PreparedSource PrepareSource(const std::filesystem::path& source, std::span<const std::uint8_t> bytes,
                             const Options& options, unsigned threads);
