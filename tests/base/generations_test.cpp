// The generations of the base: each base an accept replaced, kept whole
// beside it; the newest ten, the oldest dropped first; a damaged one told,
// never used; and made the base again as an accept would.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "base/generations.h"
#include "base_test_util.h"
#include "common/file_system.h"

namespace hollin::test {
namespace {

const std::string kFolder = GenerationsFolder(kBaseFileName);  // "Prev.history"

// The variant of MakeEntries that a generation holds (its first command
// tells), -1 for none or another base.
int VariantOf(const Generation& gen) {
  if (!gen.entries || gen.entries->Count() == 0) return -1;
  const std::string& command = (*gen.entries->begin())->ProgramFullPath();
  const size_t at = command.find("/v");
  if (at == std::string::npos) return -1;
  return std::stoi(command.substr(at + 2));
}

std::vector<int> Variants(const std::vector<Generation>& generations) {
  std::vector<int> out;
  for (const auto& gen : generations) out.push_back(VariantOf(gen));
  return out;
}

TEST(Generations, EachReplacedBaseIsKeptTheNewestTenInOrder) {
  InFreshFolder here;
  SaveBase(MakeEntries(12, 0));  // the first run keeps nothing: there was no base
  EXPECT_TRUE(ReadGenerations(kFolder).empty());
  SaveBase(MakeEntries(12, 0));  // the same base again: nothing replaced
  EXPECT_TRUE(ReadGenerations(kFolder).empty());
  for (int variant = 1; variant <= 3; ++variant) SaveBase(MakeEntries(12, variant));
  EXPECT_EQ(Variants(ReadGenerations(kFolder)), (std::vector<int>{2, 1, 0}));
  // The backup is still the base before the last accept.
  EXPECT_EQ(ReadFileBytes("Prev.isd.bak"), ReadFileBytes(ReadGenerations(kFolder)[0].path));

  for (int variant = 4; variant <= 14; ++variant) SaveBase(MakeEntries(12, variant));
  const auto generations = ReadGenerations(kFolder);
  EXPECT_EQ(Variants(generations), (std::vector<int>{13, 12, 11, 10, 9, 8, 7, 6, 5, 4}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(kFolder), {}), kGenerationsKept);
  std::int64_t written = 0;
  for (const Generation& gen : generations) {
    EXPECT_EQ(gen.number, &gen - &generations[0] + 1);
    EXPECT_FALSE(gen.problem) << msg::BaseFileText(gen.problem);
    ASSERT_TRUE(LastWriteSeconds(gen.path, written));
    EXPECT_EQ(gen.recorded, written) << "the time the name tells is when that base was written";
  }
  EXPECT_EQ(LoadBase(), Flatten(*MakeEntries(12, 14)));
}

// A damaged generation keeps its number and says why; the others and the
// base are read as they are. Files of other names are none of its business.
// A generation made but never filled (an empty table) is told the same way.
TEST(Generations, ADamagedGenerationIsToldAndNotUsed) {
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "an empty table" : "a byte changed");
    InFreshFolder here;
    for (int variant = 0; variant <= 3; ++variant) SaveBase(MakeEntries(5, variant));
    auto generations = ReadGenerations(kFolder);
    ASSERT_EQ(generations.size(), 3u);
    if (empty) {
      std::filesystem::remove(generations[1].path);
      MakeNeverFilled(generations[1].path, "");
    } else {
      std::string bytes = ReadFileBytes(generations[1].path);
      bytes[bytes.size() / 2] ^= 1;
      WriteFileBytes(generations[1].path, bytes);
    }
    WriteFileBytes(JoinPath(kFolder, "notes.txt"), "mine");
    WriteFileBytes(JoinPath(kFolder, "00000099-2026120xT000000Z.isd"), "not a generation's name");

