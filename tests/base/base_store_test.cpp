// Loading and saving the BASE: first run, empty and repeated saves, the
// status texts, and bases that cannot be used, which are reported and can be
// set aside.
#include <gtest/gtest.h>

#include "base_test_util.h"

namespace hollin::test {
namespace {

struct Store {
  General g;
  VsData vsd;
  RecordingSink sink;
  bool created = false;
  void Load() { GetAllPrevious(g, vsd, sink, created); }
  void Save() { SaveCurrentAsDefault(g, vsd, sink); }
};

const std::vector<std::string> kSaveThenLoad = {
    "Building new BASE record from CURRENT entries...", "repaint", "led 1",
    "Reading BASE entries..."};

TEST(BaseStore, FirstRunRecordsCurrentAndLoadsItBack) {
  InFreshFolder here;
  Store s;
  s.g.CurrentEntries = MakeEntries(20, 0);  // some without a ProgID
  s.Load();
  EXPECT_TRUE(s.created);
  EXPECT_EQ(Flatten(*s.g.BaseEntries), Flatten(*s.g.CurrentEntries));
  EXPECT_EQ(s.sink.calls, kSaveThenLoad);
  Store next;  // the next start finds that base
  next.Load();
  EXPECT_FALSE(next.created);
  EXPECT_EQ(Flatten(*next.g.BaseEntries), Flatten(*s.g.CurrentEntries));
}

TEST(BaseStore, AnEmptyBaseLoadsEmptyAndSavesReplaceAllRecords) {
  InFreshFolder here;
  SaveBase(std::make_shared<cRegEntries>());
  const std::string empty = ReadFileBytes("Prev.isd");
  Store s;
  s.g.BaseEntries = MakeEntries(3, 0);
  s.Load();
  EXPECT_FALSE(s.created);
  EXPECT_EQ(s.g.BaseEntries->Count(), 0);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), empty);
  s.g.CurrentEntries = MakeEntries(5, 1);
  s.Save();
  const std::string once = ReadFileBytes("Prev.isd");
  s.Save();
  EXPECT_EQ(ReadFileBytes("Prev.isd"), once);
  Store restoring;  // during a restore only the save shows its text
  restoring.g.RestoreConfirmed = true;
  restoring.g.CurrentEntries = s.g.CurrentEntries;
  restoring.Save();
  restoring.Load();
  EXPECT_EQ(restoring.sink.calls, std::vector<std::string>(kSaveThenLoad.begin(), kSaveThenLoad.end() - 1));
  EXPECT_EQ(Flatten(*restoring.g.BaseEntries), Flatten(*s.g.CurrentEntries));
}

TEST(BaseStore, ABaseMadeButNeverFilledIsFilledFromCurrent) {
  InFreshFolder here;
  VsData made;  // MakeNewDB's first half, as a crash before its save leaves it
  made.FileName(kBaseFileName);
  made.Create();
  made.Layout(kBaseLayout);
  made.MakeTable();
  made.Close();
  Store s;
  s.g.CurrentEntries = MakeEntries(4, 0);
  s.Load();
  EXPECT_TRUE(s.created);
  EXPECT_EQ(Flatten(*s.g.BaseEntries), Flatten(*s.g.CurrentEntries));
}

TEST(BaseStore, TwoRecordsForOneTypeAreReportedAndNothingIsReplaced) {
  InFreshFolder here;
  auto entries = MakeEntries(3, 0);
  auto twin = std::make_shared<cRegEntry>(*entries->Item(2));
  twin->Ext(".T1");  // the same type in other letter case
  entries->Add(twin, "twin");
  SaveBase(entries);
  const std::string file = ReadFileBytes("Prev.isd");
  Store s;
  const auto before = s.g.BaseEntries;
  try {
    s.Load();
    FAIL();
  } catch (const BaseFileError& e) {
    EXPECT_EQ(e.problem(), BaseFileProblem::Damaged);
    EXPECT_NE(std::string(e.what()).find("\".T1\""), std::string::npos) << e.what();
    EXPECT_NE(e.path().find("Prev.isd"), std::string::npos);
  }
  EXPECT_EQ(s.g.BaseEntries, before);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), file);
}

TEST(BaseStore, AnUnusableBaseIsNeverSavedOverButCanBeSetAside) {
  InFreshFolder here;
  const std::string torn = "HOLLINBASE\t1\nlayout\t$*256$$$\nfields\tExt";
  WriteFileBytes("Prev.isd", torn);
  Store s;
  s.g.CurrentEntries = MakeEntries(3, 0);
  EXPECT_THROW(s.Load(), BaseFileError);
  EXPECT_THROW(s.Save(), BaseFileError);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), torn);

  const std::string aside = SetAsideAndMakeNewDB(s.g, s.vsd, s.sink, s.created);
  EXPECT_EQ(aside.rfind("Prev.damaged-", 0), 0u) << aside;
  EXPECT_EQ(ReadFileBytes(aside), torn);
  EXPECT_TRUE(s.created);
  EXPECT_EQ(LoadBase(), Flatten(*s.g.CurrentEntries));

  VsData other;  // a sound file of another table is not a base either
  other.FileName(kBaseFileName);
  other.Open();
  other.FieldName(2, "Command");
  other.Close();
  EXPECT_THROW(s.Load(), BaseFileError);
  EXPECT_THROW(s.Save(), BaseFileError);
  EXPECT_NE(SetAsideAndMakeNewDB(s.g, s.vsd, s.sink, s.created), aside);  // a name of its own
  EXPECT_EQ(ReadFileBytes(aside), torn);
}

}  // namespace
}  // namespace hollin::test
