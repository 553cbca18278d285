#include "registry/layers.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "common/text.h"
#include "registry/reg_key.h"
#include "registry/reg_string.h"
#include "registry/reg_value.h"
#include "registry/scan.h"

namespace hollin {
namespace {

// The program identifier a layer gives ext, up to its first zero character.
// refused, where given, is set where the key is there but may not be read.
std::string LayerProgId(IRegistry& reg, HKEY layer, const std::string& path, const char* name, DWORD& type,
                        bool* refused = nullptr) {
  type = REG_NONE;
  if (!layer) return std::string();
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Open(reg, layer, path, KEY_QUERY_VALUE, &status);
  if (!key) {
    if (refused && ReadRefused(status)) *refused = true;
    return std::string();
  }
  return std::string(ProgramIdView(ReadOpenValue(reg, key.get(), name, type)));
}

// The open command of a program identifier in one layer, or "". refused is
// set where its command key is there but may not be read.
std::string CommandIn(IRegistry& reg, HKEY layer, const std::string& progId, bool& refused) {
  if (!layer) return std::string();
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Open(reg, layer, progId + std::string(kOpenCommandKey), KEY_QUERY_VALUE, &status);
  if (!key) {
    refused = ReadRefused(status);
    return std::string();
  }
  DWORD type;
  return std::string(TrimRegView(ReadOpenValue(reg, key.get(), "", type)));
}

// Whether parent\path is there: opened for its values (a key that may not
// be read is there too, and sets refused).
bool KeyThere(IRegistry& reg, HKEY parent, const std::string& path, bool& refused) {
  if (!parent) return false;
  LONG status = ERROR_SUCCESS;
  if (RegKey::Open(reg, parent, path, KEY_QUERY_VALUE, &status)) return true;
  refused = ReadRefused(status);
  return refused;
}

// The name of the packaged app a program identifier stands for, or "" when
// it has no "Application" key in any layer. refused is set to the layer
// whose "Application" key is there but may not be read (and "" returned).
std::string PackagedAppName(IRegistry& reg, const std::vector<HKEY>& order, const std::string& progId,
                            const IndirectStringResolver& resolve, HKEY& refused) {
  const std::string application = progId + "\\Application";
  for (HKEY layer : order) {
    bool denied = false;
    if (!KeyThere(reg, layer, application, denied)) continue;
    if (denied) {
      refused = layer;
      return std::string();
    }
    DWORD type;
    // A name is text up to its first zero character, as any string value
    // Windows shows.
    const std::string name(ProgramIdView(ReadValue(reg, layer, application, "ApplicationName", type)));
    if (!name.empty() && name[0] == '@' && resolve) {
      std::string resolved = resolve(name);
      if (!resolved.empty()) return resolved;
    }
    if (std::string package = PackageNameOf(name); !package.empty()) return package;
    std::string model = ReadValue(reg, layer, application, "AppUserModelID", type);
    return model.empty() ? progId : model;
  }
  return std::string();
}

}  // namespace

OpenClassLayers::OpenClassLayers(IRegistry& reg)
    : machine_(RegKey::Open(reg, HKEY_LOCAL_MACHINE, kClassesPath, KEY_READ)),
      user_(RegKey::Open(reg, HKEY_CURRENT_USER, kClassesPath, KEY_READ)),
      fileExts_(RegKey::Open(reg, HKEY_CURRENT_USER, kFileExtsPath, KEY_READ)),
      urlAssociations_(RegKey::Open(reg, HKEY_CURRENT_USER, kUrlAssociationsPath, KEY_READ)),
      layers_{machine_.get(), user_.get(), fileExts_.get(), urlAssociations_.get()} {}

std::string ReadExplorerChoice(IRegistry& reg, HKEY fileExts, std::string_view ext, std::string& path,
                               AssocEntry::ChoicePlace* at, bool* refused) {
  using Place = AssocEntry::ChoicePlace;
  const auto told = [at](Place place, std::string choice) {
    if (at) *at = choice.empty() ? Place::None : place;
    return choice;
  };
  if (!fileExts) return told(Place::None, std::string());
  DWORD type;
  path.assign(ext).append("\\UserChoiceLatest");
  LONG status = ERROR_SUCCESS;
  if (const RegKey key = RegKey::Open(reg, fileExts, path, KEY_QUERY_VALUE, &status)) {
    std::string choice = LayerProgId(reg, key.get(), "ProgId", "ProgId", type, refused);
    Place place = Place::LatestProgId;
    if (choice.empty()) choice = ProgramIdView(ReadOpenValue(reg, key.get(), "ProgId", type)), place = Place::Latest;
    return told(place, std::move(choice));
  }
  // A newest key that is there but may not be read may hold the choice in
  // force: the older one says nothing then.
  if (ReadRefused(status)) {
    if (refused) *refused = true;
    return told(Place::None, std::string());
  }
  path.assign(ext).append("\\UserChoice");
  return told(Place::Legacy, LayerProgId(reg, fileExts, path, "ProgId", type, refused));
}

namespace {
constexpr std::string_view kChoicePlaces[] = {"", "UserChoiceLatest\\ProgId", "UserChoiceLatest", "UserChoice"};
}  // namespace

std::string_view ChoicePlaceText(AssocEntry::ChoicePlace at) { return kChoicePlaces[static_cast<int>(at)]; }

AssocEntry::ChoicePlace ChoicePlaceOf(std::string_view text) {
  for (int i = 1; i < 4; ++i)
    if (EqualsNoCase(text, kChoicePlaces[i])) return static_cast<AssocEntry::ChoicePlace>(i);
  return AssocEntry::ChoicePlace::None;
}

bool IsMarkedProtocol(IRegistry& reg, HKEY layer, std::string_view name, bool* refused) {
  if (!layer) return false;
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Open(reg, layer, std::string(name), KEY_QUERY_VALUE, &status);
  if (!key && refused && ReadRefused(status)) *refused = true;
  return key && HasValue(reg, key.get(), kUrlProtocolValue);
}

namespace {

// The values that keep a verb from ever being the default one: LegacyDisable
// (the verb is off) and ProgrammaticAccessOnly (only a program that names it
// runs it). Either counts in any layer, as in the merged key.
constexpr const char* kNeverDefault[] = {"LegacyDisable", "ProgrammaticAccessOnly"};

enum class VerbState { Absent, NeverDefault, Present };

// Notes in out the first key of a verb's reading that may not be read: its
// layer's index and its path under that layer.
void Refused(VerbRead& out, size_t layer, std::string path) {
  if (out.refusedIn >= 0) return;
  out.refusedIn = static_cast<int>(layer);
  out.refusedPath = std::move(path);
}
// The path of key's verb's key (with its command key's, where command).
std::string VerbPath(std::string_view key, std::string_view verb, bool command) {
  std::string path(key);
  path.append(path.empty() ? "shell\\" : "\\shell\\").append(verb);
  return command ? path.append("\\command") : path;
}

// Reads the verb's key in the layers' shell keys: whether it exists and may
// be the default, and its command key's default value and DelegateExecute,
// each from the first layer that holds it. owner is the path under the
// layers whose shell keys these are, to name a key that may not be read.
VerbState ReadVerbCommand(IRegistry& reg, const HKEY* shells, size_t count, std::string_view verb, VerbRead& out,
                          std::string& path, bool countValues, std::string_view owner) {
  out.command.clear();
  out.handler.clear();
  out.commandType = REG_NONE;
  out.commandKey = false;
  ++out.tried;
  VerbState state = VerbState::Absent;
  path.assign(verb);
  for (size_t i = 0; i < count; ++i) {
    LONG status = ERROR_SUCCESS;
    const RegKey key = shells[i] ? RegKey::Open(reg, shells[i], path, KEY_QUERY_VALUE, &status) : RegKey();
    if (!key) {
      if (shells[i] && ReadRefused(status)) Refused(out, i, VerbPath(owner, verb, false));
      continue;
    }
    if (state == VerbState::Absent) state = VerbState::Present;
    // A verb's key mostly holds no value at all: one call tells, where two
    // would ask for each mark (in a layer's own key only: what the count of
    // a key opened through the merged root tells is not documented).
    DWORD values = 1;
    if (countValues && reg.RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                            nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      values = 1;
    for (const char* mark : kNeverDefault)
      if (values && HasValue(reg, key.get(), mark)) state = VerbState::NeverDefault;
    LONG opened = ERROR_SUCCESS;
    if (const RegKey command = RegKey::Open(reg, key.get(), "command", KEY_QUERY_VALUE, &opened)) {
      out.commandKey = true;
      DWORD type;
      if (out.command.empty()) {
        std::string text(TrimRegView(ReadOpenValue(reg, command.get(), "", type)));
        if (!text.empty()) out.command = std::move(text), out.commandType = type;
      }
      if (out.handler.empty()) out.handler = ProgramIdView(ReadOpenValue(reg, command.get(), "DelegateExecute", type));
    } else if (ReadRefused(opened)) {
      Refused(out, i, VerbPath(owner, verb, true));
    }
  }
  // A handler is a class identifier; any other text creates nothing, and is
  // never recorded for a restore to write back.
  if (!IsClassId(out.handler)) out.handler.clear();
  return state;
}

// The verbs the layers' shell keys list, all layers as one list in the
// registry's order (by name, without regard to case), each once, spelled as
// the first layer that lists it spells it.
std::vector<std::string> ListedVerbs(IRegistry& reg, const HKEY* shells, size_t count) {
  std::vector<std::string> names;
  std::unordered_set<std::string> folded;  // of the names taken
  std::vector<char> name(256);
  for (size_t i = 0; i < count; ++i) {
    if (!shells[i]) continue;
    // A registry that fails at every index ends the listing after a few.
    for (DWORD index = 0, failed = 0; failed < 64; ++index) {
      DWORD length = static_cast<DWORD>(name.size());
      const LONG status = reg.RegEnumKeyExA(shells[i], index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status == ERROR_MORE_DATA && name.size() < 4096) {
        name.resize(name.size() * 2);
        --index;
        continue;
      }
      if (status != ERROR_SUCCESS) {
        ++failed;
        continue;
      }
      failed = 0;
      const std::string_view listed(name.data(), std::min<size_t>(length, name.size()));
      if (folded.insert(FoldCase(listed)).second) names.emplace_back(listed);
    }
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
  return names;
}

}  // namespace

bool VerbRuns(const VerbRead& verb) { return !verb.verb.empty() && (!verb.command.empty() || !verb.handler.empty()); }

void ReadVerb(IRegistry& reg, const HKEY* layers, size_t count, std::string_view key, VerbRead& out,
              bool ownLayers) {
  out = VerbRead{};
  RegKey opened[3];
  HKEY shells[3] = {};
  if (count > 3) count = 3;
  std::string path(key);
  path.append(path.empty() ? "shell" : "\\shell");
  for (size_t i = 0; i < count; ++i) {
    if (!layers[i]) continue;
    LONG status = ERROR_SUCCESS;
    if ((opened[i] = RegKey::Open(reg, layers[i], path, KEY_READ, &status))) {
      shells[i] = opened[i].get();
      out.shell = true;
    } else if (ReadRefused(status)) {
      Refused(out, i, path);
    }
  }
  // A shell key that may not be read may hold what decides.
  if (!out.shell || out.refusedIn >= 0) return;
  // 1. The shell key's default value, from the first layer that holds one:
  // a verb, or an ordered list of them separated by commas, the first that
  // exists and may be the default deciding. A blank inside a name is part of
  // it (a key's name may hold blanks); blanks around one are not.
  std::string choice;
  for (size_t i = 0; i < count && choice.empty(); ++i) {
    if (!shells[i]) continue;
    DWORD type;
    choice = ProgramIdView(ReadOpenValue(reg, shells[i], "", type));
    if (!choice.empty()) out.shellType = type, out.chosenBy = static_cast<int>(i);
  }
  bool found = false;
  // A name the list gives again is not looked for again, and a verb it
  // passed over (never the default) is not read again in step 3.
  const bool list = choice.find(',') != std::string::npos;
  std::unordered_set<std::string> named, passedOver;  // folded
  for (size_t at = 0; !choice.empty() && at <= choice.size() && !found;) {
    const size_t comma = std::min(choice.find(',', at), choice.size());
    const std::string_view name = TrimRegView(std::string_view(choice).substr(at, comma - at));
    if (IsVerbName(name) && (!list || named.insert(FoldCase(name)).second)) {
      const VerbState state = ReadVerbCommand(reg, shells, count, name, out, path, ownLayers, key);
      if (state == VerbState::Present) {
        out.verb = name;
        found = true;
      } else if (state == VerbState::NeverDefault) {
        passedOver.insert(FoldCase(name));
      }
    }
    at = comma + 1;
  }
  if (!found) out.chosenBy = -1;
  else if (EqualsNoCase(out.verb, "open")) {
    out.openRead = true;
    out.openFound = out.commandKey;
    out.openCommand = out.command;
    out.openType = out.commandType;
  }
  // 2. Else open. Its command is the classic open command whether or not it
  // may be the default.
  if (!found) {
    const VerbState open = ReadVerbCommand(reg, shells, count, "open", out, path, ownLayers, key);
    out.openRead = true;
    out.openFound = out.commandKey;
    out.openCommand = out.command;
    out.openType = out.commandType;
    if (open == VerbState::Present) {
      out.verb = "open";
      found = true;
    }
  }
  // 3. Else the first verb listed that may be the default.
  if (!found) {
    const std::vector<std::string> listedVerbs = ListedVerbs(reg, shells, count);
    out.tried += listedVerbs.size();
    for (const std::string& listed : listedVerbs) {
      if (EqualsNoCase(listed, "open") || !IsVerbName(listed)) continue;
      if (!passedOver.empty() && passedOver.count(FoldCase(listed))) continue;
      if (ReadVerbCommand(reg, shells, count, listed, out, path, ownLayers, key) == VerbState::Present) {
        out.verb = listed;
        found = true;
        break;
      }
    }
    if (!found) out.command.clear(), out.handler.clear(), out.commandKey = false, out.commandType = REG_NONE;
  }
}

namespace {
// A reading worth keeping looked for more verbs than a shell key's default,
// the open verb and a couple of others.
constexpr size_t kKeepAfter = 4;
}  // namespace

void VerbReads::Read(IRegistry& reg, const HKEY* layers, size_t count, std::string_view key, VerbRead& out,
                     bool ownLayers) {
  std::string id;
  for (size_t i = 0; i < count && i < 3; ++i)
    id.append(std::to_string(reinterpret_cast<std::uintptr_t>(layers[i]))).push_back(',');
  id.append(ownLayers ? "own:" : "merged:").append(FoldCase(key));
  {
    const std::lock_guard<std::mutex> hold(lock_);
    if (const auto it = kept_.find(id); it != kept_.end()) {
      out = it->second.read;
      // A key that may not be read is named under the key as this caller
      // spells it.
      const std::string& spelled = it->second.key;
      if (out.refusedIn >= 0 && out.refusedPath.compare(0, spelled.size(), spelled) == 0)
        out.refusedPath.replace(0, spelled.size(), key);
      return;
    }
  }
  ReadVerb(reg, layers, count, key, out, ownLayers);
  if (out.tried <= kKeepAfter) return;
  const std::lock_guard<std::mutex> hold(lock_);
  kept_.try_emplace(std::move(id), Kept{std::string(key), out});
}

namespace {
// ReadVerb, through verbs where given.
void ReadVerbOf(IRegistry& reg, const HKEY* layers, size_t count, std::string_view key, VerbRead& out,
                VerbReads* verbs) {
  if (verbs) verbs->Read(reg, layers, count, key, out);
  else ReadVerb(reg, layers, count, key, out);
}

// What opens the identifier in force, from the layers user classes, machine
// classes and root: its verb, its open command, else a packaged app's name,
// else the identifier marked as having no command or not being registered.
// A key of these that may not be read marks entry Unreadable.
void OpenedBy(IRegistry& reg, const HKEY (&order)[3], const std::string& inForce,
              const IndirectStringResolver& resolve, AssocEntry& entry, VerbReads* verbs);

// The layers user classes, machine classes and root, as the entry names
// them.
constexpr AssocEntry::Layer kOrderLayers[] = {AssocEntry::Layer::User, AssocEntry::Layer::Machine,
                                              AssocEntry::Layer::Classes};

// Marks entry Unreadable where reading verb in those layers met a key that
// may not be read; whether it did.
bool VerbRefused(const VerbRead& verb, AssocEntry& entry) {
  if (verb.refusedIn < 0) return false;
  entry.Unreadable(kOrderLayers[verb.refusedIn], verb.refusedPath);
  return true;
}
}  // namespace

void ReadLayers(IRegistry& reg, HKEY root, const ClassLayers& layers, const IndirectStringResolver& resolve,
                const std::string& rawProgramId, bool inUserClasses, std::string choice, AssocEntry& entry,
                bool idInUserClasses, VerbReads* verbs) {
  const std::string& ext = entry.Ext();
  DWORD type = REG_NONE;
  if (inUserClasses) {
    bool machineRefused = false, userRefused = false;
    entry.MachineProgID(LayerProgId(reg, layers.machine, ext, "", type, &machineRefused));
    entry.ValueType(AssocEntry::kMachineType, type);
    entry.UserProgID(LayerProgId(reg, layers.user, ext, "", type, &userRefused));
    entry.ValueType(AssocEntry::kUserType, type);
    // What a layer that may not be read says is unknown, and so is what
    // opens the type.
    if (userRefused || machineRefused) {
      entry.Unreadable(userRefused ? AssocEntry::Layer::User : AssocEntry::Layer::Machine);
      return;
    }
  } else if (layers.machine) {
    entry.MachineProgID(rawProgramId);
    entry.ValueType(AssocEntry::kMachineType, entry.ValueType(AssocEntry::kIdType));
  }
  entry.ChoiceProgID(std::move(choice));
  entry.Layered(true);
  // The scan set aside a choice that Windows does not honour before this.
  entry.IgnoredRead(true);

  // What opens the type.
  const std::string& inForce = entry.InForceProgID();
  if (inForce.empty() || inForce == rawProgramId || EqualsNoCase(inForce, rawProgramId)) {
    entry.OpenerCommand(entry.ProgramFullPath());
    // Where the root does not show the user classes (Wine), a verb they add
    // to the identifier is read in every layer.
    if (idInUserClasses && layers.user && !inForce.empty()) {
      const HKEY order[] = {layers.user, layers.machine, root};
      VerbRead verb;
      ReadVerbOf(reg, order, 3, inForce, verb, verbs);
      if (VerbRefused(verb, entry)) return;
      SetVerb(verb, entry);
      return;
    }
    // Else the user classes hold no key of the identifier's name: the
    // root's shell key that chose the verb (the scan read it there) is the
    // machine classes'.
    return;
  }
  const HKEY order[] = {layers.user, layers.machine, root};
  OpenedBy(reg, order, inForce, resolve, entry, verbs);
}

namespace {

void OpenedBy(IRegistry& reg, const HKEY (&order)[3], const std::string& inForce,
              const IndirectStringResolver& resolve, AssocEntry& entry, VerbReads* verbs) {
  VerbRead verb;
  ReadVerbOf(reg, order, 3, inForce, verb, verbs);
  if (VerbRefused(verb, entry)) return;
  SetVerb(verb, entry);
  entry.OpenerCommand(std::string());
  entry.OpenerName(std::string());
  if (verb.openRead) {
    if (!verb.openCommand.empty()) return entry.OpenerCommand(std::move(verb.openCommand));
  } else {
    for (size_t i = 0; i < 3; ++i) {
      bool refused = false;
      std::string command = CommandIn(reg, order[i], inForce, refused);
      if (refused) return entry.Unreadable(kOrderLayers[i], inForce + std::string(kOpenCommandKey));
      if (!command.empty()) return entry.OpenerCommand(std::move(command));
    }
  }
  const std::vector<HKEY> layers(std::begin(order), std::end(order));
  HKEY refusedApp = nullptr;
  std::string app = PackagedAppName(reg, layers, inForce, resolve, refusedApp);
  for (size_t i = 0; i < 3 && refusedApp; ++i)
    if (order[i] == refusedApp) return entry.Unreadable(kOrderLayers[i], inForce + "\\Application");
  // Another verb that runs (or a handler) tells what opens it by itself.
  if (app.empty() && VerbRuns(verb)) return;
  if (app.empty()) {
    bool registered = false;
    for (size_t i = 0; i < 3 && !registered; ++i) {
      bool refused = false;
      registered = KeyThere(reg, order[i], inForce, refused);
      if (refused) return entry.Unreadable(kOrderLayers[i], inForce);
    }
    // The base file records the opener's name as it stands, and a check
    // compares it: these words are stored data, not a message.
    app = inForce + (registered ? " (no open command)" : " (not registered)");  // verbatim
  }
  entry.OpenerName(std::move(app));
}

}  // namespace

void SetVerb(const VerbRead& verb, AssocEntry& entry, bool rootOnly) {
  entry.VerbsRead(true);
  entry.Verb(verb.verb);
  const bool open = EqualsNoCase(verb.verb, "open");
  entry.VerbCommand(open ? std::string() : verb.command);
  entry.Handler(verb.handler);
  entry.ValueType(AssocEntry::kShellType, verb.shellType);
  entry.ValueType(AssocEntry::kVerbCommandType, open ? REG_NONE : verb.commandType);
  // The layers are read in the order user classes, machine classes, root;
  // the root alone says only that one of the classes chose (ReadLayers
  // tells which).
  entry.VerbAt(verb.chosenBy < 0                   ? AssocEntry::VerbSource::None
               : verb.chosenBy == 0 && !rootOnly ? AssocEntry::VerbSource::User
                                                 : AssocEntry::VerbSource::Machine);
}

void ReadProtocolLayers(IRegistry& reg, HKEY root, const ClassLayers& layers, const IndirectStringResolver& resolve,
                        std::string choice, bool inUserClasses, AssocEntry& entry, VerbReads* verbs) {
  const HKEY order[] = {layers.user, layers.machine, root};
  if (!inUserClasses) {
    // The machine classes are what the root showed (the scan read its verb
    // there), the user classes say nothing.
    if (layers.machine) {
      entry.MachineProgID(entry.ProgramFullPath());
      entry.ValueType(AssocEntry::kMachineType,
                      entry.ProgramFullPath().empty() ? REG_NONE : entry.ValueType(AssocEntry::kCommandType));
    }
    entry.ChoiceProgID(std::move(choice));
    entry.Layered(true);
    entry.IgnoredRead(true);
    if (!entry.ChoiceProgID().empty()) return OpenedBy(reg, order, entry.ChoiceProgID(), resolve, entry, verbs);
    entry.OpenerCommand(entry.ProgramFullPath());
    return;
  }
  const std::string path = entry.Ext() + std::string(kOpenCommandKey);
  // The command key of a layer that may not be read leaves what opens the
  // protocol unknown.
  AssocEntry::Layer refusedAt = AssocEntry::Layer::Classes;
  bool refused = false;
  const auto commandIn = [&](HKEY layer, AssocEntry::TypeSlot slot, AssocEntry::Layer at) {
    DWORD type = REG_NONE;
    LONG status = ERROR_SUCCESS;
    const RegKey key = layer ? RegKey::Open(reg, layer, path, KEY_QUERY_VALUE, &status) : RegKey();
    std::string command = key ? std::string(TrimRegView(ReadOpenValue(reg, key.get(), "", type))) : std::string();
    // The user's layer, read last, decides first.
    if (layer && !key && ReadRefused(status)) refused = true, refusedAt = at;
    entry.ValueType(slot, command.empty() ? REG_NONE : type);
    return command;
  };
  entry.MachineProgID(commandIn(layers.machine, AssocEntry::kMachineType, AssocEntry::Layer::Machine));
  entry.UserProgID(commandIn(layers.user, AssocEntry::kUserType, AssocEntry::Layer::User));
  if (refused) return entry.Unreadable(refusedAt, path);
  entry.ChoiceProgID(std::move(choice));
  entry.Layered(true);
  entry.IgnoredRead(true);
  if (!entry.ChoiceProgID().empty()) return OpenedBy(reg, order, entry.ChoiceProgID(), resolve, entry, verbs);
  // The protocol's own key: its command in the first layer that holds one.
  VerbRead verb;
  ReadVerb(reg, order, 3, entry.Ext(), verb);
  if (VerbRefused(verb, entry)) return;
  SetVerb(verb, entry);
  const std::string& inForce = !entry.UserProgID().empty()      ? entry.UserProgID()
                               : !entry.MachineProgID().empty() ? entry.MachineProgID()
                                                                : entry.ProgramFullPath();
  entry.OpenerCommand(inForce);
}

std::string PackageNameOf(std::string_view name) {
  if (name.size() < 2 || name.substr(0, 2) != "@{") return std::string(name.size() && name[0] == '@' ? "" : name);
  name.remove_prefix(2);
  return std::string(name.substr(0, name.find_first_of("_?}")));
}

}  // namespace hollin
