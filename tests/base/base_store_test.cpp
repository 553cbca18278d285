// Loading and saving the BASE: first run, empty and repeated saves, the
// status texts, and bases that cannot be used, which are reported and can be
// set aside.
#include <gtest/gtest.h>

#include <tuple>

#include "base_test_util.h"

namespace hollin::test {
namespace {

const std::vector<BaseStep> kSaveThenLoad = {BaseStep::Saving, BaseStep::Reading};

TEST(BaseStore, WithoutAFilledBaseCurrentIsRecordedAndLoadedBack) {
  for (bool madeButNeverFilled : {false, true}) {
    SCOPED_TRACE(madeButNeverFilled ? "made but never filled" : "first run");
    InFreshFolder here;
    if (madeButNeverFilled) {  // RecordNewBase's first half, as a crash before its save leaves it
      DataFile made;
      made.FileName(kBaseFileName);
      made.Create();
      made.Layout(kBaseLayout);
      made.MakeTable();
      made.Close();
    }
    Store s;
    s.g.CurrentEntries = MakeEntries(20, 0);  // some without a ProgID
    s.Load();
    EXPECT_TRUE(s.created);
    EXPECT_EQ(Flatten(*s.g.BaseEntries), Flatten(*s.g.CurrentEntries));
    EXPECT_EQ(s.progress.steps, kSaveThenLoad);
    Store next;  // the next start finds that base
    next.Load();
    EXPECT_FALSE(next.created);
    EXPECT_EQ(Flatten(*next.g.BaseEntries), Flatten(*s.g.CurrentEntries));
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

}  // namespace
}  // namespace hollin::test
