// Removing one member from a collection of 200,000 associations. The floor
// is the moving that a removal cannot avoid: erasing one place from vectors
// of the same members and keys. Each run removes a member near the front
// (the most that moves) and adds one at the end, so the size stays.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "registry/reg_entry.h"

namespace hollin::bench {
namespace {

constexpr int kMembers = 200000;

int Run() {
  AssocEntries c;
  std::vector<std::shared_ptr<AssocEntry>> floorEntries;
  std::vector<std::string> floorKeys;
  for (int i = 0; i < kMembers; ++i) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(".ext" + std::to_string(i));
    c.Add(e, e->Ext());
    floorEntries.push_back(e);
    floorKeys.push_back(e->Ext());
  }
  int next = kMembers;
  const auto [remove, floor] = MeasurePair(
      [&] {
        c.Remove(2);
        auto e = std::make_shared<AssocEntry>();
        e->Ext(".ext" + std::to_string(next++));
        c.Add(e, e->Ext());
      },
      [&] {
        floorEntries.erase(floorEntries.begin() + 1);
        floorKeys.erase(floorKeys.begin() + 1);
        auto e = std::make_shared<AssocEntry>();
        e->Ext(".ext" + std::to_string(next));
        floorKeys.push_back(e->Ext());
        floorEntries.push_back(std::move(e));
      },
      51);
  Report("remove one of 200,000", remove);
  Report("floor (vector erase)", floor);
  ReportRatio("remove one of 200,000", remove, floor, 3.0);
  return c.Count() == kMembers ? 0 : 1;
}

}  // namespace
}  // namespace hollin::bench

int main() { return hollin::bench::Run(); }
