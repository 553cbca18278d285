#include "compare/check.h"

#include <map>

namespace hollin {

ScanResult ScanCurrent(IRegistry& reg, IPlatform& platform) {
  // The layers are read directly (Wine merges none of them into the class
  // root).
  OpenClassLayers layers(reg);
  std::map<std::string, std::string> names;
  return ScanCurrentEntries(
      reg, HKEY_CLASSES_ROOT, &layers.layers(),
      [&](const std::string& source) {
        const auto [it, fresh] = names.try_emplace(source);
        if (fresh) it->second = platform.LoadIndirectString(source);
        return it->second;
      },
      [&](const std::string& ext) {
        std::string progId, command;
        platform.AskWhatOpens(ext, progId, command);
        return progId;
      });
}

RestoreResult RestoreTypes(IRegistry& reg, const AssocEntries& base, const AssocEntries& current,
                           const std::vector<std::string>& exts) {
  RestoreResult result;
  for (const auto& ext : exts) {
    const AssocEntry* b = base.Lookup(ext);
    if (!b) continue;  // a type the base does not know: nothing to restore
    RestoreLayers(reg, *b, current.Lookup(ext), result);
    RestoreEntry(reg, *b, result);
  }
  return result;
}

}  // namespace hollin
