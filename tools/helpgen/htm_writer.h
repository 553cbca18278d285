// Writes a help document as one HTML page (UTF-8): every topic a section
// with the anchor "topic-N", N its context number.
#pragma once

#include <string>

#include "help_source.h"

namespace hollin::helpgen {

std::string WriteHtm(const HelpDoc& doc);

}  // namespace hollin::helpgen
