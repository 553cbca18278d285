#include "registry/layers.h"

#include <vector>

#include "common/text.h"
#include "registry/reg_string.h"
#include "registry/scan.h"

namespace hollin {
namespace {

// The program identifier a layer gives ext, up to its first zero character.
std::string LayerProgId(IRegistry& reg, HKEY layer, const std::string& path, const char* name, DWORD& type) {
  type = REG_NONE;
  if (!layer) return std::string();
  return std::string(ProgramIdView(ReadValue(reg, layer, path, name, type)));
}

// The open command of a program identifier in one layer, or "".
std::string CommandIn(IRegistry& reg, HKEY layer, const std::string& progId) {
  if (!layer) return std::string();
  DWORD type;
  return std::string(TrimRegView(ReadValue(reg, layer, progId + std::string(kOpenCommandKey), "", type)));
}

bool KeyExists(IRegistry& reg, HKEY layer, const std::string& path) {
  HKEY key = nullptr;
  if (!layer || reg.RegOpenKeyExA(layer, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  reg.RegCloseKey(key);
  return true;
}

// The name of the packaged app a program identifier stands for, or "" when
// it has no "Application" key in any layer.
std::string PackagedAppName(IRegistry& reg, const std::vector<HKEY>& order, const std::string& progId,
                            const IndirectStringResolver& resolve) {
  const std::string application = progId + "\\Application";
  for (HKEY layer : order) {
    if (!KeyExists(reg, layer, application)) continue;
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

OpenClassLayers::OpenClassLayers(IRegistry& reg) : reg_(reg) {
  reg_.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClassesPath, 0, KEY_READ, &layers_.machine);
  reg_.RegOpenKeyExA(HKEY_CURRENT_USER, kClassesPath, 0, KEY_READ, &layers_.user);
  reg_.RegOpenKeyExA(HKEY_CURRENT_USER, kFileExtsPath, 0, KEY_READ, &layers_.fileExts);
}

OpenClassLayers::~OpenClassLayers() {
  for (HKEY key : {layers_.machine, layers_.user, layers_.fileExts})
    if (key) reg_.RegCloseKey(key);
}

std::string ReadValue(IRegistry& reg, HKEY base, const std::string& path, const char* name, DWORD& type) {
  type = REG_NONE;
  HKEY key = nullptr;
  if (reg.RegOpenKeyExA(base, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::string();
  std::string value = ReadOpenValue(reg, key, name, type);
  reg.RegCloseKey(key);
  return value;
}

std::string ReadOpenValue(IRegistry& reg, HKEY key, const char* name, DWORD& type) {
  type = REG_NONE;
  // The usual value fits on the stack; a longer one is read again with the
  // size the registry asks for (allowing for one that grows in between).
  char small[256];
  DWORD size = sizeof small;
  LONG status = reg.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(small), &size);
  if (status == ERROR_SUCCESS) return std::string(TrimRegView(std::string_view(small, size < sizeof small ? size : sizeof small)));
  std::string data;
  for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
    data.assign(size > data.size() ? size : data.size() * 2, '\0');
    size = static_cast<DWORD>(data.size());
    status = reg.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  if (status != ERROR_SUCCESS) {
    type = REG_NONE;
    return std::string();
  }
  data.resize(size < data.size() ? size : data.size());
  return std::string(TrimRegView(data));
}

std::string ReadExplorerChoice(IRegistry& reg, HKEY fileExts, std::string_view ext, std::string& path) {
  if (!fileExts) return std::string();
  DWORD type;
  HKEY key = nullptr;
  path.assign(ext).append("\\UserChoiceLatest");
  if (reg.RegOpenKeyExA(fileExts, path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    std::string choice = LayerProgId(reg, key, "ProgId", "ProgId", type);
    if (choice.empty()) choice = ProgramIdView(ReadOpenValue(reg, key, "ProgId", type));
    reg.RegCloseKey(key);
    return choice;
  }
  path.assign(ext).append("\\UserChoice");
  return LayerProgId(reg, fileExts, path, "ProgId", type);
}

void ReadLayers(IRegistry& reg, HKEY root, const ClassLayers& layers, const IndirectStringResolver& resolve,
                const std::string& rawProgramId, bool inUserClasses, std::string choice, AssocEntry& entry) {
  const std::string& ext = entry.Ext();
  DWORD type = REG_NONE;
  if (inUserClasses) {
    entry.MachineProgID(LayerProgId(reg, layers.machine, ext, "", type));
    entry.ValueType(AssocEntry::kMachineType, type);
    entry.UserProgID(LayerProgId(reg, layers.user, ext, "", type));
    entry.ValueType(AssocEntry::kUserType, type);
  } else if (layers.machine) {
    entry.MachineProgID(rawProgramId);
    entry.ValueType(AssocEntry::kMachineType, entry.ValueType(AssocEntry::kIdType));
  }
  entry.ChoiceProgID(std::move(choice));
  entry.Layered(true);

  // What opens the type.
  const std::string& inForce = entry.InForceProgID();
  if (inForce.empty() || inForce == rawProgramId || EqualsNoCase(inForce, rawProgramId)) {
    entry.OpenerCommand(entry.ProgramFullPath());
    return;
  }
  const std::vector<HKEY> order{layers.user, layers.machine, root};
  for (HKEY layer : order) {
    std::string command = CommandIn(reg, layer, inForce);
    if (!command.empty()) {
      entry.OpenerCommand(std::move(command));
      return;
    }
  }
  std::string app = PackagedAppName(reg, order, inForce, resolve);
  if (app.empty()) {
    bool registered = false;
    for (HKEY layer : order) registered = registered || KeyExists(reg, layer, inForce);
    app = inForce + (registered ? " (no open command)" : " (not registered)");
  }
  entry.OpenerName(std::move(app));
}

std::string PackageNameOf(std::string_view name) {
  if (name.size() < 2 || name.substr(0, 2) != "@{") return std::string(name.size() && name[0] == '@' ? "" : name);
  name.remove_prefix(2);
  return std::string(name.substr(0, name.find_first_of("_?}")));
}

}  // namespace hollin
