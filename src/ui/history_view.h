// The History view of the main window: the earlier bases, newest first, each
// with what the base after it changed of it, and the files that only look
// like generations after them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/generations.h"

namespace hollin::ui {

struct HistoryRow {
  std::string number;  // the generation's number; the foreign files' mark
  std::string text;    // when it was recorded, its types and the changes of the next base
};

struct HistoryList {
  std::vector<HistoryRow> rows;
  size_t damaged = 0;  // generations that cannot be used
};

// The rows for generations (newest first) and the foreign files, the
// changes of each told against the base after it (base: the current one;
// null where it is not known).
HistoryList HistoryRows(const std::vector<Generation>& generations, const std::vector<Generation>& foreign,
                        const AssocEntries* base);

// The panel of generation at (an index into generations), its changes told
// against the base after it. Where fits says the panel is too tall for its
// label, the changes are cut short after as many names as let it fit, with
// "..." after them, so that the lines after them still show.
std::string HistoryPanel(const std::vector<Generation>& generations, size_t at, const AssocEntries* base,
                         const std::function<bool(const std::string&)>& fits = nullptr);

}  // namespace hollin::ui
