// The file operations over the wide functions of the Windows file API.
#include "common/file_system.h"

#include <string_view>

#include "common/win32_text.h"

namespace hollin {
namespace {

// The system's code, and with it the system's text (SystemErrors tells
// which codes stand for std::errc::no_such_file_or_directory).
std::error_code LastError() { return SystemError(GetLastError()); }

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || detail::IsAbsolutePath(path)) return path;
  const std::wstring wide = Wide(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return path;
    if (n < full.size()) {
      full.resize(n);
      return Utf8(full);
    }
    full.resize(n);  // n counts the terminating NUL when the buffer is too small
  }
}

bool PathExists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool NameTaken(const std::string& path) { return PathExists(path); }

bool IsWriteProtected(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool LastWriteSeconds(const std::string& path, std::int64_t& seconds) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
  // 100-nanosecond ticks since 1601.
  const std::int64_t ticks = (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                             data.ftLastWriteTime.dwLowDateTime;
  constexpr std::int64_t kTicksTo1970 = 116444736000000000, kTicksPerSecond = 10000000;
  const std::int64_t since1970 = ticks - kTicksTo1970;
  seconds = since1970 / kTicksPerSecond - (since1970 % kTicksPerSecond < 0 ? 1 : 0);
  return true;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsPlainFile(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool disk = GetFileType(file) == FILE_TYPE_DISK;
  CloseHandle(file);
  return disk;
}

bool IsDevice(const std::string& path) {
  // The reserved names (NUL, CON, COM1 ...) are devices in every folder and
  // need not exist as entries of it: the system's full path of one names
  // the device ("\\.\CON"), where the path given was no such spelling.
  const std::wstring wide = Wide(path);
  if (wide.rfind(L"\\\\", 0) != 0) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
    if (n > 4 && n < MAX_PATH && std::wstring_view(full, 4) == L"\\\\.\\") return true;
  }
  // Anything else that opens: the handle's type tells.
  const HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
  // No access asked for: the attributes of a file another program holds
  // open are read all the same; a folder needs the backup flag to open.
  const HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!known) return false;
  identity = {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()); }

std::error_code RenameReplacing(const std::string& from, const std::string& to) {
  // A folder (or a link to one) is moved without those flags, which
  // MoveFileEx refuses for folders: one is never replaced anyway.
  const DWORD flags = IsFolder(from) ? 0 : MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags) ? std::error_code() : LastError();
}

std::error_code MakeHardLink(const std::string& target, const std::string& link) {
  return CreateHardLinkW(Wide(link).c_str(), Wide(target).c_str(), nullptr) ? std::error_code() : LastError();
}

std::error_code CopyFileReplacing(const std::string& from, const std::string& to) {
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) ? std::error_code() : LastError();
}

std::error_code MakeFolder(const std::string& path) {
  if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return {};
  const DWORD err = GetLastError();
  if (err == ERROR_ALREADY_EXISTS && IsFolder(path)) return {};
  return SystemError(err);
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(Wide(JoinPath(folder, "*")).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
      names.push_back(Utf8(found.cFileName));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

// A file opened without sharing: a second opener is refused (a sharing
// violation, or access denied while the last holder's file is being
// deleted) until the holder closes it, and it goes with its last handle.
FileLock::FileLock(const std::string& path, unsigned timeoutMs) : path_(path) {
  const ULONGLONG until = GetTickCount64() + timeoutMs;
  for (;;) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_ = reinterpret_cast<std::intptr_t>(h);
      held_ = true;
      return;
    }
    const DWORD err = GetLastError();
    // Access denied to a file that is not there is the folder's refusal,
    // not another holder.
    if (err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION &&
        !(err == ERROR_ACCESS_DENIED && PathExists(path)))
      return;
    if (err == ERROR_ACCESS_DENIED && (IsFolder(path) || IsWriteProtected(path))) {
      blocked_ = true;
      return;
    }
    if (GetTickCount64() >= until) {
      contended_ = true;
      return;
    }
    Sleep(20);
  }
}

FileLock::~FileLock() {
  if (held_) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace hollin

