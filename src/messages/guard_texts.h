// What the guard says: its icon's tip and menu, and its notice.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "registry/reg_entry.h"

namespace hollin::msg {

// The notice as one text, a sentence a line: what opens the changed types
// now ("3 file types now open with Grab (.pdf, .txt, .rtf)", the program
// named where they share one, at most ten types named; now holds what opens
// each, null for nothing), what was restored, what was refused, what only
// Settings can set, and what stopped the guard.
std::string GuardNotice(const std::vector<std::string>& types, const std::vector<std::shared_ptr<const AssocEntry>>& now,
                        const std::vector<std::string>& restored, const std::vector<std::string>& refused,
                        const std::vector<std::string>& choices, const std::string& problem);

// The icon's tip: what it guards and its last check ("no changes", "3
// changed"), stopped by a problem, or paused.
std::string GuardTip(size_t types, const std::string& lastCheck);
std::string GuardLastCheck(size_t changed);
std::string GuardTipStopped();
std::string GuardTipPaused();
// The icon's menu, and the notice window's buttons.
std::string GuardMenuOpen();
extern const char* const kGuardMenuCheckNow;
extern const char* const kGuardMenuPause;
extern const char* const kGuardMenuResume;
extern const char* const kGuardMenuExit;
extern const char* const kNoticeReview;
extern const char* const kNoticeKeep;
extern const char* const kNoticeSettings;
extern const char* const kNoticeClose;
// The guard's line for latent changes: "Latent (a layer that does not
// decide now changed): .txt http".
std::string GuardLatent(const std::vector<std::string>& types);
// The record of a Keep.
std::string GuardKept(size_t types);
// The notice and record of a base file that went while the guard ran, the
// current settings recorded in its place.
std::string GuardBaseGone(const std::string& path, size_t types);
// The Application log's record of a guard that ended without running: it
// was started with an administrator's full rights beside a shell that runs
// with fewer. shellError is the shell's answer to the start handed to it
// (an HRESULT), 0 where the shell's rights could not be read.
std::string GuardNotStarted(long shellError);
}  // namespace hollin::msg