    generations = ReadGenerations(kFolder);
    EXPECT_EQ(Variants(generations), (std::vector<int>{2, -1, 0}));
    const std::string problem = msg::BaseFileText(generations[1].problem);
    EXPECT_NE(problem.find(empty ? "holds no base" : "is damaged"), std::string::npos) << problem;
    EXPECT_NE(problem.find(generations[1].path), std::string::npos);
    EXPECT_TRUE(!generations[0].problem && !generations[2].problem);
    EXPECT_EQ(LoadBase(), Flatten(*MakeEntries(5, 3)));

    // The next accept numbers past them and keeps the rest as they are.
    SaveBase(MakeEntries(5, 4));
    EXPECT_EQ(Variants(ReadGenerations(kFolder)), (std::vector<int>{3, 2, -1, 0}));
    EXPECT_TRUE(std::filesystem::exists(JoinPath(kFolder, "notes.txt")));
  }
}

// A generation made the base again: its records saved as the base, and the
// base it replaced kept as the newest generation, so that this too can be
// undone. A base written by an earlier version is kept and read back as it
// was.
TEST(Generations, AGenerationMadeTheBaseKeepsTheBaseItReplaced) {
  InFreshFolder here;
  WriteFileBytes("Prev.isd", ReadFileBytes(HOLLIN_GOLDEN_DIR "/few.isd"));
  const std::string golden = ReadFileBytes("Prev.isd");
  const auto goldenRecords = LoadBase();
  for (int variant = 1; variant <= 2; ++variant) SaveBase(MakeEntries(4, variant));
  auto generations = ReadGenerations(kFolder);
  ASSERT_EQ(generations.size(), 2u);
  EXPECT_EQ(ReadFileBytes(generations[1].path), golden) << "kept byte for byte";
  EXPECT_EQ(Flatten(*generations[1].entries), goldenRecords);

  Store s;
  s.Load();
  EXPECT_FALSE(SaveGenerationAsBase(s.g, s.vsd, generations[1].entries));
  EXPECT_EQ(Flatten(*s.g.BaseEntries), goldenRecords);
  EXPECT_EQ(LoadBase(), goldenRecords);
  generations = ReadGenerations(kFolder);
  EXPECT_EQ(Variants(generations), (std::vector<int>{2, 1, -1}));
  EXPECT_EQ(Flatten(*generations[2].entries), goldenRecords);
}

std::filesystem::file_time_type FileTime(std::int64_t seconds) {
  return std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(seconds)));
}

// Saves variant as the base, the base it replaces last written at seconds
// (since 1970): the time its generation is recorded at.
void SaveAt(int variant, std::int64_t seconds) {
  namespace fs = std::filesystem;
  if (fs::exists("Prev.isd"))
    fs::last_write_time("Prev.isd", FileTime(seconds));
  SaveBase(MakeEntries(4, variant));
}

// A generation's time read back from its name as it was written, in
// February, on a leap day and the day after one.
TEST(Generations, TheTimeOfANameReadsBackTrue) {
  const struct {
    std::int64_t seconds;
    const char* name;
  } times[] = {
      {1739540707, "00000001-20250214T134507Z.isd"},  // 2025-02-14 13:45:07
      {1709251199, "00000001-20240229T235959Z.isd"},
      {1709251200, "00000001-20240301T000000Z.isd"},
      {951825600, "00000001-20000229T120000Z.isd"},
      {1738367999, "00000001-20250131T235959Z.isd"},
  };
  for (const auto& t : times) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(GenerationName(1, t.seconds), t.name);
    InFreshFolder here;
    SaveBase(MakeEntries(4, 0));
    SaveAt(1, t.seconds);
    auto generations = ReadGenerations(kFolder);
    ASSERT_EQ(generations.size(), 1u);
    EXPECT_EQ(std::filesystem::path(generations[0].path).filename(), t.name);
    // Written since: the name alone tells the time.
    std::filesystem::last_write_time(generations[0].path, FileTime(t.seconds + 400 * 86400));
    generations = ReadGenerations(kFolder);
    EXPECT_EQ(generations[0].recorded, t.seconds);
  }
}

