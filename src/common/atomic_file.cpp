// The platform-neutral half of the atomic file: names, the step hook and the
// scan for stale temporaries.
#include "common/atomic_file.h"

#include <atomic>
#include <cstdlib>

#include "common/text.h"

namespace hollin {
namespace {
std::atomic<WriteStepHook> g_hook{nullptr};
std::atomic<unsigned> g_serial{0};

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 10) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// what()'s words, the same as msg::FileErrorText's: the base's store reads
// them until it takes the facts.
std::string Said(const std::string& path, FileError::Kind kind, long code, const std::string& reason) {
  using K = FileError::Kind;
  static const char* const kSteps[] = {
      "cannot be opened for reading", "is not a plain file", "cannot be read",
      "cannot be written (temporary file)", "cannot be written", "cannot be flushed to the disk",
      "cannot be closed", "cannot be replaced", "cannot be replaced: it is a folder",
      "cannot be replaced: it is write-protected", "does not exist"};
  std::string text = "The file \"" + path + "\" " + kSteps[static_cast<int>(kind)];
  if (code != 0 && kind != K::NotPlainFile) text += " (error " + std::to_string(code) + ")";
  if (!reason.empty()) text += ": " + reason;
  return text;
}
}  // namespace

FileError::FileError(std::string path, Kind kind, long code, std::string reason)
    : std::runtime_error(Said(path, kind, code, reason)),
      path_(std::move(path)),
      kind_(kind),
      code_(code),
      reason_(std::move(reason)) {}

std::string TemporaryNameFor(const std::string& path, unsigned long pid,
                             unsigned serial) {
  return path + "." + std::to_string(pid) + "." + std::to_string(serial) +
         ".tmp";
}

void SetWriteStepHook(WriteStepHook hook) { g_hook.store(hook); }

namespace detail {
void CallWriteStepHook(int step) {
  if (WriteStepHook hook = g_hook.load()) hook(step);
}

unsigned NextTemporarySerial() { return g_serial++; }

bool IsStaleTemporary(const std::string& target, const std::string& leaf,
                      bool ignoreCase) {
  const std::string prefix = target + ".";
  const std::string suffix = ".tmp";
  if (leaf.size() <= prefix.size() + suffix.size()) return false;
  const std::string head = leaf.substr(0, prefix.size());
  const std::string tail = leaf.substr(leaf.size() - suffix.size());
  if (ignoreCase ? !(EqualsNoCase(head, prefix) && EqualsNoCase(tail, suffix))
                 : (head != prefix || tail != suffix))
    return false;
  const std::string mid =
      leaf.substr(prefix.size(), leaf.size() - prefix.size() - suffix.size());
  const auto dot = mid.find('.');
  if (dot == std::string::npos) return false;
  const std::string pidText = mid.substr(0, dot), serialText = mid.substr(dot + 1);
  if (!AllDigits(pidText) || !AllDigits(serialText)) return false;
  const unsigned long pid = std::strtoul(pidText.c_str(), nullptr, 10);
  const unsigned long serial = std::strtoul(serialText.c_str(), nullptr, 10);
  if (pid == CurrentProcessId()) return serial >= g_serial.load();
  return !ProcessIsRunning(pid);
}
}  // namespace detail

}  // namespace hollin
