#include "guard/notice_hand_over.h"

#include <utility>

namespace hollin::guard {

void NoticeHandOver::Show(NoticeView view, Millis now) {
  view_ = std::move(view);
  if (state_ != State::None && processes_.Ended()) {
    // It ended by itself (closed from outside, or it failed).
    processes_.Go(false);
    state_ = State::None;
  }
  switch (state_) {
    case State::None:
      failed_ = 0;
      Launch(now);
      break;
    case State::There:
      if (processes_.Hand(*view_)) view_->forward = false;
      else Replace(now);  // its window did not take the view: another process shows it
      break;
    case State::Starting: break;  // handed over when its window is there
  }
}

void NoticeHandOver::Hide() {
  view_.reset();
  if (state_ != State::There) return;
  processes_.Go(true);
  state_ = State::None;
}

void NoticeHandOver::Here(Millis now) {
  if (state_ != State::Starting) return;
  state_ = State::There;
  if (!view_) return Hide();  // the notice went while the process started
  if (processes_.Hand(*view_)) {
    view_->forward = false;
    failed_ = 0;
    return;
  }
  Replace(now);
}

void NoticeHandOver::Tick(Millis now) {
  if (state_ != State::Starting) return;
  if (!processes_.Ended() && now - startedAt_ < startLimit_) return;
  Replace(now);
}

void NoticeHandOver::Replace(Millis now) {
  processes_.Go(false);
  state_ = State::None;
  if (!view_) return;
  if (++failed_ < tries_) return Launch(now);
  failed_ = 0;
  processes_.Balloon(*view_);
}

void NoticeHandOver::Launch(Millis now) {
  if (!processes_.Start()) {
    // No process started (no memory, the program's file replaced under
    // the running guard): the balloon says it at once.
    processes_.Balloon(*view_);
    return;
  }
  state_ = State::Starting;
  startedAt_ = now;
}

}  // namespace hollin::guard
