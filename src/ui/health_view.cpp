#include "ui/health_view.h"

#include <algorithm>

namespace hollin::ui {

std::vector<HealthRow> HealthRows(const AssocEntries& current, Assessor& assessor) {
  std::vector<HealthRow> rows;
  for (const auto& c : current) {
    if (c->Unreadable()) continue;  // nothing of it is known to assess
    Assessment a = assessor.Assess(*c);
    if (std::none_of(a.signals.begin(), a.signals.end(), CountsForHealth)) continue;
    rows.push_back({c.get(), std::move(a)});
  }
  return rows;
}

}  // namespace hollin::ui
