#include "registry/scan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
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
// The threads that read the classes' keys at once where the registry allows
// it, beside the one that lists them.
constexpr unsigned kReaders = 2;

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
  std::string used;    // the identifier the system itself uses for it, where asked
  bool asked = false;  // whether the system was asked
  bool refused = false;  // a key of the choice is there but may not be read
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
  // The key is there, in the layer refusedAt, but may not be read: what
  // opens it is unknown. refusedPath: where another key read for it refused
  // (its identifier's, a shell, verb or command key), that key's path under
  // the layer.
  bool refused = false;
  AssocEntry::Layer refusedAt = AssocEntry::Layer::Classes;
  std::string refusedPath;
};

// Where the scan reads a key of the classes: where the machine classes
// were listed, each layer itself, as Windows merges them into the class
// root (the user classes' key and value first, value by value, then the
// machine classes'): the user classes are asked only where they hold a key
// of the path's first name. Else (the user classes could not all be listed)
// in the root.
struct Reader {
  HKEY root = nullptr;
  HKEY machine = nullptr;
  HKEY user = nullptr;
  const std::unordered_set<std::string>* userNames = nullptr;  // folded
  VerbReads* verbs = nullptr;  // the scan's costly readings of identifiers' verbs

  // Whether the user classes hold a key of path's first name.
  bool UserHolds(std::string_view path) const {
    if (!userNames || userNames->empty()) return false;
    return userNames->count(FoldCase(path.substr(0, path.find('\\')))) > 0;
  }
  // The keys path is read under, the first deciding first; their count.
  size_t For(std::string_view path, HKEY (&keys)[2]) const {
    if (!machine) {
      keys[0] = root;
      return 1;
    }
    size_t n = 0;
    if (user && UserHolds(path)) keys[n++] = user;
    keys[n++] = machine;
    return n;
  }
  // The layer a key of For stands for.
  AssocEntry::Layer LayerOf(HKEY key) const {
    return key == user ? AssocEntry::Layer::User : key == machine ? AssocEntry::Layer::Machine : AssocEntry::Layer::Classes;
  }
  // Marks k as one whose key path under layer (a key of For) is there but
  // may not be read.
  void Refuse(RootKey& k, HKEY layer, std::string path) const {
    k.refused = true;
    k.refusedAt = LayerOf(layer);
    k.refusedPath = std::move(path);
  }
};

// A value of path under the first of keys that holds it, as the class root
// merges its layers; REG_NONE and "" where none does. A key that is there
// but may not be read ends the reading (what it holds would decide):
// refused is then that layer's key.
std::string MergedValue(IRegistry& reg, const HKEY* keys, size_t count, const std::string& path, const char* name,
                        DWORD& type, HKEY* refused = nullptr) {
  type = REG_NONE;
  for (size_t i = 0; i < count; ++i) {
    HKEY key = nullptr;
    if (const LONG opened = reg.RegOpenKeyExA(keys[i], path.c_str(), 0, KEY_QUERY_VALUE, &key);
        opened != ERROR_SUCCESS) {
      if (refused && ReadRefused(opened)) {
        *refused = keys[i];
        return std::string();
      }
      continue;
    }
    LONG status = ERROR_SUCCESS;
    std::string value = ReadOpenValue(reg, key, name, type, &status);
    reg.RegCloseKey(key);
    if (status != ERROR_FILE_NOT_FOUND) return value;
  }
  return std::string();
}

// The open command of key's verbs as ReadVerb left it, else read: from the
// first of keys that holds a command there. No layer that holds the key's
// shell key holds it. refused is set to the key of keys under which the
// command key is there but may not be read.
bool OpenCommandOf(IRegistry& reg, const HKEY* keys, size_t count, const std::string& key, const VerbRead& verb,
                   std::string& command, DWORD& type, HKEY& refused) {
  if (verb.openRead) {
    command = verb.openCommand;
    type = verb.openType;
    return verb.openFound;
  }
  if (!verb.shell) return false;
  const std::string path = key + std::string(kOpenCommandKey);
  bool found = false;
  for (size_t i = 0; i < count && command.empty(); ++i) {
    HKEY opened = nullptr;
    if (const LONG status = reg.RegOpenKeyExA(keys[i], path.c_str(), 0, KEY_QUERY_VALUE, &opened);
        status != ERROR_SUCCESS) {
      if (ReadRefused(status)) {
        refused = keys[i];
        return false;
      }
      continue;
    }
    found = true;
    command = ReadOpenValue(reg, opened, "", type);
    reg.RegCloseKey(opened);
  }
  return found;
}

