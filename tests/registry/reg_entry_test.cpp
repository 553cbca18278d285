// The keyed collection of associations, and the registry text clean-up.
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

TEST(RegEntries, KeysIgnoreCaseOrderIsInsertionOrderAndMisusesAreRefused) {
  cRegEntries c;
  for (const char* ext : {".txt", ".Doc", ".bmp"}) c.Add(Entry(ext, ext + 1), ext);
  EXPECT_EQ(c.Item(".TXT")->ProgramFullPath(), "txt");
  EXPECT_EQ(c.Item(".doc"), c.Item(2));
  // A key that differs only in case is the same key: refused, nothing changes.
  EXPECT_EQ(CodeOf([&] { c.Add(Entry(".TXT", "z"), ".TXT"); }), CollectionError::kDuplicateKey);
  EXPECT_EQ(CodeOf([&] { c.Item(".b"); }), CollectionError::kInvalidArgument);
  EXPECT_EQ(CodeOf([&] { c.Remove(".b"); }), CollectionError::kInvalidArgument);
  for (int at : {0, 4}) EXPECT_EQ(CodeOf([&] { c.Item(at); }), CollectionError::kOutOfRange) << at;
  EXPECT_EQ(c.Item(".txt")->ProgramFullPath(), "txt");
  // A member without a key counts and enumerates but cannot be found by key.
  c.Add(Entry(".nokey"), "");
  EXPECT_EQ(CodeOf([&] { c.Item(".nokey"); }), CollectionError::kInvalidArgument);
  std::vector<std::string> order;
  for (const auto& e : c) order.push_back(e->Ext());
  EXPECT_EQ(order, (std::vector<std::string>{".txt", ".Doc", ".bmp", ".nokey"}));
}

TEST(RegEntries, RemoveShiftsLaterMembersAndKeepsKeysFindable) {
  cRegEntries c;  // enough members for the key index to grow several times
  for (int i = 0; i < 100; ++i) c.Add(Entry(".e" + std::to_string(i)), ".E" + std::to_string(i));
  c.Remove(".e1");
  c.Remove(1);
  ASSERT_EQ(c.Count(), 98);
  for (int i = 2; i < 100; ++i) ASSERT_EQ(c.Item(".e" + std::to_string(i)), c.Item(i - 1)) << i;
  c.Add(Entry(".e1"), ".e1");  // a removed key can be added again
  EXPECT_EQ(c.Item(".E1"), c.Item(99));
}

TEST(TrimRegString, TrimsSpacesAndOneTrailingZero) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc\0"s, "abc"},    {"abc \0"s, "abc"}, {"abc\0\0"s, "abc\0"s}, {"  abc\0   "s, "abc"},
      {"a\0b"s, "a\0b"s}, {"", ""},           {"    ", ""},           {"\0"s, ""}};
  for (auto [in, out] : cases) EXPECT_EQ(TrimRegString(in), out) << in;
}

}  // namespace
}  // namespace hollin
