// The keyed collection of associations, and the registry text clean-up.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "registry/reg_entry.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

using namespace std::string_literals;

std::shared_ptr<AssocEntry> Entry(const std::string& ext, const std::string& cmd = "") {
  auto e = std::make_shared<AssocEntry>();
  e->Ext(ext);
  e->ProgramFullPath(cmd);
  return e;
}

std::optional<AssocEntriesError::Code> CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const AssocEntriesError& e) {
    return e.code();
  }
  return std::nullopt;
}

TEST(RegEntries, KeysIgnoreCaseOrderIsInsertionOrderAndMisusesAreRefused) {
  AssocEntries c;
  for (const char* ext : {".txt", ".Doc", ".bmp"}) c.Add(Entry(ext, ext + 1), ext);
  EXPECT_EQ(c.Item(".TXT")->ProgramFullPath(), "txt");
  EXPECT_EQ(c.Item(".doc"), c.Item(2));
  // A key that differs only in case is the same key: refused, nothing changes.
  EXPECT_EQ(CodeOf([&] { c.Add(Entry(".TXT", "z"), ".TXT"); }), AssocEntriesError::Code::DuplicateKey);
  EXPECT_EQ(CodeOf([&] { c.Item(".b"); }), AssocEntriesError::Code::NoSuchKey);
  EXPECT_EQ(CodeOf([&] { c.Remove(".b"); }), AssocEntriesError::Code::NoSuchKey);
  for (int at : {0, 4}) EXPECT_EQ(CodeOf([&] { c.Item(at); }), AssocEntriesError::Code::OutOfRange) << at;
  EXPECT_EQ(c.Item(".txt")->ProgramFullPath(), "txt");
  // A member without a key counts and enumerates but cannot be found by key.
  c.Add(Entry(".nokey"), "");
  EXPECT_EQ(CodeOf([&] { c.Item(".nokey"); }), AssocEntriesError::Code::NoSuchKey);
  std::vector<std::string> order;
  for (const auto& e : c) order.push_back(e->Ext());
  EXPECT_EQ(order, (std::vector<std::string>{".txt", ".Doc", ".bmp", ".nokey"}));
}

// Removals in a scrambled order, by key and by position, from a collection
// whose key index has grown several times and holds long probe runs: after
// each one, every member left is found by its key at its new position.
TEST(RegEntries, RemoveShiftsLaterMembersAndKeepsKeysFindable) {
  AssocEntries c;
  std::vector<std::string> keys;  // in member order; "" for a member without one
  for (int i = 0; i < 300; ++i) {
    keys.push_back(i % 10 == 9 ? "" : ".E" + std::to_string(i));
    c.Add(Entry(".e" + std::to_string(i)), keys.back());
  }
  for (unsigned step = 0; !keys.empty(); ++step) {
    const size_t at = (step * 7919u) % keys.size();
    if (keys[at].empty() || step % 2) {
      c.Remove(static_cast<std::int32_t>(at + 1));
    } else {
      c.Remove(keys[at]);
    }
    keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(at));
    ASSERT_EQ(c.Count(), static_cast<std::int32_t>(keys.size()));
    for (size_t m = 0; m < keys.size(); ++m) {
      if (keys[m].empty()) continue;
      ASSERT_EQ(c.Item(keys[m]), c.Item(static_cast<std::int32_t>(m + 1))) << step;
    }
  }
  c.Add(Entry(".e1"), ".e1");  // a removed key can be added again
  EXPECT_EQ(c.Item(".E1"), c.Item(1));
}

TEST(TrimRegString, TrimsSpacesAndOneTrailingZero) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc\0"s, "abc"},    {"abc \0"s, "abc"}, {"abc\0\0"s, "abc\0"s}, {"  abc\0   "s, "abc"},
      {"a\0b"s, "a\0b"s}, {"", ""},           {"    ", ""},           {"\0"s, ""}};
  for (auto [in, out] : cases) EXPECT_EQ(TrimRegString(in), out) << in;
}

}  // namespace
}  // namespace hollin
