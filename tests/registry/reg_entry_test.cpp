// The association record, its keyed collection, and the registry text
// clean-up.
#include <gtest/gtest.h>

#include <functional>

#include "registry/reg_entry.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

using namespace std::string_literals;

std::shared_ptr<cRegEntry> Entry(const std::string& ext, const std::string& cmd = "") {
  auto e = std::make_shared<cRegEntry>();
  e->Ext(ext);
  e->ProgramFullPath(cmd);
  return e;
}

int CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const CollectionError& e) {
    return e.code();
  }
  return 0;
}

TEST(RegEntry, StartsEmptyAndKeepsValuesAsGiven) {
  cRegEntry e;
  EXPECT_EQ(e.Ext(), "");
  EXPECT_EQ(e.ProgramID(), "");
  EXPECT_EQ(e.OpenCmdRegKey(), "");
  EXPECT_EQ(e.ProgramFullPath(), "");
  e.ProgramFullPath("first");
  const std::string raw = "  \"C:\\x.exe\" \"%1\"\0 "s;
  e.ProgramFullPath(raw);
  EXPECT_EQ(e.ProgramFullPath(), raw);
  // The back-reference is made on first read and then stays the same.
  auto c = e.cRegEntries();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Count(), 0);
  EXPECT_EQ(e.cRegEntries(), c);
}

TEST(RegEntries, KeysIgnoreCaseAndOrderIsInsertionOrder) {
  cRegEntries c;
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.begin(), c.end());
  c.Add(Entry(".txt", "a"), ".txt");
  c.Add(Entry(".Doc", "b"), ".Doc");
  c.Add(Entry(".bmp", "c"), ".bmp");
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(".TXT")->ProgramFullPath(), "a");
  EXPECT_EQ(c.Item(".doc")->ProgramFullPath(), "b");
  EXPECT_EQ(c.Item(2)->Ext(), ".Doc");
  std::vector<std::string> order;
  for (const auto& e : c) order.push_back(e->Ext());
  EXPECT_EQ(order, (std::vector<std::string>{".txt", ".Doc", ".bmp"}));

  // A key that differs only in case is the same key: refused, nothing changes.
  EXPECT_EQ(CodeOf([&] { c.Add(Entry(".TXT", "z"), ".TXT"); }), CollectionError::kDuplicateKey);
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(".txt")->ProgramFullPath(), "a");
}

TEST(RegEntries, MissingKeyIsCodeFiveAndPositionsAreChecked) {
  cRegEntries c;
  c.Add(Entry(".a"), ".a");
  EXPECT_EQ(CodeOf([&] { c.Item(".b"); }), CollectionError::kInvalidArgument);
  EXPECT_EQ(CodeOf([&] { c.Item(0); }), CollectionError::kOutOfRange);
  EXPECT_EQ(CodeOf([&] { c.Item(2); }), CollectionError::kOutOfRange);
  EXPECT_EQ(CodeOf([&] { c.Remove(".b"); }), CollectionError::kInvalidArgument);
  EXPECT_EQ(c.Count(), 1);

  // A member without a key counts and enumerates but cannot be found by key.
  c.Add(Entry(".nokey"), "");
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(CodeOf([&] { c.Item(".nokey"); }), CollectionError::kInvalidArgument);
  EXPECT_EQ(c.Item(2)->Ext(), ".nokey");
}

TEST(RegEntries, RemoveShiftsLaterMembersAndKeepsKeysFindable) {
  cRegEntries c;
  for (const char* ext : {".a", ".b", ".c", ".d"}) c.Add(Entry(ext), ext);
  c.Remove(".B");
  c.Remove(1);
  ASSERT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Item(1)->Ext(), ".c");
  EXPECT_EQ(c.Item(".d")->Ext(), ".d");
  EXPECT_EQ(c.Item(".D"), c.Item(2));
  // A removed key can be added again.
  c.Add(Entry(".b"), ".b");
  EXPECT_EQ(c.Item(".b"), c.Item(3));
}

TEST(RegEntries, SharedEntriesOutliveTheCollection) {
  std::shared_ptr<cRegEntry> kept;
  {
    auto c = std::make_shared<cRegEntries>();
    c->Add(Entry(".x", "cmd"), ".x");
    kept = c->Item(".x");
  }
  EXPECT_EQ(kept->ProgramFullPath(), "cmd");
}

TEST(TrimRegString, TrimsSpacesAndOneTrailingZero) {
  auto trim = [](std::string s) { return TrimRegString(s); };
  EXPECT_EQ(trim(std::string("abc\0", 4)), "abc");
  EXPECT_EQ(trim(std::string("abc \0", 5)), "abc");
  EXPECT_EQ(trim(std::string("abc\0\0", 5)), std::string("abc\0", 4));
  EXPECT_EQ(trim(std::string("  abc\0   ", 9)), "abc");
  EXPECT_EQ(trim(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(trim(""), "");
  EXPECT_EQ(trim("    "), "");
  EXPECT_EQ(trim(std::string("\0", 1)), "");
  // The argument itself is left stripped of its spaces.
  std::string arg(" x\0 ", 4);
  EXPECT_EQ(TrimRegString(arg), "x");
  EXPECT_EQ(arg, std::string("x\0", 2));
}

}  // namespace
}  // namespace hollin
