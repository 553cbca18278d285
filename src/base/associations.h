// The program-wide state: the CURRENT and BASE collections and the base file
// the load and save work on. The program makes one; every test makes a fresh
// one. What a caller keeps beyond it is its own.
#pragma once

#include <memory>
#include <string>

#include "registry/reg_entry.h"

namespace hollin {

// The program's own base file, without its ".isd".
inline constexpr const char* kBaseFileName = "Prev";

struct Associations {
  std::shared_ptr<AssocEntries> CurrentEntries = std::make_shared<AssocEntries>();
  std::shared_ptr<AssocEntries> BaseEntries = std::make_shared<AssocEntries>();
  // The format version of the base last loaded or saved (0: none yet).
  // Before version 3 a base records no protocols and no verbs, before
  // version 4 no Explorer's choice that Windows did not honour: nothing of
  // them counts as changed against it.
  int BaseFormat = 0;
  // The base file the load and save work on, without its extension: "Prev" in
  // the current folder (the program's), or one named on the command line.
  std::string BaseFile = kBaseFileName;
  // The base file's extension: ".isd", or what a file named on the command
  // line has ("copy.bak" is BaseFile "copy" with ".bak"; "" for a name
  // without one).
  std::string BaseExtension = ".isd";
  // A base the program can no longer write (beside a program in a folder it
  // may not write): the load reads it while BaseFile does not exist yet, and
  // nothing ever writes it. "" for none.
  std::string FormerBaseFile;
};

}  // namespace hollin
