#include "compare/changed_when.h"

#include <ctime>

#include "common/text.h"
#include "compare/changes.h"
#include "registry/layers.h"
#include "registry/reg_key.h"

namespace hollin {
namespace {

std::string InClasses(const std::string& path) { return std::string(kClassesPath) + "\\" + path; }

// Explorer's choice's key of ext: the one that holds it, else the type's own.
ChangedKey ChoiceKey(IRegistry& reg, const std::string& ext) {
  const std::string type = std::string(kFileExtsPath) + "\\" + ext;
  for (const char* sub : {"\\UserChoiceLatest\\ProgId", "\\UserChoiceLatest", "\\UserChoice"})
    if (KeyExists(reg, HKEY_CURRENT_USER, type + sub)) return {HKEY_CURRENT_USER, type + sub};
  return {HKEY_CURRENT_USER, type};
}

}  // namespace

ChangedKey ChangedKeyOf(IRegistry& reg, const AssocEntry* now, const AssocEntry* before) {
  if (!now) return {};
  const std::string& ext = now->Ext();
  if (!now->Layered() || !before || !before->Layered()) {
    if (!before || !EqualsNoCase(now->ProgramID(), before->ProgramID()) || now->OpenCmdRegKey().empty())
      return {HKEY_CLASSES_ROOT, ext};
    return {HKEY_CLASSES_ROOT, now->OpenCmdRegKey()};
  }
  // A latent change: the key of the layer under the deciding one that changed.
  if (const AssocEntry::Layer latent = LatentLayer(*now, *before); latent != AssocEntry::Layer::Classes) {
    const HKEY root = latent == AssocEntry::Layer::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const std::string& id = latent == AssocEntry::Layer::User ? now->UserProgID() : now->MachineProgID();
    const std::string& was = latent == AssocEntry::Layer::User ? before->UserProgID() : before->MachineProgID();
    if (now->IsProtocol()) return {root, InClasses(ext + std::string(kOpenCommandKey))};
    if (!EqualsNoCase(id, was)) return {root, InClasses(ext)};
    // The class root's command: where it stands, the user classes first.
    const std::string& command = now->OpenCmdRegKey();
    if (command.empty()) return {HKEY_CLASSES_ROOT, ext};
    if (KeyExists(reg, HKEY_CURRENT_USER, InClasses(command))) return {HKEY_CURRENT_USER, InClasses(command)};
    if (KeyExists(reg, HKEY_LOCAL_MACHINE, InClasses(command))) return {HKEY_LOCAL_MACHINE, InClasses(command)};
    return {HKEY_CLASSES_ROOT, command};
  }
  if (!EqualsNoCase(now->InForceProgID(), before->InForceProgID())) {
    if (!EqualsNoCase(now->ChoiceProgID(), before->ChoiceProgID())) return ChoiceKey(reg, ext);
    if (!EqualsNoCase(now->UserProgID(), before->UserProgID())) return {HKEY_CURRENT_USER, InClasses(ext)};
    if (!EqualsNoCase(now->MachineProgID(), before->MachineProgID())) return {HKEY_LOCAL_MACHINE, InClasses(ext)};
    return {HKEY_CLASSES_ROOT, ext};
  }
  // The same program identifier, another command: its open command where
  // it stands, the user classes before the machine classes.
  const std::string& id = now->InForceProgID();
  if (id.empty()) return {HKEY_CLASSES_ROOT, now->OpenCmdRegKey().empty() ? ext : now->OpenCmdRegKey()};
  const std::string command = id + std::string(kOpenCommandKey);
  if (KeyExists(reg, HKEY_CURRENT_USER, InClasses(command))) return {HKEY_CURRENT_USER, InClasses(command)};
  if (KeyExists(reg, HKEY_LOCAL_MACHINE, InClasses(command))) return {HKEY_LOCAL_MACHINE, InClasses(command)};
  return {HKEY_CLASSES_ROOT, command};
}

bool KeyLastWritten(IRegistry& reg, const ChangedKey& where, std::int64_t& seconds) {
  if (!where.root) return false;
  FILETIME written{};
  {
    const RegKey key = RegKey::Open(reg, where.root, where.path, KEY_QUERY_VALUE);
    if (!key || reg.RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS)
      return false;
  }
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
  if (ticks <= 116444736000000000LL) return false;  // before 1970: none the program can show
  seconds = (ticks - 116444736000000000LL) / 10000000;
  return true;
}

std::string LocalMinute(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &t);
#else
  localtime_r(&t, &parts);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
  return text;
}

}  // namespace hollin
