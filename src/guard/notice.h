// What the guard says when a change set has settled: one notice for all the
// types that changed, however many ("2,000 file types now open with Grab
// (.pdf, .txt, ...)"), with what it restored at once where the user asked it
// to.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/reg_entry.h"

namespace hollin::guard {

struct Notice {
  // The types newly changed, in the order found, with what opens each now
  // (null: nothing opens it any more): what Keep takes into the base.
  std::vector<std::string> types;
  std::vector<std::shared_ptr<const AssocEntry>> now;
  // Restored at once ("Always restore"): written back and found as the base
  // has them by a check afterwards.
  std::vector<std::string> restored;
  // Not restored: the registry refused a write (the layer needs rights the
  // user lacks), or Explorer's choice changed, which only Settings may set.
  std::vector<std::string> refused;
  std::vector<std::string> choices;
  // What stopped the guard's check or answer ("" for nothing): the base
  // file damaged or not writable, say.
  std::string problem;
  // When the guard saw the change set settle, seconds since 1970.
  long long seconds = 0;

  bool empty() const {
    return types.empty() && restored.empty() && refused.empty() && choices.empty() && problem.empty();
  }
};

// A count with thousands separated by commas ("2,000").
std::string Count(size_t n);

// The notice as one text, a sentence a line: what opens the changed types
// now ("3 file types now open with Grab (.pdf, .txt, .rtf)", the program
// named where they share one, at most ten types named), what was restored,
// what was refused and what only Settings can set (msg::GuardNotice).
std::string NoticeText(const Notice& notice);

// Adds a later notice to one not yet answered: a type once (the later
// state), the lists of both.
void Merge(Notice& into, const Notice& later);

// What the notice's window shows, as the guard hands it to the process that
// shows it: the text, whether Review and Keep are offered, whether Settings
// is, and whether the window is to come to the front.
struct NoticeView {
  std::string text;
  bool answers = false;
  bool settings = false;
  bool forward = false;
};

// The view as the bytes that cross to the notice's process, and back. Any
// process may send the window such bytes: what is not a view (too short,
// another mark, flags unknown, a text over 1 MB) reads as none.
std::string PackNoticeView(const NoticeView& view);
std::optional<NoticeView> UnpackNoticeView(std::string_view bytes);

}  // namespace hollin::guard
