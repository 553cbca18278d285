#include "compare/restore.h"

#include "common/text.h"
#include "registry/layers.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '(' || c == ')'; }

LONG WriteDefault(IRegistry& reg, HKEY root, const std::string& path, DWORD type, std::string_view text) {
  HKEY key = nullptr;
  LONG status = reg.RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::string data(text);
  data.push_back('\0');
  if (type == REG_MULTI_SZ) data.push_back('\0');  // the list's end
  status = reg.RegSetValueExA(key, "", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()));
  reg.RegCloseKey(key);
  return status;
}

// The type to write a text in: the one the value has, where it is a text
// type; else plain text.
DWORD KeptType(DWORD existing) {
  return existing == REG_EXPAND_SZ || existing == REG_MULTI_SZ ? existing : REG_SZ;
}

void Note(RestoreResult& result, const AssocEntry& base, bool programId, LONG status,
          const char* layer = nullptr) {
  if (status == ERROR_SUCCESS) result.wrote = true;
  else result.failed.push_back({base.Ext(), programId, status, layer});
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The type a base recorded for a value, where it recorded a text type.
DWORD Recorded(const AssocEntry& base, AssocEntry::TypeSlot slot) {
  const DWORD type = base.Layered() ? base.ValueType(slot) : REG_NONE;
  return IsTextType(type) ? type : REG_NONE;
}

LONG DeleteDefault(IRegistry& reg, HKEY root, const std::string& path) {
  HKEY key = nullptr;
  LONG status = reg.RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // nothing there to delete
  if (status != ERROR_SUCCESS) return status;
  status = reg.RegDeleteValueA(key, "");
  reg.RegCloseKey(key);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// One class layer of a type back to the base's identifier.
void RestoreLayer(IRegistry& reg, HKEY root, const AssocEntry& base, const std::string& was, const std::string& now,
                  AssocEntry::TypeSlot slot, const char* layer, RestoreResult& result) {
  if (EqualsNoCase(was, now)) return;
  const std::string path = std::string(kClassesPath) + "\\" + base.Ext();
  if (was.empty()) {
    Note(result, base, true, DeleteDefault(reg, root, path), layer);
    return;
  }
  DWORD existing;
  ReadValue(reg, root, path, "", existing);
  const DWORD recorded = Recorded(base, slot);
  Note(result, base, true, WriteDefault(reg, root, path, recorded ? recorded : KeptType(existing), was), layer);
}

std::string ClassesPath(const std::string& path) { return std::string(kClassesPath) + "\\" + path; }

// A classes layer that a value goes back into.
struct ClassLayer {
  HKEY root;
  const char* name;
};

// The layer that holds the default value of path now: the user classes
// where their key holds one (Windows reads it there first), else the
// machine classes. A value goes back only there: a write the layer refuses
// is never made good in another.
ClassLayer LayerHolding(IRegistry& reg, const LayerRoots& roots, const std::string& path) {
  DWORD type;
  ReadValue(reg, roots.user, ClassesPath(path), "", type);
  return type != REG_NONE ? ClassLayer{roots.user, "user classes"} : ClassLayer{roots.machine, "machine classes"};
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
    result.failed.push_back({base.Ext(), false, ERROR_BAD_PATHNAME, nullptr});
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
  if (!base.Layered()) {
    const ClassLayer layer = LayerHolding(reg, roots, ext);
    const std::string path = ClassesPath(ext);
    DWORD idType;
    if (ProgramIdView(ReadValue(reg, layer.root, path, "", idType)) != programId)
      Note(result, base, true, WriteDefault(reg, layer.root, path, KeptType(idType), programId), layer.name);
  }

  // A type whose command was not read names no key: there is none to write
  // (an empty path would be the class root's own default).
  const std::string& command = base.ProgramFullPath();
  if (commandKey.empty()) return;
  const ClassLayer layer = LayerHolding(reg, roots, commandKey);
  const std::string path = ClassesPath(commandKey);
  DWORD commandType;
  if (TrimRegView(ReadValue(reg, layer.root, path, "", commandType)) != command) {
    DWORD type = Recorded(base, AssocEntry::kCommandType);
    if (!type) type = HasEnvironmentReference(command) ? REG_EXPAND_SZ : KeptType(commandType);
    Note(result, base, false, WriteDefault(reg, layer.root, path, type, command), layer.name);
  }
}

void RestoreLayers(IRegistry& reg, const AssocEntry& base, const AssocEntry* current, RestoreResult& result,
                   const LayerRoots& roots) {
  if (!base.Layered() || !IsTypeName(base.Ext())) return;
  static const AssocEntry kNone;
  const AssocEntry& now = current ? *current : kNone;
  RestoreLayer(reg, roots.machine, base, base.MachineProgID(), now.MachineProgID(), AssocEntry::kMachineType,
               "machine classes", result);
  RestoreLayer(reg, roots.user, base, base.UserProgID(), now.UserProgID(), AssocEntry::kUserType, "user classes",
               result);
  if (!EqualsNoCase(base.ChoiceProgID(), now.ChoiceProgID())) result.choices.push_back(base.Ext());
}

void RemoveNewType(IRegistry& reg, const AssocEntry& current, RestoreResult& result, const LayerRoots& roots) {
  const std::string& ext = current.Ext();
  if (!IsTypeName(ext)) return;
  const std::string path = std::string(kClassesPath) + "\\" + ext;
  if (!current.MachineProgID().empty())
    Note(result, current, true, DeleteDefault(reg, roots.machine, path), "machine classes");
  if (!current.UserProgID().empty()) Note(result, current, true, DeleteDefault(reg, roots.user, path), "user classes");
  // A record without layers names the merged identifier only: it goes from
  // the layer that holds it.
  if (!current.Layered() && !current.ProgramID().empty()) {
    const ClassLayer layer = LayerHolding(reg, roots, ext);
    Note(result, current, true, DeleteDefault(reg, layer.root, path), layer.name);
  }
  const std::string ownCommand = ext + std::string(kOpenCommandKey);
  if (EqualsNoCase(current.OpenCmdRegKey(), ownCommand)) {
    const ClassLayer layer = LayerHolding(reg, roots, ownCommand);
    Note(result, current, false, DeleteDefault(reg, layer.root, ClassesPath(ownCommand)), layer.name);
  }
  if (!current.ChoiceProgID().empty()) result.choices.push_back(ext);
}

}  // namespace hollin
