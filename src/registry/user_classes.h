// What the user classes (HKCU\Software\Classes, the user's class hive) give
// the scan, read as one text: the guard compares it with the text read at
// its last check to tell whether a write into the hive (Explorer writes its
// folder views, MuiCache and app-model data there all the time) changed
// anything a check reads, without reading the machine classes' thousands of
// keys. A key's last-write time tells nothing here (it changes only with
// the key's own values and direct subkeys): everything is read.
//
// For each key directly under the user classes, in the order the registry
// lists them, and for each key of paths (program identifiers that name a
// key further down, "Applications\app.exe"): its name, all its values, all
// values of its "Application" key and of its "shell" key, the shell key's
// verbs with all their values, and all values of each verb's "command" key.
// That is all the scan reads there (a type's or protocol's key, its mark as
// a protocol, an identifier's verbs and commands, a packaged app's names)
// and a little more. A key that cannot be opened or listed is in the text
// with the status the registry gave, so that a change of its rights
// counts too.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

std::string ReadUserClassesState(IRegistry& reg, const std::vector<std::string>& paths);
// The same of a classes key opened for reading.
std::string ReadUserClassesState(IRegistry& reg, HKEY classes, const std::vector<std::string>& paths);

// The program identifiers the entries of each collection name that are paths
// of more than one key (each layer's, Explorer's choice, one set aside),
// without repeats; a null collection names none.
std::vector<std::string> DeepIdentifiers(std::initializer_list<const AssocEntries*> collections);

}  // namespace hollin
