#include "guard/win32_check_heap.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace hollin::guard {

// A heap of its own and what holds it: its CheckHeap while that lives, and
// each block made on it.
struct Arena {
  HANDLE heap;
  std::atomic<long> holders;
};

namespace {

// Before each block, the arena it came from (null: the C runtime's heap);
// a whole alignment unit, so that the block is aligned as new promises.
constexpr std::size_t kHeader = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
static_assert(kHeader >= sizeof(Arena*));

constinit std::atomic<Arena*> current{nullptr};
constinit std::atomic<long> held{0};

void Let(Arena* arena) {
  if (arena->holders.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  HeapDestroy(arena->heap);
  arena->~Arena();
  HeapFree(GetProcessHeap(), 0, arena);
  held.fetch_sub(1, std::memory_order_relaxed);
}

void* TryAllocate(std::size_t n) {
  if (n > static_cast<std::size_t>(-1) - kHeader) return nullptr;
  Arena* arena = current.load(std::memory_order_acquire);
  void* block = nullptr;
  if (arena) {
    // Counted before it can be freed on another thread.
    arena->holders.fetch_add(1, std::memory_order_relaxed);
    block = HeapAlloc(arena->heap, 0, n + kHeader);
    if (!block) Let(arena);
  } else {
    block = std::malloc(n + kHeader);
  }
  if (!block) return nullptr;
  *static_cast<Arena**>(block) = arena;
  return static_cast<char*>(block) + kHeader;
}

void* Allocate(std::size_t n) {
  for (;;) {
    if (void* p = TryAllocate(n)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void Free(void* p) noexcept {
  if (!p) return;
  void* block = static_cast<char*>(p) - kHeader;
  Arena* arena = *static_cast<Arena**>(block);
  if (!arena) {
    std::free(block);
    return;
  }
  HeapFree(arena->heap, 0, block);
  Let(arena);
}

}  // namespace

CheckHeap::CheckHeap() : arena_(nullptr), former_(current.load(std::memory_order_acquire)) {
  const HANDLE heap = HeapCreate(0, 0, 0);
  if (!heap) return;  // no heap of its own: the blocks come from the former one
  // Kept apart from the blocks it counts, on the process's own heap.
  void* place = HeapAlloc(GetProcessHeap(), 0, sizeof(Arena));
  if (!place) {
    HeapDestroy(heap);
    return;
  }
  arena_ = new (place) Arena{heap, 1};
  held.fetch_add(1, std::memory_order_relaxed);
  current.store(arena_, std::memory_order_release);
}

CheckHeap::~CheckHeap() {
  if (!arena_) return;
  current.store(former_, std::memory_order_release);
  Let(arena_);
}

long CheckHeapsHeld() {
  // The current one's CheckHeap has not ended.
  const long n = held.load(std::memory_order_relaxed);
  return current.load(std::memory_order_acquire) ? n - 1 : n;
}

}  // namespace hollin::guard

// The replaceable allocation functions: each block says where it came from.
void* operator new(std::size_t n) { return hollin::guard::Allocate(n); }
void* operator new[](std::size_t n) { return hollin::guard::Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return hollin::guard::Allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return hollin::guard::Allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { hollin::guard::Free(p); }
void operator delete[](void* p) noexcept { hollin::guard::Free(p); }
void operator delete(void* p, std::size_t) noexcept { hollin::guard::Free(p); }
void operator delete[](void* p, std::size_t) noexcept { hollin::guard::Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { hollin::guard::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { hollin::guard::Free(p); }
