#pragma once

#include <filesystem>

// The path as the file system compares names, for telling whether two paths
// name one file: upper-cased on Windows, whose names ignore case, and
// unchanged elsewhere. The path should be absolute and normal already.
std::filesystem::path ComparablePath(const std::filesystem::path& path);
