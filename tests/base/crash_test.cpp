// A save killed at any step leaves the old base or the new one, and two
// copies of the program saving at once never leave a mixed file.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "base_test_util.h"
#include "base/generations.h"
#include "common/atomic_file.h"

namespace hollin::test {
namespace {

int g_steps = 0;
void CountStep(int step) { g_steps = step; }

// The process ids of the writers in the middle of a save of the current
// folder's base: each holds a temporary file "Prev.isd.<id>.<serial>.tmp"
// from before it writes until its new file is in place.
std::set<std::string> WritersAtWork() {
  std::set<std::string> ids;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("Prev.isd.", 0) == 0 && name.size() > 13 && name.ends_with(".tmp"))
      ids.insert(name.substr(9, name.find('.', 9) - 9));
  }
  return ids;
}

TEST(Crash, AKilledSaveLeavesTheOldBaseOrTheNewOne) {
  InFreshFolder here;
  const auto oldBase = MakeEntries(kChildEntries, 0);
  const auto newBase = Flatten(*MakeEntries(kChildEntries, 1));
  SaveBase(MakeEntries(kChildEntries, 2));  // the backup from now on
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

// Two copies saving at once take turns: never a mixed file, and each keeps
// the base the other wrote as a generation, so no base that was ever in
// place is lost between them.
TEST(Crash, TwoWritersAtOnceTakeTurnsAndKeepEachOthersBase) {
  std::string fileA, fileB;  // the two bases as whole files
  for (int variant : {1, 2}) {
    InFreshFolder there;
    SaveBase(MakeEntries(kChildEntries, variant));
    (variant == 1 ? fileA : fileB) = ReadFileBytes("Prev.isd");
  }
  InFreshFolder here;
  WriteFileBytes("Prev.isd", fileA);
  // Each writer pauses at every step of its saves, so that they would
  // overlap each other and the reads below; what the folder shows is counted.
  int codeA = -1, codeB = -1;
  std::atomic<int> running{2};
  std::thread ta([&] { codeA = RunChild(ChildCommand(here.path(), 1, 15, 0, 2)); --running; });
  std::thread tb([&] { codeB = RunChild(ChildCommand(here.path(), 2, 15, 0, 2)); --running; });
  int reads = 0, mixed = 0, duringSave = 0, duringTwoSaves = 0;
  std::string file;
  for (; running > 0; ++reads) {  // a third copy reads the file as the program does
    const auto before = WritersAtWork();
    try {
      if (ReadWholeFile("Prev.isd", file) != ReadResult::Ok || (file != fileA && file != fileB)) ++mixed;
    } catch (const FileError&) {
      ++mixed;
    }
    const auto after = WritersAtWork();
    if (!before.empty() || !after.empty()) ++duringSave;
    if (before.size() > 1 || after.size() > 1) ++duringTwoSaves;
  }
  ta.join();
  tb.join();
  EXPECT_EQ(codeA, 0);
  EXPECT_EQ(codeB, 0);
  EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
  EXPECT_GT(duringSave, 0) << "no read fell into a save, of " << reads;
  EXPECT_EQ(duringTwoSaves, 0) << "two writers replaced the base at once";
  ASSERT_EQ(RunChild(ChildCommand(here.path(), 2, 1, 0)), 0);  // one after the other
  EXPECT_EQ(LoadBase(), Flatten(*MakeEntries(kChildEntries, 2)));
  EXPECT_EQ(here.Files(), 2u);  // base and backup, no temporaries
  // Every change of the base left the base before it: the generations
  // alternate, and the newest is not the base.
  const auto generations = ReadGenerations(GenerationsFolder("Prev"));
  ASSERT_FALSE(generations.empty());
  std::string newer = ReadFileBytes("Prev.isd");
  for (const Generation& gen : generations) {
    const std::string bytes = ReadFileBytes(gen.path);
    EXPECT_FALSE(gen.problem) << msg::BaseFileText(gen.problem);
    EXPECT_TRUE(bytes == fileA || bytes == fileB) << gen.number;
    EXPECT_TRUE(bytes != newer) << "generation " << gen.number << " repeats the base after it: one was lost";
    newer = bytes;
  }
}

}  // namespace
}  // namespace hollin::test
