// Change detection: which file types open with another command than the BASE
// records, and the whole state of the main window that follows from it.
//
// ShowDelta runs every time the changes view is built (start-up, Refresh,
// after a restore or an accept). It reads the registry and the base file only
// through the two collections the scan and the base load have just filled,
// and acts on the window only through IDeltaWindow, in this order: the second
// column, the rows, then the outcome (the action controls, a quiet start's
// ending, the detail text, the status panel).
#pragma once

#include <string>
#include <vector>

#include "common/status_sink.h"
#include "compare/app_state.h"

namespace hollin {

// One changed type: the extension as spelled in the entry found changed, and
// the text for the list's second column.
struct ChangedItem {
  std::string Ext;
  std::string EXEName;
};

// Whether two entries of a type differ in what opens it: the merged class
// root's command, and, where both were read with their layers, the program
// identifier in force (without regard to case) and its command. A change in
// a layer that does not decide is no change of what opens the type.
bool OpensDifferently(const AssocEntry& a, const AssocEntry& b);

// The name shown for what opens an entry's type: a packaged app's name (or
// an unregistered identifier), else the program of the command in force.
std::string OpenerOf(const AssocEntry& entry);

// What opens an entry's type and the layer that decides, for the detail
// panel ("grab (Explorer's choice)"); "" where it was read without layers or
// no layer says anything.
std::string DescribeOpener(const AssocEntry& entry);

// The layers' program identifiers in one line for the detail panel: each
// layer once where both sides agree, else "before -> now" ("choice
// AppXq4m8... -> Grab.Doc, user -, machine Reader.Document"); long
// identifiers are shortened. A side may be missing; "" where neither has
// layers to show.
std::string DescribeLayers(const AssocEntry* now, const AssocEntry* before);

// The changed types in the order they are found: first the CURRENT entries
// that open differently from BASE or that BASE lacks (with the program that
// now opens them), then the BASE entries that CURRENT lacks (with "(none)").
// Commands compare exactly; extensions match without regard to letter case,
// so a type is never listed twice.
std::vector<ChangedItem> FindChanges(const AssocEntries& current, const AssocEntries& base);

// What ShowDelta does to the main window (and, in a quiet start, to the
// status window).
class IDeltaWindow {
 public:
  virtual ~IDeltaWindow() = default;
  // The second column's caption; its width is the caption's width in the
  // window's font plus extraTwips. The list is repainted.
  virtual void SetSecondColumn(const std::string& caption, int extraTwips) = 0;
  virtual void AddRow(const std::string& text, const std::string& subItem) = 0;
  virtual int RowCount() const = 0;
  // fraAction, cmdAccept, lblAccept and mnuAccept together.
  virtual void EnableAccept(bool enabled) = 0;
  // A quiet start that has something to show: the main window comes up (not
  // modal), the status window is unloaded, and with beep the system beeps.
  virtual void ShowMainWindow(bool beep) = 0;
  // A quiet start without changes: the status window shows the green LED and
  // "OK!" over "No changes found.", and the timer that ends the program runs.
  virtual void QuietStartNoChanges() = 0;
  virtual void SetInfo(const std::string& text) = 0;
  virtual void SetStatus(Led led, const std::string& text) = 0;
};

// The main window's own flags that change detection reads and sets.
struct DeltaFlags {
  bool NewDBCreated = false;
  bool BaseUpdated = false;
  bool ChangesPending = false;
};

enum class DeltaOutcome { Welcome, NoChanges, Changes };

// The first-run welcome text for the detail panel.
std::string WelcomeText();

// Lists the changed types in the window and settles its state: A, the
// welcome after a first run; B, no changes; C, changes listed. Consumes the
// one-shot report flags (NewDBCreated, g.RestoreConfirmed, BaseUpdated) as
// their outcome reports them, and in a quiet start decides whether the main
// window comes up. The list must be empty when it is called.
DeltaOutcome ShowDelta(AppState& g, DeltaFlags& flags, IDeltaWindow& w);

}  // namespace hollin
