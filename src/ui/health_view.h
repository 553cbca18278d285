// The Health Check view of the main window: every type whose program shows a
// signal that counts for health (CountsForHealth), with its signals, in the
// order of the current entries.
#pragma once

#include <string>
#include <vector>

#include "registry/reg_entry.h"
#include "risk/risk.h"

namespace hollin::ui {

struct HealthRow {
  const AssocEntry* entry;
  Assessment assessment;
};

// The rows of the view; each type's program assessed once.
std::vector<HealthRow> HealthRows(const AssocEntries& current, Assessor& assessor);

}  // namespace hollin::ui
