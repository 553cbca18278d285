#include "registry/scan.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <iterator>
#include <thread>
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
// The most threads that read the root's keys at once.
constexpr unsigned kMostReaders = 4;

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

// Calls take(name) for each subkey of layer whose name is an entry's (a
// type's or a protocol's, see IsEntryName), in enumeration order. An index
// that cannot be read is passed over; after kMaxFailedIndexes failures in a
// row the listing ends.
template <class Take>
void EachEntryName(IRegistry& reg, HKEY layer, std::vector<char>& name, Take&& take) {
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
    const std::string_view entry(name.data(), std::min<size_t>(length, name.size()));
    if (IsEntryName(entry)) take(entry);
  }
}

// A type or protocol a layer names, by its folded name: as the layer spells
// it, and Explorer's choice for it with the place it was read.
struct LayerEntry {
  std::string name;
  std::string choice;
  AssocEntry::ChoicePlace at = AssocEntry::ChoicePlace::None;
};
using LayerEntries = std::unordered_map<std::string, LayerEntry>;

// What the root says of one of its keys: a type, or a name that may be a
// protocol's. Read by any of the readers; used in enumeration order.
struct RootKey {
  DWORD index = 0;   // where the root listed it
  LONG status = 0;   // of its listing: ERROR_SUCCESS, else why the name could not be read
  std::string name, folded;
  bool candidate = false;  // a protocol's name: is the key marked as one?
  bool marked = false;
  std::string rawProgramId, programId, commandKey, command;
  DWORD idType = REG_NONE, commandType = REG_NONE;
  VerbRead verb;
};

