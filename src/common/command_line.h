// The parts of a Windows command line.
#pragma once

#include <string_view>

namespace hollin {

// What follows the program's own path in a command line, as the platform's
// start-up code splits it: a path that begins with a quote runs to the next
// quote (blanks and all), any other to the first blank or tab; the blanks
// after it are dropped. A folder name such as "C:\Tools-Hub" is thus never
// taken for an argument.
std::string_view ArgumentsOf(std::string_view commandLine);

}  // namespace hollin
