// Loading and saving the BASE: first run, empty and repeated saves, the
// status texts, and bases that cannot be used, which are reported and can be
// set aside.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base_test_util.h"

namespace hollin::test {
namespace {

const std::vector<BaseStep> kSaveThenLoad = {BaseStep::Saving, BaseStep::Reading};

// Without a filled base, current is recorded and loaded back, and no backup
// is kept (an empty table there would load as a base never filled); each
// save after it keeps the base it replaced as the backup.
TEST(BaseStore, WithoutAFilledBaseCurrentIsRecordedAndEachSaveKeepsWhatItReplaced) {
  const std::string bak = "Prev.isd.bak";
  for (bool madeButNeverFilled : {false, true}) {
    SCOPED_TRACE(madeButNeverFilled ? "made but never filled" : "first run");
    InFreshFolder here;
    if (madeButNeverFilled) MakeNeverFilled(kBaseFileName);
    Store s;
    s.g.CurrentEntries = MakeEntries(20, 0);  // some without a ProgID
    s.Load();
    EXPECT_TRUE(s.created);
    EXPECT_EQ(Flatten(*s.g.BaseEntries), Flatten(*s.g.CurrentEntries));
    EXPECT_EQ(s.progress.steps, kSaveThenLoad);
    EXPECT_FALSE(std::filesystem::exists(bak));
    EXPECT_EQ(here.Files(), 1u);
    const std::string recorded = ReadFileBytes("Prev.isd");
    Store next;  // the next start finds that base
    next.Load();
    EXPECT_FALSE(next.created);
    EXPECT_EQ(Flatten(*next.g.BaseEntries), Flatten(*s.g.CurrentEntries));
    next.g.CurrentEntries = MakeEntries(20, 1);
    next.Save();
    EXPECT_EQ(ReadFileBytes(bak), recorded);
    // The backup copied back is a base, loaded as such: no new first run.
    WriteFileBytes("Prev.isd", ReadFileBytes(bak));
    Store again;
    again.Load();
    EXPECT_FALSE(again.created);
    EXPECT_EQ(Flatten(*again.g.BaseEntries), Flatten(*MakeEntries(20, 0)));
  }
}

TEST(BaseStore, AnEmptyBaseLoadsEmptyAndSavesReplaceAllRecords) {
  InFreshFolder here;
  SaveBase(std::make_shared<AssocEntries>());
  const std::string empty = ReadFileBytes("Prev.isd");
  Store s;
  s.g.BaseEntries = MakeEntries(3, 0);
  s.Load();
  EXPECT_FALSE(s.created);
  EXPECT_EQ(s.g.BaseEntries->Count(), 0);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), empty);
  Store again;
  again.g.CurrentEntries = MakeEntries(5, 1);
  again.Save();
  again.Load();
  EXPECT_EQ(again.progress.steps, kSaveThenLoad);
  EXPECT_EQ(Flatten(*again.g.BaseEntries), Flatten(*again.g.CurrentEntries));
}

// Damage in the records themselves, under a right checksum: the load reports
// it, and a save refuses to replace the file as well.
TEST(BaseStore, DamagedRecordsAreReportedAndNeverSavedOver) {
  auto twins = MakeEntries(3, 0);
  auto twin = std::make_shared<AssocEntry>(*twins->Item(2));
  twin->Ext(".T1");  // the same type in other letter case
  twins->Add(twin, "twin");
  auto blanks = MakeEntries(2, 0);
  for (auto& e : *blanks) e->Ext("");
  const std::tuple<std::shared_ptr<AssocEntries>, std::string, std::string> cases[] = {
      {twins, "", "two records for the file type \".T1\""},
      {MakeEntries(3, 0), "3 records", "counts 2 records, but it holds 3"},
      {blanks, "", "a record without a file type"},
  };
  for (const auto& [entries, count, mention] : cases) {
    InFreshFolder here;
    SaveBase(entries);
    if (!count.empty()) {
      std::string bytes = ReadFileBytes("Prev.isd");
      WriteFileBytes("Prev.isd", Reseal(bytes.replace(bytes.find(count), 1, "2")));
    }
    const std::string file = ReadFileBytes("Prev.isd");
    Store s;
    s.g.CurrentEntries = MakeEntries(4, 1);
    const auto before = s.g.BaseEntries;
    EXPECT_EQ(ProblemOf([&] { s.Load(); }, mention), BaseFileProblem::Damaged);
    EXPECT_EQ(s.g.BaseEntries, before);
    EXPECT_EQ(ProblemOf([&] { s.Save(); }, mention), BaseFileProblem::Damaged);
    EXPECT_EQ(ReadFileBytes("Prev.isd"), file);
  }
}

