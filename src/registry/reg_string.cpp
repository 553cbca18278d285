#include "registry/reg_string.h"

namespace hollin {
namespace {
void TrimSpaces(std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) {
    s.clear();
    return;
  }
  const auto last = s.find_last_not_of(' ');
  s.erase(last + 1);
  s.erase(0, first);
}
}  // namespace

std::string TrimRegString(std::string& text) {
  TrimSpaces(text);
  if (!text.empty() && text.back() == '\0') {
    std::string result(text, 0, text.size() - 1);
    TrimSpaces(result);
    return result;
  }
  return text;
}

}  // namespace hollin
