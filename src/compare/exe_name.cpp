#include "compare/exe_name.h"

#include <algorithm>

namespace hollin {

std::string ProgramNameFromCommand(const std::string& Command) {
  std::string s;
  s.reserve(Command.size());
  std::copy_if(Command.begin(), Command.end(), std::back_inserter(s),
               [](char c) { return c != '"'; });
  // Everything up to the last backslash goes, also one in the arguments.
  if (const auto slash = s.rfind('\\'); slash != std::string::npos) s.erase(0, slash + 1);
  if (s.find('.') == std::string::npos) return "-";
  for (auto dot = s.find('.'); dot != std::string::npos; dot = s.find('.')) {
    const auto next = s.find('.', dot + 1);
    const auto blank = s.find(' ', dot + 1);
    // Another dot before the first blank after this one: the name goes on
    // after this dot. Otherwise the name ends here.
    if (next != std::string::npos && blank != std::string::npos && blank > next)
      s.erase(0, dot + 1);
    else
      s.erase(dot);
  }
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace hollin