// The open command of key's verbs as ReadVerb left it, else read.
bool OpenCommandOf(IRegistry& reg, HKEY root, const std::string& key, const VerbRead& verb, std::string& command,
                   DWORD& type) {
  if (verb.openRead) {
    command = verb.openCommand;
    type = verb.openType;
    return verb.openFound;
  }
  HKEY opened = nullptr;
  const std::string path = key + std::string(kOpenCommandKey);
  if (reg.RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  command = ReadOpenValue(reg, opened, "", type);
  reg.RegCloseKey(opened);
  return true;
}

// A type's key in the root: its program identifier, then that identifier's
// verb and open command, else the type's own.
void ReadRootType(IRegistry& reg, HKEY root, RootKey& k) {
  // The identifier up to its first zero character, as Windows reads it.
  k.rawProgramId = ProgramIdView(ReadValue(reg, root, k.name, "", k.idType));
  k.programId = k.rawProgramId;
  if (k.programId.empty()) return;
  ReadVerb(reg, &root, 1, k.programId, k.verb);
  // The identifier counts where its verb that runs (VerbRuns) or its open
  // verb has a command.
  const bool open = OpenCommandOf(reg, root, k.programId, k.verb, k.command, k.commandType);
  if (open || VerbRuns(k.verb)) {
    // An identifier that names a path ("CLSID\{...}") is followed, as
    // Windows follows it, but its key is not recorded: a restore writes no
    // key but the type's own and those under one identifier's name.
    if (open && IsKeyName(k.programId)) k.commandKey = k.programId + std::string(kOpenCommandKey);
    return;
  }
  // The type's own open command, and its own verbs.
  VerbRead own;
  ReadVerb(reg, &root, 1, k.name, own);
  const bool ownOpen = OpenCommandOf(reg, root, k.name, own, k.command, k.commandType);
  if (ownOpen || VerbRuns(own)) {
    k.programId.clear();
    if (ownOpen) k.commandKey = k.name + std::string(kOpenCommandKey);
    k.verb = std::move(own);
  }
}

// A key whose name may be a protocol's: whether it is marked as one, and
// then its verb and open command.
void ReadRootCandidate(IRegistry& reg, HKEY root, RootKey& k) {
  HKEY key = nullptr;
  if (reg.RegOpenKeyExA(root, k.name.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD size = 0;
  k.marked = reg.RegQueryValueExA(key, kUrlProtocolValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
  reg.RegCloseKey(key);
  if (!k.marked) return;
  ReadVerb(reg, &root, 1, k.name, k.verb);
  if (OpenCommandOf(reg, root, k.name, k.verb, k.command, k.commandType))
    k.commandKey = k.name + std::string(kOpenCommandKey);
}

// Runs read(t) for t in 0..readers-1, each on a thread of its own but the
// first, which runs on this one; returns when all have, rethrowing the first
// error any met. Where no thread can be had, this one does that share too.
template <class Read>
void OnReaders(unsigned readers, Read&& read) {
  std::vector<std::thread> others;
  std::vector<std::exception_ptr> errors(readers);
  std::vector<unsigned> mine{0};
  for (unsigned t = 1; t < readers; ++t) {
    try {
      others.emplace_back([&, t] {
        try {
          read(t);
        } catch (...) {
          errors[t] = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      mine.push_back(t);
    }
  }
  for (const unsigned t : mine) {
    try {
      read(t);
    } catch (...) {
      errors[t] = std::current_exception();
    }
  }
  for (auto& other : others) other.join();
  for (const auto& error : errors)
    if (error) std::rethrow_exception(error);
}

// How many threads read the root: several where the registry allows it
// (each registry call is a round trip to the system, so their calls
// overlap), else one.
unsigned ReadersFor(const IRegistry& reg) {
  return reg.ConcurrentReads() ? std::clamp(std::thread::hardware_concurrency(), 1u, kMostReaders) : 1u;
}

// Lists the key at index of the root into k, and reads it where it is a
// type's. False where the root has no key there (or, for a name no type or
// protocol can have, ".", ".a\\b", "{...}": where it is passed over).
enum class Listed { Key, PassedOver, NoMore };
Listed ListIndex(IRegistry& reg, HKEY root, DWORD index, std::vector<char>& name, RootKey& k) {
  DWORD nameLength = 0;
  const LONG status = EnumName(reg, root, index, name, nameLength);
  if (status == ERROR_NO_MORE_ITEMS) return Listed::NoMore;
  k.index = index;
  k.status = status;
  if (status != ERROR_SUCCESS) return Listed::Key;
  // The key's name is used exactly as the registry gives it: trimming it
  // would read another key (".txt " is not ".txt") and make two keys one.
  std::string entry(name.data(), std::min<size_t>(nameLength, name.size()));
  if (!IsEntryName(entry)) return Listed::PassedOver;
  k.candidate = entry[0] != '.';
  k.name = std::move(entry);
  k.folded = FoldCase(k.name);
  if (!k.candidate) ReadRootType(reg, root, k);
  return Listed::Key;
}

// What the readers of the root listed: its keys in index order, and where
// each reader stopped (the first of its indexes it did not list) and why
// (the root had no key there, or its own indexes failed too often in a row).
struct Listing {
  unsigned readers = 1;
  std::vector<RootKey> keys;
  std::vector<DWORD> reached;
  std::vector<char> ranOut;
};

// Lists the root's keys and reads each type's as it is listed: reader t of
// readers takes the indexes t, t + readers, ..., each until the root has no
// more or kMaxFailedIndexes of its own indexes in a row failed.
Listing ListRoot(IRegistry& reg, HKEY root) {
  Listing out;
  out.readers = ReadersFor(reg);
  out.reached.assign(out.readers, 0);
  out.ranOut.assign(out.readers, 0);
  std::vector<std::vector<RootKey>> found(out.readers);
  std::atomic<DWORD> end{~DWORD{0}};  // the first index the root had no key at
  OnReaders(out.readers, [&](unsigned t) {
    std::vector<char> name(kNameBuffer);
    int failedInARow = 0;
    DWORD index = t;
    for (; index < end.load(std::memory_order_relaxed); index += out.readers) {
      RootKey k;
      const Listed listed = ListIndex(reg, root, index, name, k);
      if (listed == Listed::NoMore) {
        out.ranOut[t] = 1;
        for (DWORD seen = end.load(); index < seen && !end.compare_exchange_weak(seen, index);) {
        }
        break;
      }
      if (listed == Listed::PassedOver) {
        failedInARow = 0;
        continue;
      }
      const bool failed = k.status != ERROR_SUCCESS;
      found[t].push_back(std::move(k));
      if (!failed) failedInARow = 0;
      else if (++failedInARow == kMaxFailedIndexes) {
        index += out.readers;
        break;
      }
    }
    // Stopped by another reader's end of the root: this one's end too.
    if (!out.ranOut[t] && index >= end.load()) out.ranOut[t] = 1;
    out.reached[t] = index;
  });
  for (auto& mine : found) std::move(mine.begin(), mine.end(), std::back_inserter(out.keys));
  std::sort(out.keys.begin(), out.keys.end(), [](const RootKey& a, const RootKey& b) { return a.index < b.index; });
  return out;
}

// Reads whether each name is a protocol's (ReadRootCandidate), on as many
// threads as ListRoot.
void ReadCandidates(IRegistry& reg, HKEY root, const std::vector<RootKey*>& candidates) {
  std::atomic<size_t> next{0};
  OnReaders(candidates.size() > 64 ? ReadersFor(reg) : 1u, [&](unsigned) {
    for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < candidates.size();)
      ReadRootCandidate(reg, root, *candidates[i]);
  });
}

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
  std::unordered_set<std::string> taken;  // folded names of the entries read
  // The types and protocols the user classes hold keys for, and those
  // Explorer holds a choice for: the user classes hold a few hundred at
  // most, so one listing spares a look for each of the root's thousands;
  // Explorer keeps a key for every type ever opened, of which few hold a
  // choice, and only those count.
  LayerEntries inUser, inExplorer, userProtocols, chosenProtocols;
  // Every name the user classes hold that a protocol may have: where they
  // hold none of a protocol's, its machine classes are what the root shows.
  std::unordered_set<std::string> userNames;
  if (layers) {
    std::string path;
    EachEntryName(reg, layers->user, name, [&](std::string_view entry) {
      if (entry[0] == '.') {
        inUser.try_emplace(FoldCase(entry), LayerEntry{std::string(entry), {}, {}});
        return;
      }
      userNames.insert(FoldCase(entry));
      if (IsMarkedProtocol(reg, layers->user, entry))
        userProtocols.try_emplace(FoldCase(entry), LayerEntry{std::string(entry), {}, {}});
    });
    const auto choices = [&](HKEY explorer, bool types, LayerEntries& into) {
      EachEntryName(reg, explorer, name, [&](std::string_view entry) {
        if ((entry[0] == '.') != types) return;
        LayerEntry chosen{std::string(entry), {}, {}};
        chosen.choice = ReadExplorerChoice(reg, explorer, entry, path, &chosen.at);
        if (!chosen.choice.empty()) into.try_emplace(FoldCase(entry), std::move(chosen));
      });
    };
    choices(layers->fileExts, true, inExplorer);
    choices(layers->urlAssociations, false, chosenProtocols);
  }

  // The root's keys, listed and the types read (ListRoot), then taken in
  // index order, as one reader takes them: where a reader stopped after
  // failures of its own, its further indexes are listed here.
  Listing listing = ListRoot(reg, root);
  std::vector<RootKey> keys;
  keys.reserve(listing.keys.size());
  int failedInARow = 0;
  size_t next = 0;
  for (DWORD index = 0;; ++index) {
    RootKey k;
    const unsigned t = index % listing.readers;
    if (index < listing.reached[t]) {
      if (next == listing.keys.size() || listing.keys[next].index != index) {
        failedInARow = 0;  // a name passed over
        continue;
      }
      k = std::move(listing.keys[next++]);
    } else if (listing.ranOut[t]) {
      break;
    } else {
      const Listed listed = ListIndex(reg, root, index, name, k);
      if (listed == Listed::NoMore) break;
      if (listed == Listed::PassedOver) {
        failedInARow = 0;
        continue;
      }
    }
    if (k.status != ERROR_SUCCESS) {
      result.skipped.push_back({k.index, std::string(), k.status});
      if (++failedInARow == kMaxFailedIndexes) break;
      continue;
    }
    failedInARow = 0;
    // A name equal to one read already (a key made while the scan runs moves
    // the later ones up an index, listing one twice) would read that key
    // again.
    if (!taken.insert(k.folded).second) {
      result.skipped.push_back({k.index, std::move(k.name), ERROR_SUCCESS});
      continue;
    }
    keys.push_back(std::move(k));
  }
  // Whether the root listed every key it holds: then a type it did not list
  // has nothing there to read.
  const bool rootListedAll = result.skipped.empty() || std::all_of(result.skipped.begin(), result.skipped.end(),
                                                                   [](const auto& s) { return s.status == 0; });
  // The names a protocol may have: each is looked at for its mark, but for
  // those a type names as its program identifier, whose verb the type's read
  // (a mark added to one would let links run what that type runs, which is
  // guarded with the type).
  {
    std::unordered_set<std::string> identifiers;
    for (const auto& k : keys)
      if (!k.candidate && !k.rawProgramId.empty()) identifiers.insert(FoldCase(k.rawProgramId));
    std::vector<RootKey*> candidates;
    for (auto& k : keys)
      if (k.candidate && !identifiers.count(k.folded)) candidates.push_back(&k);
    ReadCandidates(reg, root, candidates);
  }

  // One type: what the root said of it, then its layers.
  const auto addType = [&](RootKey& k) {
    // Nothing runs for it, and no layer can say otherwise.
    if (k.command.empty() && !VerbRuns(k.verb) && !layers) return;
    auto entry = std::make_shared<AssocEntry>();
    // The command, already clean, is cleaned once more: a second trailing
    // zero character goes too.
    if (const auto clean = TrimRegView(k.command); clean.size() != k.command.size())
      k.command = std::string(clean);
    entry->ProgramID(std::move(k.programId));
    entry->OpenCmdRegKey(std::move(k.commandKey));
    entry->ProgramFullPath(std::move(k.command));
    entry->Ext(std::move(k.name));
    if (!k.rawProgramId.empty()) SetVerb(k.verb, *entry, true);
    else entry->VerbsRead(true);
    if (layers) {
      entry->ValueType(AssocEntry::kIdType, k.idType);
      entry->ValueType(AssocEntry::kCommandType, k.commandType);
      const auto chosen = inExplorer.find(k.folded);
      std::string choice;
      if (chosen != inExplorer.end()) {
        choice = std::move(chosen->second.choice);
        entry->ChoiceAt(chosen->second.at);
      }
      // Windows ignores a choice whose hash does not verify; only it can
      // tell, and where it names another program, that one opens the type.
      if (!choice.empty() && honoured) {
        const std::string used = honoured(entry->Ext());
        if (!used.empty() && !EqualsNoCase(used, choice)) {
          entry->IgnoredChoice(std::exchange(choice, std::string()));
          entry->ChoiceAt(AssocEntry::ChoicePlace::None);
        }
      }
      ReadLayers(reg, root, *layers, resolve, k.rawProgramId, inUser.count(k.folded) > 0, std::move(choice), *entry,
                 !k.rawProgramId.empty() && userNames.count(FoldCase(k.rawProgramId)) > 0);
    }
    // A type counts where something opens it: a command in the root, a
    // layer above the machine classes that names a program, or a verb that
    // runs whatever its name.
    if (entry->ProgramFullPath().empty() && entry->ChoiceProgID().empty() && entry->UserProgID().empty() &&
        entry->RunCommand().empty() && entry->Handler().empty())
      return;
    const std::string key = entry->Ext();
    result.entries->Add(std::move(entry), key);
  };
  // One protocol: its key in the root, then its layers.
  std::vector<RootKey*> protocols;
  for (auto& k : keys) {
    if (!k.candidate) addType(k);
    else if (k.marked) protocols.push_back(&k);
  }
  // The types that only the user classes or Explorer's choice name (Wine
  // shows no user classes in the root), in the order of their layers.
  std::vector<RootKey> extra;
  for (const auto* layer : {&inUser, &inExplorer}) {
    const size_t first = extra.size();
    for (const auto& [folded, type] : *layer)
      if (taken.insert(folded).second) {
        RootKey& k = extra.emplace_back();
        k.name = type.name;
        k.folded = folded;
      }
    std::sort(extra.begin() + static_cast<std::ptrdiff_t>(first), extra.end(),
              [](const RootKey& a, const RootKey& b) { return CompareNoCase(a.name, b.name) < 0; });
  }
  if (!rootListedAll)
    for (auto& k : extra) ReadRootType(reg, root, k);
  for (auto& k : extra) addType(k);

  // The protocols: those the root marks, in its order, then those only the
  // user classes hold or Explorer chose, by name.
  const size_t firstExtra = protocols.size();
  std::vector<RootKey> onlyInLayers;
  onlyInLayers.reserve(userProtocols.size() + chosenProtocols.size());
  for (const auto* layer : {&userProtocols, &chosenProtocols})
    for (const auto& [folded, protocol] : *layer)
      if (taken.insert(folded).second) {
        RootKey& k = onlyInLayers.emplace_back();
        k.name = protocol.name;
        k.folded = folded;
        k.candidate = true;
        if (!rootListedAll) ReadRootCandidate(reg, root, k);
      }
  for (auto& k : onlyInLayers) protocols.push_back(&k);
  std::sort(protocols.begin() + static_cast<std::ptrdiff_t>(firstExtra), protocols.end(),
            [](const RootKey* a, const RootKey* b) { return CompareNoCase(a->name, b->name) < 0; });
  for (RootKey* k : protocols) {
    auto entry = std::make_shared<AssocEntry>();
    entry->Ext(k->name);
    entry->OpenCmdRegKey(std::move(k->commandKey));
    entry->ProgramFullPath(std::string(TrimRegView(k->command)));
    entry->ValueType(AssocEntry::kCommandType, k->commandType);
    SetVerb(k->verb, *entry, true);
    if (layers) {
      const auto chosen = chosenProtocols.find(k->folded);
      std::string choice;
      if (chosen != chosenProtocols.end()) {
        choice = std::move(chosen->second.choice);
        entry->ChoiceAt(chosen->second.at);
      }
      if (!choice.empty() && honoured) {
        const std::string used = honoured(entry->Ext());
        if (!used.empty() && !EqualsNoCase(used, choice)) {
          entry->IgnoredChoice(std::exchange(choice, std::string()));
          entry->ChoiceAt(AssocEntry::ChoicePlace::None);
        }
      }
      ReadProtocolLayers(reg, root, *layers, resolve, std::move(choice), userNames.count(k->folded) > 0, *entry);
    } else {
      entry->OpenerCommand(entry->ProgramFullPath());
    }
    const std::string key = entry->Ext();
    result.entries->Add(std::move(entry), key);
  }
  return result;
}

}  // namespace hollin
