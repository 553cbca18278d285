#include "registry/scan.h"

#include "registry/reg_string.h"

namespace hollin {
namespace {

constexpr DWORD kNameBuffer = 256;
constexpr LONG kValueBuffer = 256;
const std::string kOpenCommand = "\\shell\\open\\command";

bool CanOpen(IRegistry& reg, HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (reg.RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return false;
  reg.RegCloseKey(key);
  return true;
}

}  // namespace

std::string ReadDefaultValue(IRegistry& reg, HKEY root, const std::string& path) {
  // A value that does not fit the usual 256 bytes is read again with the
  // size the registry asks for: a long command is still recorded, so that a
  // hijacker cannot hide a type behind one. The retry allows for a value
  // that grows between the two reads.
  std::string buffer(static_cast<size_t>(kValueBuffer), ' ');
  for (int attempt = 0; attempt < 8; ++attempt) {
    LONG count = static_cast<LONG>(buffer.size());
    const LONG status = reg.RegQueryValueA(root, path.c_str(), buffer.data(), &count);
    if (status == ERROR_MORE_DATA && count > static_cast<LONG>(buffer.size())) {
      buffer.assign(static_cast<size_t>(count), ' ');
      continue;
    }
    if (status != ERROR_SUCCESS) return std::string();
    if (count < 0) count = 0;
    if (static_cast<size_t>(count) < buffer.size()) buffer.resize(static_cast<size_t>(count));
    return TrimRegString(buffer);
  }
  return std::string();
}

ScanResult ScanCurrentEntries(IRegistry& reg, HKEY root) {
  ScanResult result;
  result.entries = std::make_shared<cRegEntries>();
  char name[kNameBuffer];
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = kNameBuffer;
    if (reg.RegEnumKeyExA(root, index, name, &nameLength, nullptr, nullptr,
                          nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (name[0] != '.') continue;
    // The key's name is used exactly as the registry gives it: trimming it
    // would read another key (".txt " is not ".txt") and make two keys one.
    const std::string ext(name, nameLength);

    std::string programId = ReadDefaultValue(reg, root, ext);
    std::string commandKey;
    std::string command;
    if (!programId.empty()) {
      std::string viaProgramId = programId + kOpenCommand;
      std::string viaExtension = ext + kOpenCommand;
      if (CanOpen(reg, root, viaProgramId)) {
        command = ReadDefaultValue(reg, root, viaProgramId);
        commandKey = std::move(viaProgramId);
      } else if (CanOpen(reg, root, viaExtension)) {
        programId.clear();
        command = ReadDefaultValue(reg, root, viaExtension);
        commandKey = std::move(viaExtension);
      }
    }
    command = TrimRegString(command);
    if (command.empty()) continue;

    auto entry = std::make_shared<cRegEntry>();
    entry->Ext(ext);
    entry->ProgramID(std::move(programId));
    entry->OpenCmdRegKey(std::move(commandKey));
    entry->ProgramFullPath(std::move(command));
    result.entries->Add(entry, ext);
    result.last = std::move(entry);
  }
  return result;
}

}  // namespace hollin
