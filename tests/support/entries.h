// A collection of associations from (type, command) pairs, for the tests of
// what compares and shows collections.
#pragma once

#include <initializer_list>
#include <memory>
#include <utility>

#include "registry/reg_entry.h"

namespace hollin::test {

inline std::shared_ptr<AssocEntries> Entries(std::initializer_list<std::pair<const char*, const char*>> items) {
  auto entries = std::make_shared<AssocEntries>();
  for (const auto& [ext, command] : items) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(ext);
    e->ProgramFullPath(command);
    entries->Add(e, ext);
  }
  return entries;
}

}  // namespace hollin::test
