#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The remembered directory as the 8-bit line of the preference file: its
// bytes on Linux; on Windows the ANSI code page, or UTF-8 when the code page
// cannot hold the path exactly. Reading takes a line that is valid UTF-8 with
// bytes above 0x7F as UTF-8 and any other as the code page.
namespace PreferenceLine {

std::string FromPath(const std::filesystem::path& path);
std::filesystem::path ToPath(std::string_view line);

}  // namespace PreferenceLine
