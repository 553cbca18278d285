#include "registry/scan.h"

#include <algorithm>
#include <utility>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/text.h"

#include "registry/layers.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

constexpr DWORD kNameBuffer = 256;
// A name takes at most three bytes of WTF-8 per UTF-16 unit; the retry
// doubles up to this much.
constexpr DWORD kLargestName = 4096;

// Whether the key of path can be opened for querying; when it can, its
// default value goes into value, read through the handle the test opened
// (the same text as a read by path, with fewer calls into the registry).
bool OpenAndRead(IRegistry& reg, HKEY root, const std::string& path, std::string& value, DWORD& type) {
  HKEY key = nullptr;
  if (reg.RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  value = ReadOpenValue(reg, key, "", type);
  reg.RegCloseKey(key);
  return true;
}

// The name of the subkey at index into name: the usual buffer first, then,
// for a name that does not fit, larger ones. The count is only trusted when
// the registry raised it.
LONG EnumName(IRegistry& reg, HKEY root, DWORD index, std::vector<char>& name, DWORD& length) {
  for (;;) {
    length = static_cast<DWORD>(name.size());
    const LONG status =
        reg.RegEnumKeyExA(root, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_MORE_DATA || name.size() >= kLargestName) return status;
    name.resize(std::min<size_t>(kLargestName, std::max<size_t>(name.size() * 2, length + size_t{1})));
  }
}

// Calls take(name) for each subkey of layer whose name is a type's (see
// IsTypeName), in enumeration order. An index that cannot be read is passed over; after
// kMaxFailedIndexes failures in a row the listing ends.
template <class Take>
void EachType(IRegistry& reg, HKEY layer, std::vector<char>& name, Take&& take) {
  if (!layer) return;
  int failedInARow = 0;
  for (DWORD index = 0;; ++index) {
    DWORD length = 0;
    const LONG status = EnumName(reg, layer, index, name, length);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      if (++failedInARow == kMaxFailedIndexes) break;
      continue;
    }
    failedInARow = 0;
    if (name[0] != '.') continue;
    const std::string_view ext(name.data(), std::min<size_t>(length, name.size()));
    if (IsTypeName(ext)) take(ext);
  }
}

// A type a layer names, by its folded name: as the layer spells it, and
// Explorer's choice for it.
struct LayerType {
  std::string ext;
  std::string choice;
};
using LayerTypes = std::unordered_map<std::string, LayerType>;

}  // namespace

std::string ReadDefaultValue(IRegistry& reg, HKEY root, const std::string& path) {
  DWORD type;
  return ReadValue(reg, root, path, "", type);
}

