#include "cli/comparable_path.h"

std::filesystem::path ComparablePath(const std::filesystem::path& path)
{
    return path;
}
