// Whole-file reads and atomic replacement over POSIX: write a temporary file,
// fsync it, rename it over the target, fsync the folder.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/atomic_file.h"

namespace hollin {
namespace {

constexpr size_t kChunk = 64 * 1024;

using Kind = FileError::Kind;

// The system's reason is told; the number is not (the POSIX way).
[[noreturn]] void Throw(const std::string& path, Kind kind, int err) {
  throw FileError(path, kind, 0, std::strerror(err));
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string LeafOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

namespace detail {
unsigned long CurrentProcessId() {
  return static_cast<unsigned long>(getpid());
}
bool ProcessIsRunning(unsigned long pid) {
  if (pid == 0) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
}  // namespace detail

ReadResult ReadWholeFile(const std::string& path, std::string& out, std::uint64_t limit) {
  // Without O_NONBLOCK, opening a FIFO would wait for a writer; the mode is
  // set back once the file is known to be a plain one.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::NotFound;
    Throw(path, Kind::NotReadable, errno);
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    throw FileError(path, Kind::NotPlainFile);
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int err = errno;
    close(fd);
    Throw(path, Kind::NotReadable, err);
  }
  if (static_cast<std::uint64_t>(st.st_size) > limit) {
    close(fd);
    return ReadResult::TooLarge;
  }
  // Read straight into out, using the storage it has: one copy of the
  // bytes, and no new allocation when out held a file of that size before.
  std::string& data = out;
  data.resize(static_cast<size_t>(st.st_size) + 1);
  size_t have = 0;
  for (;;) {
    if (have == data.size()) {  // it grew meanwhile
      if (have > limit) {
        close(fd);
        data.clear();
        return ReadResult::TooLarge;
      }
      data.resize(data.size() * 2);
    }
    const ssize_t n = read(fd, data.data() + have, data.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      data.clear();
      Throw(path, Kind::ReadFailed, err);
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  close(fd);
  data.resize(have);
  if (have > limit) {
    data.clear();
    return ReadResult::TooLarge;
  }
  return ReadResult::Ok;
}

void ReplaceFileAtomically(const std::string& path,
                           std::string_view content) {
  // The new file gets the old one's permissions, so a replacement never
  // widens (or narrows) who may read the file.
  mode_t mode = 0644;
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;
  int step = 0;
  detail::CallWriteStepHook(++step);
  std::string tmp;
  int fd = -1;
  // A name taken by a stale temporary (of an earlier process with our id)
  // is skipped rather than reported as a failure.
  for (int attempt = 0; fd < 0; ++attempt) {
    tmp = TemporaryNameFor(path, detail::CurrentProcessId(),
                           detail::NextTemporarySerial());
    fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ENOENT) throw FileError(path, Kind::FolderMissing);
    if (fd < 0 && (errno != EEXIST || attempt >= 100))
      Throw(path, Kind::TemporaryNotWritten, errno);
  }
  auto fail = [&](Kind kind, int err) {
    close(fd);
    unlink(tmp.c_str());
    Throw(path, kind, err);
  };
  if (fchmod(fd, mode) != 0) fail(Kind::TemporaryNotWritten, errno);
  size_t done = 0;
  while (done < content.size()) {
    detail::CallWriteStepHook(++step);
    const size_t want = std::min(kChunk, content.size() - done);
    const ssize_t n = write(fd, content.data() + done, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(Kind::WriteFailed, errno);
    }
    done += static_cast<size_t>(n);
  }
  detail::CallWriteStepHook(++step);
  if (fsync(fd) != 0) fail(Kind::NotFlushed, errno);
  detail::CallWriteStepHook(++step);
  if (close(fd) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    Throw(path, Kind::NotClosed, err);
  }
  detail::CallWriteStepHook(++step);
  if (rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    Throw(path, Kind::NotReplaced, err);
  }
  // Make the rename itself durable.
  detail::CallWriteStepHook(++step);
  const int dfd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
}

std::error_code FlushFileToDisk(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {errno, std::generic_category()};
  const int flushed = fsync(fd), err = errno;
  close(fd);
  return flushed == 0 ? std::error_code() : std::error_code(err, std::generic_category());
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string leaf = LeafOf(path);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (detail::IsStaleTemporary(leaf, name, false))
      unlink((folder + "/" + name).c_str());
  }
  closedir(dir);
}

}  // namespace hollin
