#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

// The paths of a file list: one a line, as UTF-8; blank lines and lines
// starting with "#" are skipped, and a line may end in CR LF.
std::vector<std::filesystem::path> ParseFileList(std::istream& text);

// Reads the file list at `path`, or stdin for "-". Throws CommandLineError
// with a one-line reason when it cannot be read.
std::vector<std::filesystem::path> ReadFileList(const std::filesystem::path& path);
