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

// The program identifier that an extension's default value names: the text
// up to its first zero character, trimmed as above. Windows reads a
// string value only that far, so "pwtarget\0junk" names "pwtarget"; taking
// the whole value would make the program read and write another key than
// the one the system uses.
std::string_view ProgramIdView(std::string_view text);

}  // namespace hollin
