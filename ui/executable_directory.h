#pragma once

#include <filesystem>

// The directory that holds the running executable, as the system names it
// (no trip through text, so that any name survives); the working directory
// when the system cannot say.
std::filesystem::path ExecutableDirectory();
