// Writes a help document as a WinHelp 3.1 file (.hlp), the least of the
// format that the help viewers read. See hlp_writer.cpp for what it holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "help_source.h"

namespace hollin::helpgen {

// The bytes of the .hlp file of `doc`. Throws std::runtime_error when the
// document does not fit the little of the format written here.
std::string WriteHlp(const HelpDoc& doc);

// UTF-8 text in code page 1252; what the code page lacks (and any byte that
// is not UTF-8) becomes '?'.
std::string ToCp1252(std::string_view utf8);

// The context string of topic `number` (its number in decimal) and the hash
// by which the viewer looks a context string up in |CONTEXT.
std::string ContextString(int number);
int32_t ContextHash(std::string_view context);

}  // namespace hollin::helpgen
