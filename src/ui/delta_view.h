// The changes view of the main window: the changed types that compare finds
// (FindChanges), listed, and the whole state of the window that follows from
// them.
//
// ShowDelta runs every time the changes view is built (start-up, Refresh,
// after a restore or an accept). It acts on the window only through
// IDeltaWindow, in this order: the second column, the rows, then the outcome
// (the action controls, a quiet start's ending, the detail text, the status
// panel).
#pragma once

#include <string>
#include <vector>

#include "base/associations.h"
#include "compare/changes.h"

namespace hollin::ui {

// The LED beside the status text: grey (idle, a first run, a view of all
// settings), yellow (working), red (changes), green (no changes).
enum class Led { Grey = 0, Yellow = 1, Red = 2, Green = 3 };

// What ShowDelta does to the main window (and, in a quiet start, to the
// status window).
class IDeltaWindow {
 public:
  virtual ~IDeltaWindow() = default;
  // The second column's caption; its width is the caption's width in the
  // window's font plus extraTwips. The list is repainted.
  virtual void SetSecondColumn(const std::string& caption, int extraTwips) = 0;
  // A row; a protocol's (link) is listed apart from the file types. latent:
  // what opens it is the same, a layer that does not decide changed; the
  // row says so in its signals.
  virtual void AddRow(const std::string& text, const std::string& subItem, bool link, bool latent = false) = 0;
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
  // One-shot: what the next changes view reports (a first run's new base,
  // an accept, a confirmed restore), each cleared as its outcome reports it.
  bool NewDBCreated = false;
  bool BaseUpdated = false;
  bool RestoreConfirmed = false;
  // Changes are listed: closing the window asks whether to accept them.
  bool ChangesPending = false;
  // A quiet start ("-h") whose main window has not been painted yet.
  bool HiddenStart = false;
  // The types the guard's notice asked to review: the changes view lists
  // only these (none: every change).
  std::vector<std::string> ReviewTypes;
  // The check recorded the links (and the verbs) with a base of an earlier
  // format: the status says so once.
  bool LinksNowGuarded = false;
  // With RestoreConfirmed: the restore did not write all it meant to (a
  // write refused, or Explorer's choice left to Windows).
  bool RestoreIncomplete = false;
};

enum class DeltaOutcome { Welcome, NoChanges, Changes };

// Lists the changed types in the window and settles its state: A, the
// welcome after a first run; B, no changes; C, changes listed. Latent
// changes are listed too but decide no outcome: they are counted apart
// after the status, and Accept records them. Consumes the
// one-shot report flags (NewDBCreated, RestoreConfirmed, BaseUpdated) as
// their outcome reports them, and in a quiet start decides whether the main
// window comes up. The list must be empty when it is called.
DeltaOutcome ShowDelta(const std::vector<ChangedItem>& changes, DeltaFlags& flags, IDeltaWindow& w);

}  // namespace hollin::ui
