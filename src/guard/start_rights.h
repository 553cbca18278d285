// The rights the guard runs with. The guard belongs to the user's desktop:
// its icon takes the notification area's messages, its notice and the
// window it opens are the user's, and what it restores is written with its
// rights. So it runs with the rights the desktop's shell gives the user's
// programs, and never with more: a guard started with an administrator's
// full token while the shell runs with that user's limited one (by an
// installation run as administrator, or from a prompt run as administrator)
// hands its start to the shell and ends; where it cannot, it ends without
// running and says so in the Application log.
//
// Portable: the binding (guard/win32_start_rights.h) reads the facts from
// the tokens and hands a start to the shell, the guard's start
// (guard/win32_guard.cpp) does what the answer says; tests give the facts.
#pragma once

#include <optional>

namespace hollin::guard {

// What a token's elevation type says (TOKEN_ELEVATION_TYPE): no linked
// token (no split: an account without administrator rights, the built-in
// Administrator, or user account control off), the full token of a split
// pair (elevated), or its limited one.
enum class Elevation { Default, Full, Limited };

// A process's mandatory integrity levels, as the relative identifier of its
// label (SECURITY_MANDATORY_MEDIUM_RID and so on).
inline constexpr unsigned long kIntegrityMedium = 0x2000;
inline constexpr unsigned long kIntegrityHigh = 0x3000;

struct StartRights {
  Elevation elevation = Elevation::Default;  // this process's token
  std::optional<unsigned long> integrity;    // this process's level, where read
  // The level of the desktop shell's process (the one that owns the
  // notification area), where there is one and its token could be read.
  std::optional<unsigned long> shellIntegrity;
};

enum class GuardStart {
  Here,          // runs in this process
  ThroughShell,  // asks the shell to start it with the shell's rights, and ends
  NotAtAll,      // ends without running: no shell to hand it to
};

// Here for every token but the full one of a split pair, and for that one
// where the shell runs at its level or above it (nothing on the desktop is
// isolated from the guard then: user account control's elevation is not in
// use there). A full token beside a shell of a lower level goes through the
// shell; beside none whose level is known (no shell, or one whose token
// cannot be read), not at all: the shell's start then runs with the level
// read here, so a start handed to it never comes back elevated.
GuardStart DecideGuardStart(const StartRights& rights);

}  // namespace hollin::guard
