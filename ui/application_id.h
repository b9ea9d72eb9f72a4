#pragma once

#include <string_view>

// The program's reverse-DNS name: its desktop entry, icon and AppStream
// component are all named after it, and the desktop links its windows to the
// entry by it.
inline constexpr std::string_view kApplicationId = "org.torvane.Torvane";
