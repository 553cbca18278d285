// Start-up: Main runs first, before any window exists.
#pragma once

#include <string>

#include "base/base_location.h"
#include "common/account.h"
#include "base/associations.h"
#include "common/message_box.h"
#include "common/platform.h"
#include "common/names.h"
#include "registry/registry.h"
#include "registry/settings.h"

namespace hollin {


// What Main hands over to once the process is prepared: the warning
// dialog's check box and the main window.
class IStartupWindows {
 public:
  virtual ~IStartupWindows() = default;
  // Sets frmWarning's chkWarn (1 checked, 0 unchecked); a change runs the
  // check box's own handling.
  virtual void SetWarnCheckBox(int value) = 0;
  // Loads frmMain, whose load step runs the first check.
  virtual void LoadMainWindow() = 0;
};

// The "warn" setting as text or number, turned into 0 or 1: a leading-number
// parse, rounded half to even; a failed read or a number outside 0..1 gives 1.
int WarnValue(bool readOk, const SettingValue& value);

// A leading-number parse of text: leading blanks skipped, then as much of a
// number as stands there; no number at all is zero. Its size as the
// significant digits (no leading or trailing zeros; none for zero) and
// where the point stands before them: 0.digits x 10^point. The sign is
// dropped (the warning's value only asks the size).
struct LeadingDecimal {
  std::string digits;
  long long point = 0;
  bool operator==(const LeadingDecimal&) const = default;
};
LeadingDecimal LeadingNumber(const std::string& text);

// Prepares the process and loads the main window. An account that is no
// user's (common/account.h) is told in a box, and the process ends before
// anything is read or written; another account than the one signed in is
// told, and the window checks its settings.
void Main(Associations& appState, IPlatform& platform, IRegistry& reg,
          IMessageBox& box, IStartupWindows& windows, const AccountFacts& account = {});

}  // namespace hollin
