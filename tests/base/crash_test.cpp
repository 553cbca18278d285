// A save killed at any step leaves the old base or the new one, and two
// copies of the program saving at once never leave a mixed file.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base_test_util.h"
#include "common/atomic_file.h"

namespace hollin::test {
namespace {

int g_steps = 0;
void CountStep(int step) { g_steps = step; }

TEST(Crash, AKilledSaveLeavesTheOldBaseOrTheNewOne) {
  InFreshFolder here;
  const auto oldBase = MakeEntries(kChildEntries, 0);
  const auto newBase = Flatten(*MakeEntries(kChildEntries, 1));
  SaveBase(oldBase);
  SetWriteStepHook(&CountStep);  // how many steps a save of this size takes
  SaveBase(oldBase);
  SetWriteStepHook(nullptr);
  ASSERT_GE(g_steps, 9);  // create, >= 4 chunks, flush, close, move, folder

  for (int step = 1; step <= g_steps; ++step) {
    SaveBase(oldBase);
    ASSERT_EQ(RunChild(ChildCommand(here.path(), 1, 1, step)), 42) << step;
    // Killed before the move: the old base; after it: the new one.
    ASSERT_EQ(LoadBase(), step < g_steps ? Flatten(*oldBase) : newBase) << step;
    EXPECT_EQ(here.Files(), 2u) << "base and backup; the load removed the temporary";
  }
}

TEST(Crash, TwoWritersAtOnceNeverMixAndTheLastSaveWins) {
  InFreshFolder here;
  const auto a = Flatten(*MakeEntries(kChildEntries, 1));
  const auto b = Flatten(*MakeEntries(kChildEntries, 2));
  SaveBase(MakeEntries(kChildEntries, 1));
  int codeA = -1, codeB = -1;
  std::atomic<int> running{2};
  std::thread ta([&] { codeA = RunChild(ChildCommand(here.path(), 1, 15, 0)); --running; });
  std::thread tb([&] { codeB = RunChild(ChildCommand(here.path(), 2, 15, 0)); --running; });
  int reads = 0, mixed = 0;
  for (; running > 0; ++reads) {
    try {  // a third copy reads while the two write
      const auto loaded = LoadBase();
      if (loaded != a && loaded != b) ++mixed;
    } catch (const BaseFileError&) {
      ++mixed;
    }
  }
  ta.join();
  tb.join();
  EXPECT_EQ(codeA, 0);
  EXPECT_EQ(codeB, 0);
  EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
  ASSERT_EQ(RunChild(ChildCommand(here.path(), 2, 1, 0)), 0);  // one after the other
  EXPECT_EQ(LoadBase(), b);
  EXPECT_EQ(here.Files(), 2u);  // base and backup, no temporaries
}

}  // namespace
}  // namespace hollin::test
