// Whole-file reads and atomic replacement over the Windows file API: write a
// temporary file, FlushFileBuffers, then MoveFileEx with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "common/atomic_file.h"

namespace hollin {
namespace {

constexpr DWORD kChunk = 64 * 1024;
std::atomic<unsigned> g_serial{0};

std::string Cause(const char* what, DWORD err) {
  char* msg = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, err, 0, reinterpret_cast<LPSTR>(&msg), 0, nullptr);
  std::string text = std::string(what) + " (error " + std::to_string(err) + ")";
  if (msg) {
    std::string m = msg;
    LocalFree(msg);
    while (!m.empty() && (m.back() == '\n' || m.back() == '\r' || m.back() == ' '))
      m.pop_back();
    if (!m.empty()) text += ": " + m;
  }
  return text;
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

ReadResult ReadWholeFile(const std::string& path, std::string& out) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    const DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES &&
        (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND))
      return ReadResult::NotFound;
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
      throw FileError(path, "is not a plain file");
    throw FileError(path, Cause("cannot be opened for reading", err));
  }
  std::string data;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size)) data.reserve(static_cast<size_t>(size.QuadPart));
  char buf[kChunk];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h, buf, kChunk, &n, nullptr)) {
      const DWORD err = GetLastError();
      CloseHandle(h);
      throw FileError(path, Cause("cannot be read", err));
    }
    if (n == 0) break;
    data.append(buf, n);
  }
  CloseHandle(h);
  out.swap(data);
  return ReadResult::Ok;
}

void ReplaceFileAtomically(const std::string& path,
                           std::string_view content) {
  const std::string tmp =
      TemporaryNameFor(path, detail::CurrentProcessId(), g_serial++);
  int step = 0;
  detail::CallWriteStepHook(++step);
  // No FILE_SHARE_DELETE: while we write, nobody can remove our temporary.
  HANDLE h = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw FileError(path,
                    Cause("cannot be written (temporary file)", GetLastError()));
  auto fail = [&](const char* what, DWORD err) {
    CloseHandle(h);
    DeleteFileA(tmp.c_str());
    throw FileError(path, Cause(what, err));
  };
  size_t done = 0;
  while (done < content.size()) {
    detail::CallWriteStepHook(++step);
    const DWORD want =
        static_cast<DWORD>(std::min<size_t>(kChunk, content.size() - done));
    DWORD n = 0;
    if (!WriteFile(h, content.data() + done, want, &n, nullptr) || n == 0)
      fail("cannot be written", GetLastError());
    done += n;
  }
  detail::CallWriteStepHook(++step);
  if (!FlushFileBuffers(h)) fail("cannot be flushed to the disk", GetLastError());
  detail::CallWriteStepHook(++step);
  CloseHandle(h);
  detail::CallWriteStepHook(++step);
  if (!MoveFileExA(tmp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD err = GetLastError();
    DeleteFileA(tmp.c_str());
    throw FileError(path, Cause("cannot be replaced", err));
  }
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = LeafOf(path) + ".";
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((path + ".*.tmp").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name.size() <= prefix.size() + 4) continue;
    const std::string mid =
        name.substr(prefix.size(), name.size() - prefix.size() - 4);
    const auto dot = mid.find('.');
    if (dot == std::string::npos || dot == 0) continue;
    char* end = nullptr;
    const unsigned long pid = std::strtoul(mid.c_str(), &end, 10);
    if (end != mid.c_str() + dot) continue;
    if (detail::ProcessIsRunning(pid)) continue;
    DeleteFileA((folder + name).c_str());
  } while (FindNextFileA(find, &fd));
  FindClose(find);
}

}  // namespace hollin
