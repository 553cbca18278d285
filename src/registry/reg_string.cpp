#include "registry/reg_string.h"

namespace hollin {
namespace {
std::string_view TrimSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}
}  // namespace

std::string_view TrimRegView(std::string_view text) {
  text = TrimSpaces(text);
  if (!text.empty() && text.back() == '\0') return TrimSpaces(text.substr(0, text.size() - 1));
  return text;
}

std::string_view ProgramIdView(std::string_view text) {
  text = TrimRegView(text);
  const size_t zero = text.find('\0');
  return zero == std::string_view::npos ? text : TrimRegView(text.substr(0, zero));
}

std::string TrimRegString(std::string& text) {
  const std::string_view stripped = TrimSpaces(text);
  if (stripped.size() != text.size()) text = std::string(stripped);
  return std::string(TrimRegView(text));
}

}  // namespace hollin