std::vector<std::uint32_t> SerialsIn(const std::string& folder) {
  std::vector<std::uint32_t> out;
  for (const auto& f : std::filesystem::directory_iterator(folder))
    out.push_back(static_cast<std::uint32_t>(std::stoul(f.path().filename().string().substr(0, 8))));
  std::sort(out.begin(), out.end());
  return out;
}

// Serials never wrap or collide, and the order is the times': a file of the
// highest serial, one whose serial disagrees with its time, or one whose
// name claims a time after it was written is put in its place by its time,
// and the generations are renamed in that order where the serials would run
// out. A file that fails to load and does not continue the run of serials
// is foreign: never numbered, renamed, removed or restored from.
TEST(Generations, SerialsNeverWrapCollideOrReorder) {
  constexpr std::int64_t t0 = 1796600000;  // 2026-12-08
  const struct {
    const char* what;
    std::string planted;  // a file's name in the history
    bool sound;           // a copy of a base (else garbage)
    std::int64_t written;  // its last write
    std::vector<int> variants;  // what the history lists after 12 more saves, newest first
    bool foreign;
  } cases[] = {
      {"the last serial, recorded first", "99999999-20261201T000000Z.isd", true, t0 - 86400 * 7,
       {12, 11, 10, 9, 8, 7, 6, 5, 4, 3}, false},
      {"the last serial, recorded in the middle", GenerationName(99999999, t0 + 5 * 60 + 30), true, t0 + 5 * 60 + 30,
       {12, 11, 10, 9, 8, 7, 6, 5, 50, 4}, false},
      {"a low serial recorded last", GenerationName(1, t0 + 3600), true, t0 + 3600,
       {50, 12, 11, 10, 9, 8, 7, 6, 5, 4}, false},
      {"a name in the future", "00000050-20300101T000000Z.isd", true, t0 + 5 * 60 + 30,
       {12, 11, 10, 9, 8, 7, 6, 5, 50, 4}, false},
      {"garbage of the last serial", "99999999-20261201T000000Z.isd", false, t0,
       {12, 11, 10, 9, 8, 7, 6, 5, 4, 3}, true},
      {"garbage in the future", "00000050-20300101T000000Z.isd", false, t0,
       {12, 11, 10, 9, 8, 7, 6, 5, 4, 3}, true},
  };
  std::string other;  // a base of its own, variant 50
  {
    InFreshFolder there;
    SaveBase(MakeEntries(4, 50));
    other = ReadFileBytes("Prev.isd");
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InFreshFolder here;
    SaveAt(0, t0);
    SaveAt(1, t0);  // generation: variant 0, recorded at t0
    const std::string planted = JoinPath(kFolder, c.planted);
    WriteFileBytes(planted, c.sound ? other : "HOLLINBASE\t3\nnot a base");
    std::filesystem::last_write_time(planted, FileTime(c.written));
    for (int variant = 2; variant <= 13; ++variant) SaveAt(variant, t0 + variant * 60);
    std::vector<Generation> foreign;
    const std::vector<Generation> generations = ReadGenerations(kFolder, &foreign);
    EXPECT_EQ(Variants(generations), c.variants);
    for (size_t i = 1; i < generations.size(); ++i)
      EXPECT_GE(generations[i - 1].recorded, generations[i].recorded) << "newest first";
    const std::vector<std::uint32_t> serials = SerialsIn(kFolder);
    EXPECT_EQ(std::adjacent_find(serials.begin(), serials.end()), serials.end()) << "no serial twice";
    EXPECT_LE(serials.back(), 99999999u);
    ASSERT_EQ(foreign.size(), c.foreign ? 1u : 0u);
    if (c.foreign) {
      EXPECT_EQ(foreign[0].path, planted) << "never renamed, never removed";
      EXPECT_EQ(foreign[0].number, 0);
      EXPECT_TRUE(foreign[0].problem);
      EXPECT_EQ(serials.size(), size_t(kGenerationsKept) + 1);
    }
  }
}

}  // namespace
}  // namespace hollin::test