TEST(BaseStore, AnUnusableBaseIsNeverSavedOverButCanBeSetAside) {
  InFreshFolder here;
  const std::string torn = "HOLLINBASE\t1\nlayout\t$*256$$$\nfields\tExt";
  WriteFileBytes("Prev.isd", torn);
  Store s;
  s.g.CurrentEntries = MakeEntries(3, 0);
  EXPECT_EQ(ProblemOf([&] { s.Load(); }, "is truncated"), BaseFileProblem::Damaged);
  EXPECT_EQ(ProblemOf([&] { s.Save(); }, "is truncated"), BaseFileProblem::Damaged);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), torn);

  const std::string aside = SetAsideAndRecordNewBase(s.g, s.vsd);
  EXPECT_EQ(aside.rfind("Prev.damaged-", 0), 0u) << aside;
  EXPECT_EQ(ReadFileBytes(aside), torn);
  EXPECT_EQ(LoadBase(), Flatten(*s.g.CurrentEntries));

  DataFile other;  // a sound file of another table is not a base either
  other.FileName(kBaseFileName);
  other.Open();
  other.FieldName(2, "Program");
  other.Close();
  const std::string fields = "does not have the fields Ext, Path, Key and ProgID";
  EXPECT_EQ(ProblemOf([&] { s.Load(); }, fields), BaseFileProblem::Damaged);
  EXPECT_EQ(ProblemOf([&] { s.Save(); }, fields), BaseFileProblem::Damaged);
  EXPECT_NE(SetAsideAndRecordNewBase(s.g, s.vsd), aside);  // a name of its own
  EXPECT_EQ(ReadFileBytes(aside), torn);
}

// A name that leads to no file to read (a folder, a link to nothing, a
// pipe) is a base that cannot be used, as a damaged one: named, never
// replaced, and the same way out, set aside and recorded anew.
TEST(BaseStore, ANameThatLeadsToNoFileIsADamagedBase) {
  const struct {
    const char* what;
    std::function<void()> make;
    const char* says;
  } cases[] = {
      {"folder", [] { std::filesystem::create_directory("Prev.isd"); }, "it is a folder"},
#ifndef _WIN32
      {"dangling link", [] { std::filesystem::create_symlink("gone.isd", "Prev.isd"); }, "a link that leads to no file"},
      {"pipe", [] { ASSERT_EQ(mkfifo("Prev.isd", 0600), 0); }, "a device or a pipe"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InFreshFolder here;
    c.make();
    Store s;
    s.g.CurrentEntries = MakeEntries(3, 0);
    EXPECT_EQ(ProblemOf([&] { s.Load(); }, c.says), BaseFileProblem::Damaged);
    EXPECT_EQ(ProblemOf([&] { s.Save(); }, c.says), BaseFileProblem::Damaged);
    EXPECT_TRUE(std::filesystem::symlink_status("Prev.isd").type() != std::filesystem::file_type::regular);
    const std::string aside = SetAsideAndRecordNewBase(s.g, s.vsd);
    EXPECT_EQ(aside.rfind("Prev.damaged-", 0), 0u) << aside;
    EXPECT_TRUE(std::filesystem::symlink_status(aside).type() != std::filesystem::file_type::regular);
    EXPECT_EQ(LoadBase(), Flatten(*s.g.CurrentEntries));
  }
}

}  // namespace
}  // namespace hollin::test
