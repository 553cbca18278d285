// The file operations over POSIX.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "common/file_system.h"

namespace hollin {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || detail::IsAbsolutePath(path)) return path;
  std::string folder(256, '\0');
  while (!getcwd(folder.data(), folder.size())) {
    if (errno != ERANGE) return path;
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return JoinPath(folder, path);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool NameTaken(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool IsWriteProtected(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool LastWriteSeconds(const std::string& path, std::int64_t& seconds) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  seconds = static_cast<std::int64_t>(st.st_mtime);
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

std::error_code RenameReplacing(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code MakeHardLink(const std::string& target, const std::string& link) {
  return ::link(target.c_str(), link.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code CopyFileReplacing(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return LastError();
  std::error_code ec;
  struct stat st {};
  if (fstat(in, &st) != 0) ec = LastError();
  else if (!S_ISREG(st.st_mode)) ec = std::make_error_code(std::errc::not_supported);
  const int out = ec ? -1 : open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (!ec && (out < 0 || fchmod(out, st.st_mode & 07777) != 0)) ec = LastError();
  char buffer[64 * 1024];
  while (!ec) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) ec = LastError();
      continue;
    }
    for (ssize_t done = 0; !ec && done < n;) {
      const ssize_t w = write(out, buffer + done, static_cast<size_t>(n - done));
      if (w >= 0) done += w;
      else if (errno != EINTR) ec = LastError();
    }
  }
  if (out >= 0 && close(out) != 0 && !ec) ec = LastError();
  close(in);
  return ec;
}

std::error_code MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(path))) return {};
  return LastError();
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat st {};
    if (name != "." && name != ".." && stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
      names.push_back(name);
  }
  closedir(dir);
  return names;
}

// flock on the folder that would hold the lock file: nothing is left on
// the disk, also by a holder that was killed (a lock file removed by its
// holder could be locked anew by a third process while a second still
// waits on the old one). Saves of two files of one folder take turns too.
FileLock::FileLock(const std::string& path, unsigned timeoutMs) : path_(path) {
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() >= until) {
      close(fd);
      contended_ = true;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  handle_ = fd;
  held_ = true;
}

FileLock::~FileLock() {
  if (held_) close(static_cast<int>(handle_));
}

}  // namespace hollin
