#pragma once

#include <filesystem>
#include <ostream>

#include "picture/texture_format.h"

// Writes what the game will see of a texture, a picture or a level file: each
// level as DIR/NAME.level-N.png, decoded from the records of the level file
// (for a texture or a picture, the one its conversion makes), with the data
// a record lacks shown as a checkerboard. A level file does not record its
// pixel format or size: it is read as `levelFileFormat`, square where its
// first level's size allows. Prints a line per picture written to `out` and
// a failure to `err`; returns whether every level was whole.
bool WriteLevelPreviews(const std::filesystem::path& file, const std::filesystem::path& directory,
                        Picture::TextureFormat levelFileFormat, std::ostream& out, std::ostream& err);
