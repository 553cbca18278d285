#pragma once

#include <string>
#include <string_view>

namespace hollin {

// Cleans a text read from the registry: leading and trailing spaces go (from
// the argument itself too), then one trailing zero character, then spaces
// again. Zero characters further inside stay.
std::string TrimRegString(std::string& text);

// The part of text that TrimRegString keeps, without copying anything.
std::string_view TrimRegView(std::string_view text);

}  // namespace hollin
