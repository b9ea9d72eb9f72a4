#include "preferences/preference_line.h"

namespace PreferenceLine {

std::string FromPath(const std::filesystem::path& path)
{
    return path.native();
}

std::filesystem::path ToPath(std::string_view line)
{
    return std::filesystem::path(std::string(line));
}

}  // namespace PreferenceLine
