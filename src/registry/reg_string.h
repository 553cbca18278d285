#pragma once

#include <string>

namespace hollin {

// Cleans a text read from the registry: leading and trailing spaces go (from
// the argument itself too), then one trailing zero character, then spaces
// again. Zero characters further inside stay.
std::string TrimRegString(std::string& text);

}  // namespace hollin
