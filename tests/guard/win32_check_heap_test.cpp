// The check's own heap: blocks freed where they came from, whenever and on
// whichever thread, and the heap gone once its check ended and its last
// block is freed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "guard/win32_check_heap.h"

namespace hollin::guard {
namespace {

// Whether a block lies on the C runtime's heap or on another of the
// process's heaps (a check's).
HANDLE HeapOf(const void* p) {
  HANDLE heaps[64];
  const DWORD n = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < n && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    bool found = false;
    while (!found && HeapWalk(heaps[i], &e))
      found = (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) && p >= e.lpData &&
              p < static_cast<const char*>(e.lpData) + e.cbData;
    HeapUnlock(heaps[i]);
    if (found) return heaps[i];
  }
  return nullptr;
}

TEST(CheckHeapTest, BlocksGoWhereTheyCameFromAndTheHeapGoesWithTheLast) {
  ASSERT_EQ(CheckHeapsHeld(), 0);
  auto before = std::make_unique<std::string>(100, 'b');
  const HANDLE runtime = HeapOf(before->data());
  std::unique_ptr<std::string> kept;
  std::vector<std::unique_ptr<std::string>> made;
  {
    CheckHeap heap;
    // Made during the check, on this thread and on another, as the scan's
    // readers do.
    for (int i = 0; i < 2000; ++i) made.push_back(std::make_unique<std::string>(200, 'x'));
    std::thread([&] { kept = std::make_unique<std::string>(300, 'k'); }).join();
    EXPECT_NE(HeapOf(kept->data()), runtime);
    EXPECT_EQ(HeapOf(made.front()->data()), HeapOf(kept->data()));
    // Made before it, freed during it: back to the runtime's heap.
    before.reset();
    made.pop_back();
  }
  EXPECT_EQ(CheckHeapsHeld(), 1);  // the check's blocks outlive it
  auto after = std::make_unique<std::string>(100, 'a');
  EXPECT_EQ(HeapOf(after->data()), runtime);
  std::thread([&] { std::vector<std::unique_ptr<std::string>>().swap(made); }).join();
  EXPECT_EQ(CheckHeapsHeld(), 1);
  EXPECT_EQ(*kept, std::string(300, 'k'));
  const HANDLE check = HeapOf(kept->data());
  kept.reset();
  EXPECT_EQ(CheckHeapsHeld(), 0);
  HANDLE heaps[64];
  const DWORD n = GetProcessHeaps(64, heaps);
  EXPECT_EQ(std::find(heaps, heaps + std::min<DWORD>(n, 64), check), heaps + std::min<DWORD>(n, 64));
  // A check that keeps nothing leaves nothing.
  {
    CheckHeap heap;
    std::vector<std::string> v(5000, std::string(64, 'v'));
  }
  EXPECT_EQ(CheckHeapsHeld(), 0);
}

}  // namespace
}  // namespace hollin::guard
