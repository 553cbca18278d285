#include "common/command_line.h"

namespace hollin {

std::string_view ArgumentsOf(std::string_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const size_t close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  }
  while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return line.substr(i);
}

}  // namespace hollin
