// Writes a help document as one HTML page (UTF-8): every topic a section
// with the anchor "topic-N", N its context number.
#pragma once

#include <functional>
#include <string>

#include "help_source.h"

namespace hollin::helpgen {

std::string WriteHtm(const HelpDoc& doc);

// The blocks of a topic as HTML (paragraphs, bold lines, bullet lists,
// jumps), its text through escape and a jump to topic N through href(N):
// what the one page and the compiled help's pages share.
std::string HtmlBlocks(const HelpDoc& doc, const Topic& topic, std::string (*escape)(const std::string&),
                       const std::function<std::string(int)>& href);

}  // namespace hollin::helpgen
