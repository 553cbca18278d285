#include "registry/user_classes.h"

#include <algorithm>
#include <unordered_set>

#include "common/text.h"
#include "registry/layers.h"
#include "registry/reg_key.h"

namespace hollin {
namespace {

// After this many indexes in a row that cannot be read, a listing ends.
constexpr int kMostFailures = 64;

// Room for the names and data read, kept for the whole read.
struct Buffers {
  std::vector<char> name = std::vector<char>(1024);
  std::vector<char> data = std::vector<char>(1024);
};

// A field of the text: its length, then its bytes, so that no name or value
// can pass for another's.
void Field(std::string& out, std::string_view text) {
  out += std::to_string(text.size());
  out += ':';
  out += text;
}

void Status(std::string& out, LONG status) {
  out += '!';
  out += std::to_string(status);
  out += ';';
}

// Every value of key: name, type and data. A value whose name or data does
// not fit is read again with more room (the registry may raise the count,
// or leave it); one that still fails is a status.
void Values(IRegistry& reg, HKEY key, Buffers& b, std::string& out) {
  int failedInARow = 0;
  for (DWORD index = 0;; ++index) {
    LONG status = ERROR_MORE_DATA;
    DWORD nameLength = 0, type = REG_NONE, size = 0;
    for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
      nameLength = static_cast<DWORD>(b.name.size());
      size = static_cast<DWORD>(b.data.size());
      status = reg.RegEnumValueA(key, index, b.name.data(), &nameLength, nullptr, &type,
                                 reinterpret_cast<BYTE*>(b.data.data()), &size);
      if (status != ERROR_MORE_DATA) break;
      // Which of the two did not fit is not told: both grow, the data at
      // least to what the registry asked for.
      if (b.name.size() < 65536) b.name.resize(b.name.size() * 2);
      b.data.resize(std::max<size_t>(b.data.size() * 2, size_t{size} + 1));
    }
    if (status == ERROR_NO_MORE_ITEMS) return;
    out += 'V';
    if (status != ERROR_SUCCESS) {
      Status(out, status);
      if (++failedInARow == kMostFailures) return;
      continue;
    }
    failedInARow = 0;
    Field(out, std::string_view(b.name.data(), std::min<size_t>(nameLength, b.name.size())));
    out += std::to_string(type);
    Field(out, std::string_view(b.data.data(), std::min<size_t>(size, b.data.size())));
  }
}

// The names of key's subkeys in the order the registry lists them.
std::vector<std::string> Subkeys(IRegistry& reg, HKEY key, Buffers& b, std::string& out) {
  std::vector<std::string> names;
  int failedInARow = 0;
  for (DWORD index = 0;; ++index) {
    DWORD length = 0;
    LONG status = ERROR_MORE_DATA;
    for (;;) {
      length = static_cast<DWORD>(b.name.size());
      status = reg.RegEnumKeyExA(key, index, b.name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status != ERROR_MORE_DATA || b.name.size() >= 65536) break;
      b.name.resize(b.name.size() * 4);
    }
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      Status(out, status);
      if (++failedInARow == kMostFailures) break;
      continue;
    }
    failedInARow = 0;
    names.emplace_back(b.name.data(), std::min<size_t>(length, b.name.size()));
  }
  return names;
}

// Opens path under parent for reading; a failure is a status in the text.
RegKey Open(IRegistry& reg, HKEY parent, const std::string& path, std::string& out) {
  LONG status = ERROR_SUCCESS;
  RegKey key = RegKey::Open(reg, parent, path, KEY_READ, &status);
  if (!key) Status(out, status);
  return key;
}

// One key of the user classes: what the scan may read of it.
void ReadClassKey(IRegistry& reg, HKEY classes, const std::string& path, Buffers& b, std::string& out) {
  out += 'K';
  Field(out, path);
  const RegKey key = Open(reg, classes, path, out);
  if (!key) return;
  Values(reg, key.get(), b, out);
  out += 'A';
  if (const RegKey application = Open(reg, key.get(), "Application", out)) Values(reg, application.get(), b, out);
  out += 'S';
  if (const RegKey shell = Open(reg, key.get(), "shell", out)) {
    Values(reg, shell.get(), b, out);
    for (const std::string& verb : Subkeys(reg, shell.get(), b, out)) {
      out += 'v';
      Field(out, verb);
      if (const RegKey verbKey = Open(reg, shell.get(), verb, out)) {
        Values(reg, verbKey.get(), b, out);
        out += 'c';
        if (const RegKey command = Open(reg, verbKey.get(), "command", out)) Values(reg, command.get(), b, out);
      }
    }
  }
}

}  // namespace

std::string ReadUserClassesState(IRegistry& reg, const std::vector<std::string>& paths) {
  std::string out;
  LONG status = ERROR_SUCCESS;
  const RegKey classes = RegKey::Open(reg, HKEY_CURRENT_USER, kClassesPath, KEY_READ, &status);
  if (!classes) {
    Status(out, status);
    return out;
  }
  return ReadUserClassesState(reg, classes.get(), paths);
}

std::string ReadUserClassesState(IRegistry& reg, HKEY classes, const std::vector<std::string>& paths) {
  std::string out;
  Buffers b;
  for (const std::string& name : Subkeys(reg, classes, b, out)) ReadClassKey(reg, classes, name, b, out);
  out += '\n';
  for (const std::string& path : paths) ReadClassKey(reg, classes, path, b, out);
  return out;
}

std::vector<std::string> DeepIdentifiers(std::initializer_list<const AssocEntries*> collections) {
  std::vector<std::string> paths;
  std::unordered_set<std::string> folded;  // of the paths taken
  for (const AssocEntries* entries : collections)
    if (entries)
      for (const auto& e : *entries) {
        // A link's layers hold its commands, not identifiers: only
        // Explorer's choice names one.
        const bool link = e->IsProtocol();
        for (const std::string* id :
             {&e->ChoiceProgID(), &e->IgnoredChoice(), link ? nullptr : &e->ProgramID(),
              link ? nullptr : &e->MachineProgID(), link ? nullptr : &e->UserProgID()}) {
          if (!id || id->find('\\') == std::string::npos) continue;
          if (folded.insert(FoldCase(*id)).second) paths.push_back(*id);
        }
      }
  return paths;
}

}  // namespace hollin
