// The hand-over between the guard and the process that shows its notice
// (guard/win32_notice.h), as the guard keeps track of it: a process started
// for a notice, the view handed to its window once the window says it is
// there, a later view handed to the window shown, the process told to go
// when the notice goes.
//
// Portable: the binding (guard/win32_guard.cpp) does what it is asked
// through INoticeProcesses and tells the hand-over what happened; a test
// plays the processes. No view is dropped while the guard still has it to
// say: a process that does not take it, ends before its window comes, or
// whose window does not come in time, is replaced, and where processes in a
// row showed nothing the icon's balloon says it.
#pragma once

#include <optional>

#include "guard/notice.h"
#include "guard/settle.h"

namespace hollin::guard {

class INoticeProcesses {
 public:
  virtual ~INoticeProcesses() = default;
  // Starts a process for the notice; whether one started.
  virtual bool Start() = 0;
  // Hands the view to the window of the process there; whether it took it.
  virtual bool Hand(const NoticeView& view) = 0;
  // The process goes: where its window said it is there, the window is
  // told to go (and, with wait, the process waited for a moment); one
  // whose window never came is ended. The binding lets go of it.
  virtual void Go(bool wait) = 0;
  // Whether the process started last has ended.
  virtual bool Ended() = 0;
  // Says the view in the icon's balloon: no window could show it.
  virtual void Balloon(const NoticeView& view) = 0;
};

class NoticeHandOver {
 public:
  // A process whose window has not said it is there within startLimit
  // after its start is taken as stuck; after tries processes in a row
  // showed nothing, the balloon says the view.
  explicit NoticeHandOver(INoticeProcesses& processes, Millis startLimit = 15000, int tries = 3)
      : processes_(processes), startLimit_(startLimit), tries_(tries) {}

  // The notice is to show view, in place of what it shows.
  void Show(NoticeView view, Millis now);
  // The notice goes. A process still starting is told when its window is
  // there.
  void Hide();
  // The window of the process started last says it is there.
  void Here(Millis now);
  // Called now and then while Starting(): a process that ended, or whose
  // window did not come in time, is replaced.
  void Tick(Millis now);

  // A process was started whose window has not said it is there yet.
  bool Starting() const { return state_ == State::Starting; }
  // A process's window is there (shown, or told to go).
  bool There() const { return state_ == State::There; }

 private:
  enum class State { None, Starting, There };
  // The process did not show the view: another one does, or the balloon.
  void Replace(Millis now);
  void Launch(Millis now);

  INoticeProcesses& processes_;
  Millis startLimit_;
  int tries_;
  State state_ = State::None;
  Millis startedAt_ = 0;
  int failed_ = 0;  // processes in a row that showed nothing
  std::optional<NoticeView> view_;
};

}  // namespace hollin::guard
