// Whose turn it is to write a base file. Every writer of a base (the window,
// the guard and each run for scripts) takes the base's turn before it reads
// what it will act on (the base, the registry) and gives it back once it has
// written: a restore never writes from a base an accept is replacing, an
// accept never records a scan taken before a restore wrote, and no check
// sees a restore half done. The turn is the session's, by the base file's
// full path; the platform keeps it (IPlatform::TakeTurn), and the system
// gives it back when its holder ends, also when it is killed.
#pragma once

#include <functional>
#include <string>

#include "common/platform.h"

namespace hollin {

// How long a writer waits for another's turn to end: a restore or an accept
// under a slow machine takes seconds, not half a minute.
inline constexpr unsigned kBaseTurnWaitMs = 30000;

// The name of the turn of the base file at path (its full path, without
// regard to letter case, as the file system finds it).
std::string BaseTurnName(const std::string& path);

class BaseTurn {
 public:
  // Takes the turn of the base file at path, waiting up to waitMs where
  // another holds it; waiting, where given, is called once before such a
  // wait (to say why nothing happens meanwhile).
  BaseTurn(IPlatform& platform, const std::string& path, unsigned waitMs = kBaseTurnWaitMs,
           const std::function<void()>& waiting = {});
  ~BaseTurn();
  BaseTurn(const BaseTurn&) = delete;
  BaseTurn& operator=(const BaseTurn&) = delete;
  // False when another still held the turn after the wait: nothing may be
  // written then.
  bool Held() const { return held_; }

 private:
  IPlatform& platform_;
  std::string name_;
  bool held_ = false;
};

}  // namespace hollin
