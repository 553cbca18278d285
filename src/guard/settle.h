// When a change of the registry has settled: the registry has been still for
// a quiet interval since the last signal, or a limit has passed since the
// first, so that a storm of writes (an installer's hundreds) gives one check
// and a storm that never ends still gives one now and then.
#pragma once

#include <cstdint>
#include <limits>

namespace hollin::guard {

// Milliseconds on the guard's clock.
using Millis = std::int64_t;
inline constexpr Millis kNever = std::numeric_limits<Millis>::max();

class Settler {
 public:
  explicit Settler(Millis quiet = 2000, Millis limit = 30000) : quiet_(quiet), limit_(limit) {}

  void Signal(Millis now) {
    if (!pending_) first_ = now;
    pending_ = true;
    last_ = now;
  }
  bool Pending() const { return pending_; }
  // When the change set counts as settled; kNever while nothing is pending.
  Millis DueAt() const {
    if (!pending_) return kNever;
    const Millis quiet = last_ + quiet_, limit = first_ + limit_;
    return quiet < limit ? quiet : limit;
  }
  void Clear() { pending_ = false; }

 private:
  Millis quiet_, limit_;
  bool pending_ = false;
  Millis first_ = 0, last_ = 0;
};

}  // namespace hollin::guard
