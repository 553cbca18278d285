#include "common/base_turn.h"

#include <cstdint>

#include "common/file_system.h"
#include "common/text.h"

namespace hollin {

std::string BaseTurnName(const std::string& path) {
  // A name holds no backslash and is short: the path's hash (FNV-1a, 64 bits).
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : FoldCase(AbsolutePath(path))) hash = (hash ^ c) * 1099511628211ull;
  static const char digits[] = "0123456789abcdef";
  std::string name = "Hollin.Brellmark.Base.";  // verbatim
  for (int shift = 60; shift >= 0; shift -= 4) name.push_back(digits[(hash >> shift) & 15]);
  return name;
}

BaseTurn::BaseTurn(IPlatform& platform, const std::string& path, unsigned waitMs,
                   const std::function<void()>& waiting)
    : platform_(platform), name_(BaseTurnName(path)) {
  held_ = platform_.TakeTurn(name_, 0);
  if (held_ || waitMs == 0) return;
  if (waiting) waiting();
  held_ = platform_.TakeTurn(name_, waitMs);
}

BaseTurn::~BaseTurn() {
  if (held_) platform_.GiveTurn(name_);
}

}  // namespace hollin
