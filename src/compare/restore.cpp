#include "compare/restore.h"

#include "common/text.h"
#include "compare/changes.h"
#include "registry/layers.h"
#include "registry/reg_key.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

constexpr const char* kDelegateExecute = "DelegateExecute";

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '(' || c == ')'; }

// A value written whole: a text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) with
// its end, bytes (REG_BINARY) as they are.
LONG WriteValue(IRegistry& reg, HKEY root, const std::string& path, const char* name, DWORD type,
                std::string_view text) {
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Create(reg, root, path, KEY_SET_VALUE, &status);
  if (!key) return status;
  std::string data(text);
  if (type != REG_BINARY) data.push_back('\0');
  if (type == REG_MULTI_SZ) data.push_back('\0');  // the list's end
  return reg.RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size()));
}

LONG WriteDefault(IRegistry& reg, HKEY root, const std::string& path, DWORD type, std::string_view text) {
  return WriteValue(reg, root, path, "", type, text);
}

// The type to write a text in: the one the value has, where it is a text
// type; else plain text.
DWORD KeptType(DWORD existing) {
  return existing == REG_EXPAND_SZ || existing == REG_MULTI_SZ ? existing : REG_SZ;
}

using What = RestoreFailure::What;

void Note(RestoreResult& result, const AssocEntry& base, What what, LONG status,
          AssocEntry::Layer layer = AssocEntry::Layer::Classes) {
  if (status == ERROR_SUCCESS) result.wrote = true;
  else result.failed.push_back({base.Ext(), what, status, layer});
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The type a base recorded for a value, where it recorded a text type or
// bytes (a value the scan read as its bytes goes back as those bytes); else
// none, and the writer keeps the type the value has.
DWORD Recorded(const AssocEntry& base, AssocEntry::TypeSlot slot) {
  const DWORD type = base.Layered() ? base.ValueType(slot) : REG_NONE;
  return IsTextType(type) || type == REG_BINARY ? type : REG_NONE;
}

LONG DeleteValue(IRegistry& reg, HKEY root, const std::string& path, const char* name) {
  LONG status = ERROR_SUCCESS;
  const RegKey key = RegKey::Open(reg, root, path, KEY_SET_VALUE, &status);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // nothing there to delete
  if (!key) return status;
  status = reg.RegDeleteValueA(key.get(), name);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LONG DeleteDefault(IRegistry& reg, HKEY root, const std::string& path) { return DeleteValue(reg, root, path, ""); }

// One class layer of a type back to the base's identifier.
void RestoreLayer(IRegistry& reg, HKEY root, const AssocEntry& base, const std::string& was, const std::string& now,
                  AssocEntry::TypeSlot slot, AssocEntry::Layer layer, RestoreResult& result) {
  if (EqualsNoCase(was, now)) return;
  const std::string path = std::string(kClassesPath) + "\\" + base.Ext();
  if (was.empty()) {
    Note(result, base, What::ProgramId, DeleteDefault(reg, root, path), layer);
    return;
  }
  DWORD existing;
  ReadValue(reg, root, path, "", existing);
  const DWORD recorded = Recorded(base, slot);
  Note(result, base, What::ProgramId, WriteDefault(reg, root, path, recorded ? recorded : KeptType(existing), was), layer);
}

std::string ClassesPath(const std::string& path) { return std::string(kClassesPath) + "\\" + path; }

// A classes layer that a value goes back into.
struct ClassLayer {
  HKEY root;
  AssocEntry::Layer name;  // User or Machine
};

// The layer that holds the default value of path now: the user classes
// where their key holds one (Windows reads it there first), else the
// machine classes. A value goes back only there: a write the layer refuses
// is never made good in another.
ClassLayer LayerHolding(IRegistry& reg, const LayerRoots& roots, const std::string& path) {
  DWORD type;
  ReadValue(reg, roots.user, ClassesPath(path), "", type);
  return type != REG_NONE ? ClassLayer{roots.user, AssocEntry::Layer::User} : ClassLayer{roots.machine, AssocEntry::Layer::Machine};
}

}  // namespace

bool HasEnvironmentReference(std::string_view command) {
  for (size_t open = command.find('%'); open != std::string_view::npos; open = command.find('%', open + 1)) {
    size_t i = open + 1;
    if (i >= command.size() || !IsNameStart(command[i])) continue;
    while (i < command.size() && IsNamePart(command[i])) ++i;
    if (i < command.size() && command[i] == '%') return true;
  }
  return false;
}

void RestoreEntry(IRegistry& reg, const AssocEntry& base, RestoreResult& result, const LayerRoots& roots) {
  // Only the type's own keys are ever written (the caller has refused such
  // a base as damaged already).
  if (!NamesOnlyItsOwnKeys(base)) {
    result.failed.push_back({base.Ext(), What::Command, ERROR_BAD_PATHNAME, AssocEntry::Layer::Classes});
    return;
  }
  // An identifier is compared and written up to its first zero character,
  // as the scan reads it (a base recorded before the scan did so may hold
  // more).
  const std::string programId(ProgramIdView(base.ProgramID()));
  const std::string& commandKey = base.OpenCmdRegKey();
  const std::string& ext = base.Ext();
  // Each value is read once, in the layer it goes back to, with the type it
  // has there. The identifiers of a base recorded with its layers went back
  // in RestoreLayers.
  if (!base.Layered() && !base.IsProtocol()) {
    const ClassLayer layer = LayerHolding(reg, roots, ext);
    const std::string path = ClassesPath(ext);
    DWORD idType;
    if (ProgramIdView(ReadValue(reg, layer.root, path, "", idType)) != programId)
      Note(result, base, What::ProgramId, WriteDefault(reg, layer.root, path, KeptType(idType), programId), layer.name);
  }

  // A type whose command was not read names no key: there is none to write
  // (an empty path would be the class root's own default). A protocol's
  // commands go back layer by layer (RestoreProtocol).
  const std::string& command = base.ProgramFullPath();
  if (commandKey.empty() || base.IsProtocol()) return;
  const ClassLayer layer = LayerHolding(reg, roots, commandKey);
  const std::string path = ClassesPath(commandKey);
  DWORD commandType;
  if (TrimRegView(ReadValue(reg, layer.root, path, "", commandType)) != command) {
    DWORD type = Recorded(base, AssocEntry::kCommandType);
    if (!type) type = HasEnvironmentReference(command) ? REG_EXPAND_SZ : KeptType(commandType);
    Note(result, base, What::Command, WriteDefault(reg, layer.root, path, type, command), layer.name);
  }
}

void RestoreLayers(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                   const LayerRoots& roots) {
  if (!base.Layered() || !IsTypeName(base.Ext())) return;
  static const AssocEntry kNone;
  const AssocEntry& now = current ? *current : kNone;
  RestoreLayer(reg, roots.machine, base, base.MachineProgID(), now.MachineProgID(), AssocEntry::kMachineType,
               AssocEntry::Layer::Machine, result);
  RestoreLayer(reg, roots.user, base, base.UserProgID(), now.UserProgID(), AssocEntry::kUserType, AssocEntry::Layer::User,
               result);
  if (!EqualsNoCase(base.ChoiceProgID(), now.ChoiceProgID()) || SetAsideDiffers(base, now))
    result.choices.push_back(base.Ext());
}

void NoteUnreadable(const AssocEntry& current, RestoreResult& result) {
  result.failed.push_back(
      {current.Ext(), What::Unread, ERROR_ACCESS_DENIED, current.UnreadableAt(), current.UnreadablePath()});
}

void RemoveNewType(IRegistry& reg, const AssocEntry& current, RestoreResult& result, const LayerRoots& roots) {
  if (current.Unreadable()) return NoteUnreadable(current, result);
  const std::string& ext = current.Ext();
  if (IsProtocolName(ext)) {
    const std::string key = ClassesPath(ext), command = ClassesPath(ext + std::string(kOpenCommandKey));
    for (const ClassLayer layer : {ClassLayer{roots.machine, AssocEntry::Layer::Machine}, ClassLayer{roots.user, AssocEntry::Layer::User}}) {
      if (IsMarkedProtocol(reg, layer.root, key))
        Note(result, current, What::ProtocolMark, DeleteValue(reg, layer.root, key, kUrlProtocolValue), layer.name);
      DWORD type;
      if (!ReadValue(reg, layer.root, command, "", type).empty() || type != REG_NONE)
        Note(result, current, What::Command, DeleteDefault(reg, layer.root, command), layer.name);
    }
    if (!current.ChoiceProgID().empty()) result.choices.push_back(ext);
    return;
  }
  if (!IsTypeName(ext)) return;
  const std::string path = std::string(kClassesPath) + "\\" + ext;
  if (!current.MachineProgID().empty())
    Note(result, current, What::ProgramId, DeleteDefault(reg, roots.machine, path), AssocEntry::Layer::Machine);
  if (!current.UserProgID().empty()) Note(result, current, What::ProgramId, DeleteDefault(reg, roots.user, path), AssocEntry::Layer::User);
  // A record without layers names the merged identifier only: it goes from
  // the layer that holds it.
  if (!current.Layered() && !current.ProgramID().empty()) {
    const ClassLayer layer = LayerHolding(reg, roots, ext);
    Note(result, current, What::ProgramId, DeleteDefault(reg, layer.root, path), layer.name);
  }
  const std::string ownCommand = ext + std::string(kOpenCommandKey);
  if (EqualsNoCase(current.OpenCmdRegKey(), ownCommand)) {
    const ClassLayer layer = LayerHolding(reg, roots, ownCommand);
    Note(result, current, What::Command, DeleteDefault(reg, layer.root, ClassesPath(ownCommand)), layer.name);
  }
  if (!current.ChoiceProgID().empty()) result.choices.push_back(ext);
}

void RestoreProtocol(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                     const LayerRoots& roots) {
  if (!base.Layered() || !IsProtocolName(base.Ext()) || !NamesOnlyItsOwnKeys(base)) return;
  const std::string key = ClassesPath(base.Ext()), path = ClassesPath(base.Ext() + std::string(kOpenCommandKey));
  const struct {
    ClassLayer layer;
    const std::string& was;
    AssocEntry::TypeSlot slot;
  } layers[] = {{{roots.machine, AssocEntry::Layer::Machine}, base.MachineProgID(), AssocEntry::kMachineType},
                {{roots.user, AssocEntry::Layer::User}, base.UserProgID(), AssocEntry::kUserType}};
  for (const auto& l : layers) {
    DWORD type;
    const std::string now(TrimRegView(ReadValue(reg, l.layer.root, path, "", type)));
    if (now == l.was) continue;
    if (l.was.empty()) {
      if (type != REG_NONE) Note(result, base, What::Command, DeleteDefault(reg, l.layer.root, path), l.layer.name);
      continue;
    }
    DWORD write = Recorded(base, l.slot);
    if (!write) write = HasEnvironmentReference(l.was) ? REG_EXPAND_SZ : KeptType(type);
    Note(result, base, What::Command, WriteDefault(reg, l.layer.root, path, write, l.was), l.layer.name);
  }
  // A protocol that is none any more is marked again, where its command is.
  if (!IsMarkedProtocol(reg, roots.machine, key) && !IsMarkedProtocol(reg, roots.user, key)) {
    const ClassLayer layer = !base.MachineProgID().empty() || base.UserProgID().empty()
                                 ? ClassLayer{roots.machine, AssocEntry::Layer::Machine}
                                 : ClassLayer{roots.user, AssocEntry::Layer::User};
    Note(result, base, What::ProtocolMark, WriteValue(reg, layer.root, key, kUrlProtocolValue, REG_SZ, ""),
         layer.name);
  }
  const AssocEntry* now = current;
  if (!EqualsNoCase(base.ChoiceProgID(), now ? now->ChoiceProgID() : std::string()) || (now && SetAsideDiffers(base, *now)))
    result.choices.push_back(base.Ext());
}

namespace {

// The key whose verbs decide what runs for a record: the identifier in
// force, else the type's or protocol's own key.
std::string VerbKeyOf(const AssocEntry& e) {
  const std::string& inForce = e.Layered() ? e.InForceProgID() : e.ProgramID();
  if (!inForce.empty()) return inForce;
  if (!e.IsProtocol() && !e.OpenCmdRegKey().empty() && !EqualsNoCase(e.OpenCmdRegKey(), e.Ext() + std::string(kOpenCommandKey)))
    return std::string();
  return e.Ext();
}

// The layer that holds a value of path now: the user classes where their key
// holds it, else the machine classes.
ClassLayer LayerHoldingValue(IRegistry& reg, const LayerRoots& roots, const std::string& path, const char* name) {
  DWORD type;
  ReadValue(reg, roots.user, ClassesPath(path), name, type);
  return type != REG_NONE ? ClassLayer{roots.user, AssocEntry::Layer::User} : ClassLayer{roots.machine, AssocEntry::Layer::Machine};
}

bool SameVerb(const AssocEntry& a, const AssocEntry& b) {
  if (!a.VerbIsNotOpen() && !b.VerbIsNotOpen()) return true;
  return EqualsNoCase(a.Verb(), b.Verb());
}

}  // namespace

void RestoreVerb(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                 const LayerRoots& roots) {
  if (!base.VerbsRead() || !current || !current->VerbsRead() || !NamesOnlyItsOwnKeys(base)) return;
  // Only under one key's name: a record whose identifier names a path
  // ("Applications\\ed.exe", or one planted to reach another key) has its
  // verbs left alone.
  const std::string id = VerbKeyOf(base);
  if (!IsKeyName(id)) return;
  const std::string verb = base.VerbIsNotOpen() ? base.Verb() : std::string("open");
  const std::string shell = id + "\\shell";
  const ClassLayer user{roots.user, AssocEntry::Layer::User}, machine{roots.machine, AssocEntry::Layer::Machine};
  // The shell key's choice of the verb.
  if (!SameVerb(base, *current)) {
    const auto held = [&](const ClassLayer& l) {
      DWORD type;
      return !ProgramIdView(ReadValue(reg, l.root, ClassesPath(shell), "", type)).empty();
    };
    const auto choose = [&](const ClassLayer& l) {
      DWORD type;
      const std::string now(ProgramIdView(ReadValue(reg, l.root, ClassesPath(shell), "", type)));
      if (EqualsNoCase(now, verb)) return;
      const DWORD recorded = base.ValueType(AssocEntry::kShellType);
      Note(result, base, What::Verb,
           WriteDefault(reg, l.root, ClassesPath(shell), recorded == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ, verb),
           l.name);
    };
    switch (base.VerbAt()) {
      case AssocEntry::VerbSource::User: choose(user); break;
      case AssocEntry::VerbSource::Machine:
        if (held(user)) Note(result, base, What::Verb, DeleteDefault(reg, user.root, ClassesPath(shell)), user.name);
        choose(machine);
        break;
      default:
        for (const ClassLayer& l : {user, machine})
          if (held(l)) Note(result, base, What::Verb, DeleteDefault(reg, l.root, ClassesPath(shell)), l.name);
        // A verb that ran as the first listed (there was no open verb) is
        // named, in the layer that holds the key, since another verb listed
        // before it would run now.
        if (base.VerbIsNotOpen()) choose(LayerHolding(reg, roots, id));
    }
  }
  const std::string commandPath = shell + "\\" + verb + "\\command";
  // The command of another verb than open (the open command is RestoreEntry's).
  if (base.VerbIsNotOpen() && !base.VerbCommand().empty()) {
    const ClassLayer l = LayerHoldingValue(reg, roots, commandPath, "");
    DWORD type;
    const std::string now(TrimRegView(ReadValue(reg, l.root, ClassesPath(commandPath), "", type)));
    if (now != base.VerbCommand()) {
      DWORD write = Recorded(base, AssocEntry::kVerbCommandType);
      if (!write) write = HasEnvironmentReference(base.VerbCommand()) ? REG_EXPAND_SZ : KeptType(type);
      Note(result, base, What::VerbCommand, WriteDefault(reg, l.root, ClassesPath(commandPath), write, base.VerbCommand()),
           l.name);
    }
  }
  // The handler that runs instead of the command.
  if (base.Handler().empty()) {
    for (const ClassLayer& l : {user, machine}) {
      DWORD type;
      if (!ReadValue(reg, l.root, ClassesPath(commandPath), kDelegateExecute, type).empty() || type != REG_NONE)
        Note(result, base, What::Handler, DeleteValue(reg, l.root, ClassesPath(commandPath), kDelegateExecute), l.name);
    }
  } else {
    const ClassLayer l = LayerHoldingValue(reg, roots, commandPath, kDelegateExecute);
    DWORD type;
    if (!EqualsNoCase(ProgramIdView(ReadValue(reg, l.root, ClassesPath(commandPath), kDelegateExecute, type)),
                      base.Handler()))
      Note(result, base, What::Handler,
           WriteValue(reg, l.root, ClassesPath(commandPath), kDelegateExecute, REG_SZ, base.Handler()), l.name);
  }
}

}  // namespace hollin
