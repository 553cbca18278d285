#include "compare/default_apps.h"

#include <utility>

#include "common/text.h"
#include "registry/layers.h"
#include "registry/reg_key.h"
#include "registry/reg_string.h"

namespace hollin {
namespace {

// A packaged app's AppUserModelID, "" where progId names none.
std::string AppUserModelIdOf(IRegistry& reg, const std::string& progId) {
  const std::string path = std::string(kClassesPath) + "\\" + progId + "\\Application";
  for (const auto& [root, key] : {std::pair{HKEY_CURRENT_USER, path}, std::pair{HKEY_LOCAL_MACHINE, path},
                                  std::pair{HKEY_CLASSES_ROOT, progId + "\\Application"}}) {
    DWORD type;
    std::string id(ProgramIdView(ReadValue(reg, root, key, "AppUserModelID", type)));
    if (!id.empty()) return id;
  }
  return std::string();
}

// The name under which a hive's RegisteredApplications holds a program whose
// capabilities map ext to progId, "" where none does.
std::string RegisteredNameOf(IRegistry& reg, HKEY hive, const std::string& ext, const std::string& progId) {
  const RegKey apps = RegKey::Open(reg, hive, kRegisteredApplicationsPath, KEY_QUERY_VALUE);
  if (!apps) return std::string();
  std::string found;
  std::string name(256, '\0');
  for (DWORD index = 0; found.empty();) {
    DWORD cch = static_cast<DWORD>(name.size()), type = REG_NONE;
    const LONG r = reg.RegEnumValueA(apps.get(), index, name.data(), &cch, nullptr, &type, nullptr, nullptr);
    if (r == ERROR_MORE_DATA && name.size() < 65536) {
      name.resize(name.size() * 4);  // a value's name has at most 16,383 characters
      continue;
    }
    if (r == ERROR_NO_MORE_ITEMS) break;
    ++index;
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
    const std::string app(name.data(), cch);
    // The value gives the path of the program's Capabilities key in the
    // same hive.
    const std::string capabilities(ProgramIdView(ReadOpenValue(reg, apps.get(), app.c_str(), type)));
    if (capabilities.empty()) continue;
    const std::string mapped(
        ProgramIdView(ReadValue(reg, hive, capabilities + (IsProtocolName(ext) ? "\\URLAssociations" : "\\FileAssociations"),
                                ext.c_str(), type)));
    if (!mapped.empty() && EqualsNoCase(mapped, progId)) found = app;
  }
  return found;
}

}  // namespace

DefaultAppsPage DefaultAppsPageFor(IRegistry& reg, const std::string& ext, const std::string& progId) {
  if (progId.empty()) return {};
  if (std::string id = AppUserModelIdOf(reg, progId); !id.empty()) return {DefaultAppsPage::Of::PackagedApp, id};
  if (std::string name = RegisteredNameOf(reg, HKEY_CURRENT_USER, ext, progId); !name.empty())
    return {DefaultAppsPage::Of::UserApp, name};
  if (std::string name = RegisteredNameOf(reg, HKEY_LOCAL_MACHINE, ext, progId); !name.empty())
    return {DefaultAppsPage::Of::MachineApp, name};
  return {};
}

DefaultAppsPage DefaultAppsPageFor(IRegistry& reg, const AssocEntries& base, const std::vector<std::string>& types) {
  DefaultAppsPage page;
  for (size_t i = 0; i < types.size(); ++i) {
    const AssocEntry* recorded = base.Lookup(types[i]);
    const DefaultAppsPage own =
        recorded ? DefaultAppsPageFor(reg, types[i], recorded->InForceProgID()) : DefaultAppsPage{};
    if (i > 0 && !(own == page)) return {};
    page = own;
  }
  return page;
}

std::string DefaultAppsUri(const DefaultAppsPage& page) {
  std::string uri = "ms-settings:defaultapps";
  switch (page.of) {
    case DefaultAppsPage::Of::AllApps: return uri;
    case DefaultAppsPage::Of::UserApp: uri += "?registeredAppUser="; break;
    case DefaultAppsPage::Of::MachineApp: uri += "?registeredAppMachine="; break;
    case DefaultAppsPage::Of::PackagedApp: uri += "?registeredAUMID="; break;
  }
  // Escaped as a URI's data: every byte of the UTF-8 text but the
  // unreserved characters as "%" and two hex digits.
  constexpr char kHex[] = "0123456789ABCDEF";
  for (const unsigned char c : page.name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri.append(1, '%').append(1, kHex[c >> 4]).append(1, kHex[c & 15]);
    }
  }
  return uri;
}

}  // namespace hollin
