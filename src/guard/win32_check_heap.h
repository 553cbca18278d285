// A heap of its own for each of the guard's checks. A check reads tens of
// thousands of keys into blocks that all come free when it is done; on a
// heap shared with what the guard keeps between checks, a few kept blocks
// amid them hold whole regions of the heap in memory for as long as the
// guard runs. On a heap of its own, the check's regions go back to the
// system at once when its last block is freed.
//
// While a CheckHeap lives, every block this process makes with new (on any
// thread) comes from its heap; a block says which heap it came from, so
// that delete frees it there, whenever and wherever that happens. The heap
// is destroyed when the CheckHeap has ended and its last block is freed: a
// block that outlives the check (something the guard keeps that was made
// during it) holds the heap, never dangles. CheckHeapsHeld tells how many
// heaps ended and are still held so.
//
// The blocks made while no CheckHeap lives come from the C runtime's heap,
// as they would without this.
#pragma once

namespace hollin::guard {

class CheckHeap {
 public:
  CheckHeap();
  // Blocks made from here on come from the heap that was current before.
  ~CheckHeap();
  CheckHeap(const CheckHeap&) = delete;
  CheckHeap& operator=(const CheckHeap&) = delete;

 private:
  struct Arena* arena_;
  struct Arena* former_;
};

// The heaps whose CheckHeap ended while blocks made on them are still in
// use.
long CheckHeapsHeld();

}  // namespace hollin::guard