// A type's key in the classes: its program identifier, then that
// identifier's verb and open command, else the type's own.
void ReadRootType(IRegistry& reg, const Reader& at, RootKey& k) {
  HKEY type[2];
  const size_t types = at.For(k.name, type);
  // The identifier up to its first zero character, as Windows reads it.
  HKEY refused = nullptr;
  k.rawProgramId = ProgramIdView(MergedValue(reg, type, types, k.name, "", k.idType, &refused));
  if (refused) {
    k.refused = true;
    k.refusedAt = at.LayerOf(refused);
    return;
  }
  k.programId = k.rawProgramId;
  if (k.programId.empty()) return;
  HKEY id[2];
  const size_t ids = at.For(k.programId, id);
  // Any number of types may name one identifier: a costly reading of its
  // verbs is made once.
  if (at.verbs) at.verbs->Read(reg, id, ids, k.programId, k.verb, at.machine != nullptr);
  else ReadVerb(reg, id, ids, k.programId, k.verb, at.machine != nullptr);
  // A key of the identifier's that may not be read may hold what runs.
  if (k.verb.refusedIn >= 0) return at.Refuse(k, id[k.verb.refusedIn], std::move(k.verb.refusedPath));
  // The identifier counts where its verb that runs (VerbRuns) or its open
  // verb has a command.
  const bool open = OpenCommandOf(reg, id, ids, k.programId, k.verb, k.command, k.commandType, refused);
  if (refused) return at.Refuse(k, refused, k.programId + std::string(kOpenCommandKey));
  if (open || VerbRuns(k.verb)) {
    // An identifier that names a path ("CLSID\{...}") is followed, as
    // Windows follows it, but its key is not recorded: a restore writes no
    // key but the type's own and those under one identifier's name.
    if (open && IsKeyName(k.programId)) k.commandKey = k.programId + std::string(kOpenCommandKey);
    return;
  }
  // The type's own open command, and its own verbs.
  VerbRead own;
  ReadVerb(reg, type, types, k.name, own, at.machine != nullptr);
  if (own.refusedIn >= 0) return at.Refuse(k, type[own.refusedIn], std::move(own.refusedPath));
  const bool ownOpen = OpenCommandOf(reg, type, types, k.name, own, k.command, k.commandType, refused);
  if (refused) return at.Refuse(k, refused, k.name + std::string(kOpenCommandKey));
  if (ownOpen || VerbRuns(own)) {
    k.programId.clear();
    if (ownOpen) k.commandKey = k.name + std::string(kOpenCommandKey);
    k.verb = std::move(own);
  }
}

