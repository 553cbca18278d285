// Whole-file reads and atomic replacement over the wide functions of the
// Windows file API (paths converted at the call): write a
// temporary file, FlushFileBuffers, then MoveFileEx with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
#include <algorithm>
#include <cstdlib>

#include "common/atomic_file.h"
#include "common/win32_text.h"

namespace hollin {
namespace {

constexpr DWORD kChunk = 64 * 1024;

using Kind = FileError::Kind;

// The error's number and the system's reason for it.
[[noreturn]] void Throw(const std::string& path, Kind kind, DWORD err) {
  throw FileError(path, kind, static_cast<long>(err), SystemErrorText(err));
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LeafOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

namespace detail {
unsigned long CurrentProcessId() { return GetCurrentProcessId(); }
bool ProcessIsRunning(unsigned long pid) {
  if (pid == 0) return false;
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
}
}  // namespace detail

ReadResult ReadWholeFile(const std::string& path, std::string& out, std::uint64_t limit) {
  // Sharing delete lets another copy of the program move its new file over
  // this one while we read it; we keep reading the old bytes.
  // A writer, a backup or a virus scanner may hold the file for a moment:
  // a sharing or lock violation is waited out for a second, as a replace is.
  HANDLE h = INVALID_HANDLE_VALUE;
  DWORD err = ERROR_SUCCESS;
  for (int attempt = 0;; ++attempt) {
    h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) break;
    err = GetLastError();
    if ((err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION) || attempt >= 50) break;
    Sleep(20);
  }
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD attr = GetFileAttributesW(Wide(path).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES &&
        (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND))
      return ReadResult::NotFound;
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
      throw FileError(path, Kind::NotPlainFile);
    Throw(path, Kind::NotReadable, err);
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {  // a pipe or a device
    CloseHandle(h);
    throw FileError(path, Kind::NotPlainFile);
  }
  LARGE_INTEGER size{};
  const bool sized = GetFileSizeEx(h, &size);
  if (sized && static_cast<std::uint64_t>(size.QuadPart) > limit) {
    CloseHandle(h);
    return ReadResult::TooLarge;
  }
  // Read straight into out, using the storage it has: one copy of the
  // bytes, and no new allocation when out held a file of that size before.
  std::string& data = out;
  data.resize(sized ? static_cast<size_t>(size.QuadPart) + 1 : kChunk);
  size_t have = 0;
  for (;;) {
    if (have == data.size()) {  // it grew meanwhile
      if (have > limit) {
        CloseHandle(h);
        data.clear();
        return ReadResult::TooLarge;
      }
      data.resize(data.size() * 2);
    }
    DWORD n = 0;
    const DWORD want =
        static_cast<DWORD>(std::min<size_t>(data.size() - have, 1u << 30));
    if (!ReadFile(h, data.data() + have, want, &n, nullptr)) {
      const DWORD err = GetLastError();
      CloseHandle(h);
      data.clear();
      Throw(path, Kind::ReadFailed, err);
    }
    if (n == 0) break;
    have += n;
  }
  CloseHandle(h);
  data.resize(have);
  if (have > limit) {
    data.clear();
    return ReadResult::TooLarge;
  }
  return ReadResult::Ok;
}

void ReplaceFileAtomically(const std::string& path,
                           std::string_view content) {
  int step = 0;
  detail::CallWriteStepHook(++step);
  std::string tmp;
  HANDLE h = INVALID_HANDLE_VALUE;
  // A name taken by a stale temporary (of an earlier process with our id)
  // is skipped rather than reported as a failure.
  for (int attempt = 0; h == INVALID_HANDLE_VALUE; ++attempt) {
    tmp = TemporaryNameFor(path, detail::CurrentProcessId(),
                           detail::NextTemporarySerial());
    // No FILE_SHARE_DELETE: while we write, nobody can remove our temporary.
    h = CreateFileW(Wide(tmp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      if (err == ERROR_PATH_NOT_FOUND) throw FileError(path, Kind::FolderMissing);
      if ((err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) || attempt >= 100)
        Throw(path, Kind::TemporaryNotWritten, err);
    }
  }
  auto fail = [&](Kind kind, DWORD err) {
    CloseHandle(h);
    DeleteFileW(Wide(tmp).c_str());
    Throw(path, kind, err);
  };
  size_t done = 0;
  while (done < content.size()) {
    detail::CallWriteStepHook(++step);
    const DWORD want =
        static_cast<DWORD>(std::min<size_t>(kChunk, content.size() - done));
    DWORD n = 0;
    if (!WriteFile(h, content.data() + done, want, &n, nullptr) || n == 0)
      fail(Kind::WriteFailed, GetLastError());
    done += n;
  }
  detail::CallWriteStepHook(++step);
  if (!FlushFileBuffers(h)) fail(Kind::NotFlushed, GetLastError());
  detail::CallWriteStepHook(++step);
  CloseHandle(h);
  detail::CallWriteStepHook(++step);
  // A reader or another writer may hold the target for a moment; the move
  // is tried again for up to two seconds before it counts as failed. A
  // read-only target or a folder is refused at once.
  const DWORD attr = GetFileAttributesW(Wide(path).c_str());
  if (attr != INVALID_FILE_ATTRIBUTES &&
      (attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    DeleteFileW(Wide(tmp).c_str());
    throw FileError(path, (attr & FILE_ATTRIBUTE_DIRECTORY) ? Kind::ReplacedIsFolder : Kind::ReplacedIsReadOnly);
  }
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(Wide(tmp).c_str(), Wide(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      break;
    const DWORD err = GetLastError();
    if ((err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION) && attempt < 100) {
      Sleep(20);
      continue;
    }
    DeleteFileW(Wide(tmp).c_str());
    Throw(path, Kind::NotReplaced, err);
  }
  detail::CallWriteStepHook(++step);
}

std::error_code FlushFileToDisk(const std::string& path) {
  // FlushFileBuffers needs a handle with the right to write.
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SystemError(GetLastError());
  const bool flushed = FlushFileBuffers(h);
  const DWORD err = GetLastError();
  CloseHandle(h);
  return flushed ? std::error_code() : SystemError(err);
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string leaf = LeafOf(path);
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(Wide(path + ".*.tmp").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    // The pattern also matches short (8.3) names; the check is on the long one.
    const std::string name = Utf8(fd.cFileName);
    if (detail::IsStaleTemporary(leaf, name, true))
      DeleteFileW(Wide(folder + name).c_str());
  } while (FindNextFileW(find, &fd));
  FindClose(find);
}

}  // namespace hollin
