// The base tests' child processes: with "--child" the test executable saves
// a base, and may end itself half way through a save as a kill would.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "base_test_util.h"
#include "common/atomic_file.h"

namespace hollin::test {
namespace {
int g_killAt = 0;
int g_pauseMs = 0;
void KillAtStep(int step) {
  if (step == g_killAt) std::_Exit(42);  // no clean-up of any kind
  if (g_pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(g_pauseMs));
}
}  // namespace

std::string ChildCommand(const std::string& folder, int variant, int times, int killAt, int pauseMs) {
  std::string command = "\"";  // appended piece by piece: GCC 12 warns wrongly about "a" + b + ...
  command.append(SelfPath()).append("\" --child \"").append(folder).append("\" ").append(std::to_string(variant));
  command.append(" ").append(std::to_string(times)).append(" ").append(std::to_string(killAt));
  return command.append(" ").append(std::to_string(pauseMs));
}

}  // namespace hollin::test

namespace {
int ChildMain(int argc, char** argv) {
  using namespace hollin;
  if (argc != 7 || std::string(argv[1]) != "--child") return -1;
  std::filesystem::current_path(argv[2]);
  const auto entries = test::MakeEntries(test::kChildEntries, std::atoi(argv[3]));
  test::g_killAt = std::atoi(argv[5]);
  test::g_pauseMs = std::atoi(argv[6]);
  SetWriteStepHook(&test::KillAtStep);
  for (int i = std::atoi(argv[4]); i > 0; --i) test::SaveBase(entries);  // a failure ends it uncaught
  return 0;
}
const bool g_child = hollin::test::SetStartHook(&ChildMain);
}  // namespace
