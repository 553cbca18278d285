// The platform-neutral half of the atomic file: names, the step hook and the
// scan for stale temporaries.
#include "common/atomic_file.h"

#include <atomic>

namespace hollin {
namespace {
std::atomic<WriteStepHook> g_hook{nullptr};
}

FileError::FileError(std::string path, const std::string& cause)
    : std::runtime_error("The file \"" + path + "\" " + cause),
      path_(std::move(path)) {}

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
}  // namespace detail

}  // namespace hollin