ScanResult ScanCurrentEntries(IRegistry& reg, HKEY root, const ClassLayers* layers,
                              const IndirectStringResolver& resolve, const HonouredIdentifier& honoured) {
  ScanResult result;
  result.entries = std::make_shared<AssocEntries>();
  std::vector<char> name(kNameBuffer);
  std::unordered_set<std::string> taken;  // folded names of the types read
  std::string viaProgramId;
  std::string viaExtension;
  // The types the user classes hold keys for, and those Explorer holds a
  // choice for: the user classes hold a few hundred at most, so one listing
  // spares a look for each of the root's thousands; Explorer keeps a key for
  // every type ever opened, of which few hold a choice, and only those count.
  LayerTypes inUser, inExplorer;
  if (layers) {
    EachType(reg, layers->user, name, [&](std::string_view ext) {
      inUser.try_emplace(FoldCase(ext), LayerType{std::string(ext), {}});
    });
    std::string path;
    EachType(reg, layers->fileExts, name, [&](std::string_view ext) {
      std::string choice = ReadExplorerChoice(reg, layers->fileExts, ext, path);
      if (!choice.empty())
        inExplorer.try_emplace(FoldCase(ext), LayerType{std::string(ext), std::move(choice)});
    });
  }
  // Whether the root listed every type it holds: then a type it did not list
  // has nothing there to read.
  bool rootListedAll = true;
  // One type: what the root says of it, then its layers.
  auto readType = [&](std::string ext, const std::string& folded, bool inRoot) {
    DWORD idType = REG_NONE, commandType = REG_NONE;
    // The identifier up to its first zero character, as Windows reads it.
    const std::string rawProgramId(inRoot ? ProgramIdView(ReadValue(reg, root, ext, "", idType)) : "");
    std::string programId = rawProgramId;
    std::string commandKey;
    std::string command;
    if (!programId.empty()) {
      viaProgramId.assign(programId).append(kOpenCommandKey);
      if (OpenAndRead(reg, root, viaProgramId, command, commandType)) {
        // An identifier that names a path ("CLSID\{...}") is followed, as
        // Windows follows it, but its key is not recorded: a restore writes
        // no key but the type's own and those under one identifier's name.
        if (IsKeyName(programId)) commandKey = viaProgramId;
      } else {
        viaExtension.assign(ext).append(kOpenCommandKey);
        if (OpenAndRead(reg, root, viaExtension, command, commandType)) {
          programId.clear();
          commandKey = viaExtension;
        }
      }
    }
    // The command, already clean, is cleaned once more: a second trailing
    // zero character goes too.
    if (const auto clean = TrimRegView(command); clean.size() != command.size())
      command = std::string(clean);
    if (command.empty() && !layers) return;  // nothing opens it, and no layer can say otherwise

    auto entry = std::make_shared<AssocEntry>();
    entry->ProgramID(std::move(programId));
    entry->OpenCmdRegKey(std::move(commandKey));
    entry->ProgramFullPath(std::move(command));
    entry->Ext(std::move(ext));
    if (layers) {
      entry->ValueType(AssocEntry::kIdType, idType);
      entry->ValueType(AssocEntry::kCommandType, commandType);
      const auto chosen = inExplorer.find(folded);
      std::string choice = chosen == inExplorer.end() ? std::string() : std::move(chosen->second.choice);
      // Windows ignores a choice whose hash does not verify; only it can
      // tell, and where it names another program, that one opens the type.
      if (!choice.empty() && honoured) {
        const std::string used = honoured(entry->Ext());
        if (!used.empty() && !EqualsNoCase(used, choice)) entry->IgnoredChoice(std::exchange(choice, std::string()));
      }
      ReadLayers(reg, root, *layers, resolve, rawProgramId, inUser.count(folded) > 0, std::move(choice), *entry);
    }
    // A type counts where something opens it: a command in the root, or a
    // layer above the machine classes that names a program.
    if (entry->ProgramFullPath().empty() && entry->ChoiceProgID().empty() && entry->UserProgID().empty())
      return;
    const std::string key = entry->Ext();
    result.entries->Add(std::move(entry), key);
  };

  int failedInARow = 0;
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = 0;
    const LONG status = EnumName(reg, root, index, name, nameLength);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      result.skipped.push_back({index, std::string(), status});
      rootListedAll = false;
      if (++failedInARow == kMaxFailedIndexes) break;
      continue;
    }
    failedInARow = 0;
    // The key's name is used exactly as the registry gives it: trimming it
    // would read another key (".txt " is not ".txt") and make two keys one.
    // A name no file's type can have (".", ".a\\b") is passed over.
    if (name[0] != '.') continue;
    std::string ext(name.data(), std::min<size_t>(nameLength, name.size()));
    if (!IsTypeName(ext)) continue;
    // A name equal to one read already (a key made while the scan runs moves
    // the later ones up an index, listing one twice) would read that key
    // again.
    std::string folded = FoldCase(ext);
    if (!taken.insert(folded).second) {
      result.skipped.push_back({index, std::move(ext), ERROR_SUCCESS});
      continue;
    }
    readType(std::move(ext), folded, true);
  }
  // The types that only the user classes or Explorer's choice name (Wine
  // shows no user classes in the root), in the order of their layers.
  for (const auto* layer : {&inUser, &inExplorer}) {
    std::vector<std::pair<std::string, std::string>> extra;
    for (const auto& [folded, type] : *layer)
      if (!taken.count(folded)) extra.emplace_back(type.ext, folded);
    std::sort(extra.begin(), extra.end(),
              [](const auto& a, const auto& b) { return CompareNoCase(a.first, b.first) < 0; });
    for (auto& [ext, folded] : extra) {
      taken.insert(folded);
      readType(std::move(ext), folded, !rootListedAll);
    }
  }
  return result;
}

}  // namespace hollin
