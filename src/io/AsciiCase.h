#pragma once
// Text compared as file names and archive members are on the game's
// platform: ASCII letters without case, every other byte as it is.

#include <string_view>

namespace artisanscope {

// True when a and b have the same length and each pair of bytes is equal,
// or the same ASCII letter in either case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace artisanscope