// A key whose name may be a protocol's: whether it is marked as one (in any
// layer), and then its verb and open command, read under the key opened
// once in each layer.
void ReadRootCandidate(IRegistry& reg, const Reader& at, RootKey& k) {
  HKEY where[2], keys[2], from[2];
  const size_t count = at.For(k.name, where);
  size_t opened = 0;
  for (size_t i = 0; i < count; ++i) {
    const LONG status = reg.RegOpenKeyExA(where[i], k.name.c_str(), 0, KEY_QUERY_VALUE, &keys[opened]);
    if (status == ERROR_SUCCESS) from[opened++] = where[i];
    else if (ReadRefused(status) && !k.refused) k.refused = true, k.refusedAt = at.LayerOf(where[i]);
  }
  for (size_t i = 0; i < opened && !k.marked; ++i) {
    DWORD size = 0;
    k.marked = reg.RegQueryValueExA(keys[i], kUrlProtocolValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
  }
  if (k.marked) {
    // A key of its verb's that may not be read (named under the layer) may
    // hold what runs.
    ReadVerb(reg, keys, opened, "", k.verb, at.machine != nullptr);
    HKEY refused = nullptr;
    if (k.verb.refusedIn >= 0) {
      if (!k.refused) at.Refuse(k, from[k.verb.refusedIn], k.name + "\\" + k.verb.refusedPath);
    } else if (OpenCommandOf(reg, keys, opened, "", k.verb, k.command, k.commandType, refused)) {
      k.commandKey = k.name + std::string(kOpenCommandKey);
    } else if (refused && !k.refused) {
      for (size_t i = 0; i < opened; ++i)
        if (keys[i] == refused) at.Refuse(k, from[i], k.name + std::string(kOpenCommandKey));
    }
  }
  for (size_t i = 0; i < opened; ++i) reg.RegCloseKey(keys[i]);
}

// Whether the scan reads on several threads: where the registry allows it
// (each registry call is a round trip to the system, so the calls of
// several threads overlap).
bool Concurrent(const IRegistry& reg) { return reg.ConcurrentReads(); }

// The keys of a listed layer, in its order, as one thread lists them and
// others read them (a layer's listing is one reader's: the platform lists
// a key's subkeys fastest by index in order, from one handle). They change
// hands a batch at a time: each hand-over may wake a thread, which costs as
// much as a registry call where the processors are busy.
struct Listing {
  static constexpr size_t kBatch = 32;
  std::mutex lock;
  std::condition_variable more;
  std::deque<RootKey> keys;  // grows at the end only: a key read stays put
  size_t next = 0;           // the first key no reader has taken
  bool done = false;

  // Hands the keys listed since the last hand-over to the readers.
  void Add(std::vector<RootKey>& listed) {
    if (listed.empty()) return;
    {
      const std::lock_guard<std::mutex> hold(lock);
      for (RootKey& k : listed) keys.push_back(std::move(k));
    }
    listed.clear();
    more.notify_all();
  }
  void Done() {
    {
      const std::lock_guard<std::mutex> hold(lock);
      done = true;
    }
    more.notify_all();
  }
  // The next keys to read, at most kBatch, waiting for the lister; none when
  // all are taken.
  size_t Take(RootKey* (&taken)[kBatch]) {
    std::unique_lock<std::mutex> hold(lock);
    more.wait(hold, [&] { return next < keys.size() || done; });
    size_t n = 0;
    while (n < kBatch && next < keys.size()) taken[n++] = &keys[next++];
    return n;
  }
};

// Lists layer's keys into out: each whose name can be an entry's (an index
// that cannot be read too, with its status), until the layer has no more
// or kMaxFailedIndexes indexes in a row failed. One name buffer serves
// every index.
void ListLayer(IRegistry& reg, HKEY layer, Listing& out) {
  // The readers end when the lister does, however it ends (an error
  // reaches the scan's caller from RunTasks).
  struct Finish {
    Listing& out;
    ~Finish() { out.Done(); }
  } finish{out};
  std::vector<RootKey> listed;
  listed.reserve(Listing::kBatch);
  const auto add = [&](RootKey&& k) {
    listed.push_back(std::move(k));
    if (listed.size() == Listing::kBatch) out.Add(listed);
  };
  std::vector<char> name(kNameBuffer);
  int failedInARow = 0;
  for (DWORD index = 0;; ++index) {
    DWORD length = 0;
    const LONG status = EnumName(reg, layer, index, name, length);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      RootKey k;
      k.index = index;
      k.status = status;
      add(std::move(k));
      if (++failedInARow == kMaxFailedIndexes) break;
      continue;
    }
    failedInARow = 0;
    // The key's name is used exactly as the registry gives it: trimming it
    // would read another key (".txt " is not ".txt") and make two keys one.
    const std::string_view entry(name.data(), std::min<size_t>(length, name.size()));
    if (!IsEntryName(entry)) continue;
    RootKey k;
    k.index = index;
    k.candidate = entry[0] != '.';
    k.name = entry;
    k.folded = FoldCase(entry);
    add(std::move(k));
  }
  out.Add(listed);
}

// Runs the tasks, each on a thread of its own where concurrent, the last on
// this one, and returns when all have, rethrowing the first error any met.
// Not concurrent, or where no thread can be had, this thread runs them in
// turn, in their order.
void RunTasks(bool concurrent, const std::vector<std::function<void()>>& tasks) {
  std::vector<std::thread> others;
  std::vector<std::exception_ptr> errors(tasks.size());
  const auto run = [&](size_t i) {
    try {
      tasks[i]();
    } catch (...) {
      errors[i] = std::current_exception();
    }
  };
  std::vector<size_t> mine;
  for (size_t i = 0; i + 1 < tasks.size(); ++i) {
    bool started = false;
    if (concurrent) {
      try {
        others.emplace_back(run, i);
        started = true;
      } catch (const std::system_error&) {
      }
    }
    if (!started) run(i);
  }
  if (!tasks.empty()) run(tasks.size() - 1);
  for (auto& other : others) other.join();
  for (const auto& error : errors)
    if (error) std::rethrow_exception(error);
}

