#include "ui/history_view.h"

#include "common/file_system.h"
#include "compare/changed_when.h"
#include "compare/changes.h"
#include "messages/messages.h"

namespace hollin::ui {
namespace {

// What newer changed of an earlier base, as the list and the panel say it;
// "?" where either is not known.
std::string NextChanges(const AssocEntries* newer, const AssocEntries* earlier) {
  if (!newer || !earlier) return "?";
  const TypeChanges next = ChangesBetween(*newer, *earlier);
  return msg::GenerationChanges(next.changed, next.added, next.removed);
}

}  // namespace

HistoryList HistoryRows(const std::vector<Generation>& generations, const std::vector<Generation>& foreign,
                        const AssocEntries* base) {
  HistoryList list;
  const AssocEntries* newer = base;
  for (const Generation& gen : generations) {
    std::string text;
    if (!gen.entries) {
      ++list.damaged;
      text = LocalMinute(gen.recorded) + " - " + msg::kGenerationDamaged;
    } else {
      text = msg::HistoryListText(LocalMinute(gen.recorded), gen.entries->Count(), NextChanges(newer, gen.entries.get()));
    }
    list.rows.push_back({std::to_string(gen.number), std::move(text)});
    newer = gen.entries.get();
  }
  for (const Generation& f : foreign) list.rows.push_back({msg::kForeignRow, msg::ForeignInHistoryText(FileNameOf(f.path))});
  return list;
}

std::string HistoryPanel(const std::vector<Generation>& generations, size_t at, const AssocEntries* base,
                         const std::function<bool(const std::string&)>& fits) {
  const Generation& gen = generations[at];
  const AssocEntries* newer = at == 0 ? base : generations[at - 1].entries.get();
  const std::string changes = gen.entries ? NextChanges(newer, gen.entries.get()) : std::string("?");
  const auto panel = [&](const std::string& told) {
    return msg::GenerationPanel(gen.number, LocalMinute(gen.recorded), gen.path,
                                gen.entries ? gen.entries->Count() : 0, told, msg::BaseFileText(gen.problem));
  };
  std::string whole = panel(changes);
  if (!fits || fits(whole)) return whole;
  // The most words of the changes that fit, found by halving.
  std::vector<size_t> ends;  // where each word ends
  for (size_t i = changes.find(' '); i != std::string::npos; i = changes.find(' ', i + 1)) ends.push_back(i);
  size_t low = 0, high = ends.size();  // ends[low - 1] fits (none: no word); ends[high] does not
  const auto cut = [&](size_t n) { return n == 0 ? std::string("...") : changes.substr(0, ends[n - 1]) + " ..."; };
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (fits(panel(cut(mid)))) low = mid;
    else high = mid - 1;
  }
  return panel(cut(low));
}

}  // namespace hollin::ui
