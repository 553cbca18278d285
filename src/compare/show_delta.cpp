#include "compare/show_delta.h"

#include <unordered_set>

#include "common/names.h"
#include "common/text.h"
#include "compare/exe_name.h"

namespace hollin {
namespace {

// True when entry's counterpart in other is missing or has another command.
// Any error while looking up or comparing counts as a change.
bool Changed(const cRegEntry& entry, const cRegEntries& other) {
  try {
    return other.Item(entry.Ext())->ProgramFullPath() != entry.ProgramFullPath();
  } catch (...) {
    return true;
  }
}

}  // namespace

std::vector<ChangedItem> FindChanges(const cRegEntries& current, const cRegEntries& base) {
  std::vector<ChangedItem> changed;
  std::unordered_set<std::string> listed;
  for (const auto& c : current) {
    if (!Changed(*c, base)) continue;
    changed.push_back({c->Ext(), SetEXEName(c->ProgramFullPath())});
    listed.insert(FoldCase(c->Ext()));
  }
  for (const auto& b : base) {
    if (!Changed(*b, current)) continue;
    if (listed.insert(FoldCase(b->Ext())).second) changed.push_back({b->Ext(), "(none)"});
  }
  return changed;
}

std::string WelcomeText() {
  std::string t;
  t.append("Welcome to ").append(kProductName).append("! ").append(kAppTitle);
  t.append(" has just recorded a base list of the");
  t.append(" file types registered on your system and");
  t.append(" which applications are used to open them.");
  t.append("\r\r");
  t.append("For now, just close this program and continue with your work.");
  t.append(" The next time ").append(kAppTitle).append(" starts, it will");
  t.append(" notify you if any changes have been made");
  t.append(" to these file associations in your Windows Registry.");
  return t;
}

DeltaOutcome ShowDelta(General& g, DeltaFlags& flags, IDeltaWindow& w) {
  w.SetSecondColumn("Changed To Open With", 10);
  for (const auto& item : FindChanges(*g.CurrentEntries, *g.BaseEntries))
    w.AddRow(item.Ext, item.EXEName);

  const int rows = w.RowCount();
  if (rows == 0 && flags.NewDBCreated) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (g.HiddenStart) w.ShowMainWindow(false);
    w.SetInfo(WelcomeText());
    w.SetStatus(Led::Grey, "New BASE record created.");
    flags.NewDBCreated = false;
    return DeltaOutcome::Welcome;
  }
  if (rows == 0) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (g.HiddenStart) w.QuietStartNoChanges();
    std::string prefix = "OK! ";
    if (g.RestoreConfirmed) {
      prefix = "Base settings restored. ";
      g.RestoreConfirmed = false;
    } else if (flags.BaseUpdated) {
      prefix = "Updated BASE created. ";
      flags.BaseUpdated = false;
    }
    w.SetStatus(Led::Green, prefix + "No changed entries found.");
    return DeltaOutcome::NoChanges;
  }
  if (g.HiddenStart) w.ShowMainWindow(true);
  std::string prefix;
  if (g.RestoreConfirmed) {
    prefix = "Base settings restored. ";
    g.RestoreConfirmed = false;
  }
  w.SetStatus(Led::Red, prefix + std::to_string(rows) +
                            " CHANGED item(s) - select from list to view details.");
  g.HiddenStart = false;
  flags.ChangesPending = true;
  w.EnableAccept(true);
  return DeltaOutcome::Changes;
}

}  // namespace hollin