// Reads whether each name is a protocol's (ReadRootCandidate), on several
// threads where the registry allows it.
void ReadCandidates(IRegistry& reg, const Reader& at, const std::vector<RootKey*>& candidates) {
  std::atomic<size_t> next{0};
  const auto read = [&] {
    for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < candidates.size();)
      ReadRootCandidate(reg, at, *candidates[i]);
  };
  const bool concurrent = Concurrent(reg) && candidates.size() > 64;
  RunTasks(concurrent, std::vector<std::function<void()>>(concurrent ? kReaders : 1, read));
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
  // Every name the user classes hold, folded: where they hold none of a
  // key's, the root shows the machine classes' key, which is read itself.
  std::unordered_set<std::string> userNames;
  bool userListedAll = true;
  if (layers && layers->user) {
    int failedInARow = 0;
    for (DWORD index = 0;; ++index) {
      DWORD length = 0;
      const LONG status = EnumName(reg, layers->user, index, name, length);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) {
        userListedAll = false;
        if (++failedInARow == kMaxFailedIndexes) break;
        continue;
      }
      failedInARow = 0;
      const std::string_view entry(name.data(), std::min<size_t>(length, name.size()));
      userNames.insert(FoldCase(entry));
      if (!IsEntryName(entry)) continue;
      bool refused = false;
      if (entry[0] == '.') inUser.try_emplace(FoldCase(entry), LayerEntry{std::string(entry), {}, {}, {}, false});
      else if (IsMarkedProtocol(reg, layers->user, entry, &refused))
        userProtocols.try_emplace(FoldCase(entry), LayerEntry{std::string(entry), {}, {}, {}, false});
      else if (refused)
        result.unreadableNames.push_back({std::string(entry), AssocEntry::Layer::User});
    }
  }
  // The machine classes are listed themselves, the user classes' keys
  // being known; where the user classes could not all be listed, the root.
  const bool listMachine = layers && layers->machine && userListedAll;
  VerbReads verbs;
  const Reader at{root, listMachine ? layers->machine : nullptr, listMachine ? layers->user : nullptr, &userNames,
                  &verbs};
  // Whether the user classes may hold a key of path's first name.
  const auto userMayHold = [&](std::string_view path) { return !userListedAll || at.UserHolds(path); };

  // Explorer's choices, each asked of the system once (on this thread).
  const auto readChoices = [&] {
    if (!layers) return;
    std::vector<char> buffer(kNameBuffer);
    std::string path;
    const auto choices = [&](HKEY explorer, bool types, LayerEntries& into) {
      EachEntryName(reg, explorer, buffer, [&](std::string_view entry) {
        if ((entry[0] == '.') != types) return;
        LayerEntry chosen{std::string(entry), {}, {}, {}, false};
        chosen.choice = ReadExplorerChoice(reg, explorer, entry, path, &chosen.at, &chosen.refused);
        if (!chosen.choice.empty() || chosen.refused) into.try_emplace(FoldCase(entry), std::move(chosen));
      });
    };
    choices(layers->fileExts, true, inExplorer);
    choices(layers->urlAssociations, false, chosenProtocols);
  };

  // The classes' keys: one thread lists them while the others read each
  // type's as it comes, and this one reads Explorer's choices first.
  Listing listing;
  const HKEY listed = listMachine ? layers->machine : root;
  const auto readTypes = [&] {
    RootKey* taken[Listing::kBatch];
    while (const size_t n = listing.Take(taken))
      for (size_t i = 0; i < n; ++i)
        if (taken[i]->status == ERROR_SUCCESS && !taken[i]->candidate) ReadRootType(reg, at, *taken[i]);
  };
  {
    std::vector<std::function<void()>> tasks;
    tasks.emplace_back([&] {
      ListLayer(reg, listed, listing);
      readTypes();
    });
    for (unsigned i = 1; i < kReaders; ++i) tasks.emplace_back(readTypes);
    tasks.emplace_back([&] {
      readChoices();
      readTypes();
    });
    RunTasks(Concurrent(reg), tasks);
  }
  // The system is asked about each choice only now, no reader running: its
  // association object may close a key twice (Wine's does, for a name
  // without a dot), and a handle another thread had just been given under
  // that number would be closed with it.
  if (honoured)
    for (auto* chosen : {&inExplorer, &chosenProtocols})
      for (auto& [folded, entry] : *chosen) {
        if (entry.refused) continue;
        entry.used = honoured(entry.name);
        entry.asked = true;
      }
  std::vector<RootKey> keys;
  keys.reserve(listing.keys.size());
  for (RootKey& k : listing.keys) {
    if (k.status != ERROR_SUCCESS) {
      result.skipped.push_back({k.index, std::string(), k.status});
      continue;
    }
    // A name equal to one read already (a key made while the scan runs moves
    // the later ones up an index, listing one twice) would read that key
    // again.
    if (!taken.insert(k.folded).second) {
      result.skipped.push_back({k.index, std::move(k.name), ERROR_SUCCESS});
      continue;
    }
    keys.push_back(std::move(k));
  }
  // Whether the listing holds every key of the classes it listed: then a
  // type it did not list has nothing there to read.
  const bool rootListedAll = result.skipped.empty() || std::all_of(result.skipped.begin(), result.skipped.end(),
                                                                   [](const auto& s) { return s.status == 0; });
  // Whether a type or protocol the listing did not hold is read: where the
  // user classes hold it (the machine classes were listed; the root shows
  // it), or where the listing missed keys.
  const auto readUnlisted = [&](std::string_view name) { return !rootListedAll || (listMachine && at.UserHolds(name)); };
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
    ReadCandidates(reg, at, candidates);
  }

  // One type: what the root said of it, then its layers.
  // A type or protocol whose key is there but may not be read: its name
  // alone, and the layer that refused.
  const auto addUnreadable = [&](const std::string& name, AssocEntry::Layer at, std::string path = std::string()) {
    auto entry = std::make_shared<AssocEntry>();
    entry->Ext(name);
    entry->Unreadable(at, std::move(path));
    result.entries->Add(std::move(entry), name);
  };
  const auto refusedChoice = [&](const LayerEntries& chosen, const std::string& folded) {
    const auto it = chosen.find(folded);
    return it != chosen.end() && it->second.refused;
  };
  const auto addType = [&](RootKey& k) {
    if (k.refused) return addUnreadable(k.name, k.refusedAt, std::move(k.refusedPath));
    if (layers && refusedChoice(inExplorer, k.folded)) return addUnreadable(k.name, AssocEntry::Layer::Choice);
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
      if (!choice.empty() && chosen->second.asked) {
        const std::string& used = chosen->second.used;
        if (!used.empty() && !EqualsNoCase(used, choice)) {
          entry->IgnoredChoice(std::exchange(choice, std::string()));
          entry->ChoiceAt(AssocEntry::ChoicePlace::None);
        }
      }
      ReadLayers(reg, root, *layers, resolve, k.rawProgramId, inUser.count(k.folded) > 0, std::move(choice), *entry,
                 !k.rawProgramId.empty() && userMayHold(k.rawProgramId), &verbs);
      // (Its name is the entry's now.)
      if (entry->Unreadable()) return addUnreadable(entry->Ext(), entry->UnreadableAt(), entry->UnreadablePath());
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
    else if (k.marked || (layers && refusedChoice(chosenProtocols, k.folded))) protocols.push_back(&k);
    else if (k.refused) result.unreadableNames.push_back({k.name, k.refusedAt});
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
  for (auto& k : extra)
    if (readUnlisted(k.name)) ReadRootType(reg, at, k);
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
        if (readUnlisted(k.name)) ReadRootCandidate(reg, at, k);
      }
  for (auto& k : onlyInLayers) protocols.push_back(&k);
  std::sort(protocols.begin() + static_cast<std::ptrdiff_t>(firstExtra), protocols.end(),
            [](const RootKey* a, const RootKey* b) { return CompareNoCase(a->name, b->name) < 0; });
  for (RootKey* k : protocols) {
    // Its key, or Explorer's choice for it, may not be read.
    if (layers && refusedChoice(chosenProtocols, k->folded)) {
      addUnreadable(k->name, AssocEntry::Layer::Choice);
      continue;
    }
    if (k->refused) {
      addUnreadable(k->name, k->refusedAt, std::move(k->refusedPath));
      continue;
    }
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
      if (!choice.empty() && chosen->second.asked) {
        const std::string& used = chosen->second.used;
        if (!used.empty() && !EqualsNoCase(used, choice)) {
          entry->IgnoredChoice(std::exchange(choice, std::string()));
          entry->ChoiceAt(AssocEntry::ChoicePlace::None);
        }
      }
      ReadProtocolLayers(reg, root, *layers, resolve, std::move(choice), userMayHold(k->name), *entry, &verbs);
      if (entry->Unreadable()) {
        addUnreadable(k->name, entry->UnreadableAt(), entry->UnreadablePath());
        continue;
      }
    } else {
      entry->OpenerCommand(entry->ProgramFullPath());
    }
    const std::string key = entry->Ext();
    result.entries->Add(std::move(entry), key);
  }
  return result;
}

}  // namespace hollin
