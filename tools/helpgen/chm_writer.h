// Writes a help document as an HTML Help project, the sources of Hollin.chm
// that chmcmd compiles: one page per topic ("topic-N.htm", N its context
// number), the contents (.hhc), the index (.hhk) and the project (.hhp),
// whose [ALIAS] and [MAP] give every topic but the contents its number, so
// that HH_HELP_CONTEXT with N opens topic N. Every file is ASCII: other
// characters are written as numeric character references.
#pragma once

#include <map>
#include <string>

#include "help_source.h"

namespace hollin::helpgen {

// The name of topic N's page in the compiled file.
std::string ChmPage(int number);

// File name (in the project's folder) -> content. The project names
// "Hollin.chm" as the compiled file, written into the folder chmcmd runs in.
std::map<std::string, std::string> WriteChmProject(const HelpDoc& doc);

}  // namespace hollin::helpgen
