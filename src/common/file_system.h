// Paths and the few file operations the base store and the command line
// need, over the system's own file functions.
//
// Paths are UTF-8 text. On Windows both '\' and '/' separate names, a path
// may start with a drive ("C:") or a server ("\\server"), and the wide
// functions of the API do the work, so any name the file system holds can
// be reached. The path functions are lexical: they ask nothing of the disk
// and follow no links.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

namespace hollin {

// path appended to folder: with a separator between them unless folder
// already ends in one (or is empty, or a drive alone, as "C:"). A path that
// is absolute stands alone; on Windows one that names another drive stands
// alone too, and one that starts at a root ("\x") keeps folder's drive only.
std::string JoinPath(const std::string& folder, const std::string& path);

// path, taken from folder when it is relative, in its normal form: "." and
// "name/.." taken out, each run of separators one separator (on Windows a
// backslash, also in the drive or server part). ".." past the root is
// dropped; an empty result is ".".
std::string ResolvePath(const std::string& folder, const std::string& path);

// The last name of path: "" when path ends in a separator or is a root.
std::string FileNameOf(const std::string& path);

// path with its last name replaced by name: a file beside it.
std::string SiblingPath(const std::string& path, const std::string& name);

// path made absolute from the process's current folder (on Windows, also
// its current drive, and in the system's normal form); path as it is when it
// is absolute already or cannot be made absolute (an empty path).
std::string AbsolutePath(const std::string& path);

// Whether a file, a folder or anything else exists at path, following
// symbolic links. false too when the system will not tell (no right to look
// into the folder).
bool PathExists(const std::string& path);

// Whether path leads to a folder.
bool IsFolder(const std::string& path);

// Whether path leads to a plain file: not a folder, a device or a pipe.
bool IsPlainFile(const std::string& path);

// Whether path leads to a device or a pipe (NUL, CON, COM1, a FIFO): a name
// that opens, yet holds no file that could be replaced.
bool IsDevice(const std::string& path);

// Whether the name path is taken, by anything: unlike PathExists also by a
// symbolic link that leads nowhere.
bool NameTaken(const std::string& path);

// Whether the file at path is marked so that nobody may write it: no write
// permission for anyone (POSIX), the read-only attribute (Windows). false
// when there is no such file.
bool IsWriteProtected(const std::string& path);

// When the file at path was last written, in whole seconds since 1970
// (UTC); false when that cannot be read (no such file).
bool LastWriteSeconds(const std::string& path, std::int64_t& seconds);

// What tells one file or folder from every other on the machine, whatever
// path leads to it: the volume and the file's number on it (a device and an
// inode on POSIX).
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file or folder at path, following links; false when
// there is none or the system will not tell.
bool IdentityOf(const std::string& path, FileIdentity& identity);

// Removes the file at path; false when it cannot (there is none).
bool RemoveFile(const std::string& path);

// Moves the file from to the name to in one step, replacing a file that
// already has that name.
std::error_code RenameReplacing(const std::string& from, const std::string& to);

// Gives the existing file target a second name, link (no file of that name
// may exist). std::errc::no_such_file_or_directory when target does not
// exist; another error where the file system has no hard links.
std::error_code MakeHardLink(const std::string& target, const std::string& link);

// Copies the plain file from to to, replacing a file of that name; the copy
// gets from's permissions (POSIX) or attributes (Windows).
std::error_code CopyFileReplacing(const std::string& from, const std::string& to);

// Makes the folder at path (its parent must exist); no error when a folder
// of that name is there already.
std::error_code MakeFolder(const std::string& path);

// The names of the plain files in the folder at path, without the folder, in
// no particular order; empty when there is no such folder.
std::vector<std::string> FileNamesIn(const std::string& folder);

// Holds the lock file at path for as long as it lives, so that only one
// process at a time passes (two saves of one base, in any two processes).
// Waits for a holder to let go up to timeoutMs; Held() is false when it did
// not get the lock in that time (Contended) or cannot make the file (then
// the caller's own write there fails with the system's reason). The system lets go
// of a process's lock when the process ends, also when it is killed, so a
// lock is never left stale. On Windows the file goes with its last
// handle; on POSIX the folder that would hold it is locked, and no file is
// made. A name that no holder takes (a folder, a write-protected file put
// there) is no holder either: Blocked() at once, without waiting.
class FileLock {
 public:
  FileLock(const std::string& path, unsigned timeoutMs);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return held_; }
  bool Contended() const { return contended_; }
  bool Blocked() const { return blocked_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;
  bool held_ = false;
  bool contended_ = false;
  bool blocked_ = false;
};

namespace detail {
// Whether path names its place without a current folder or drive: it starts
// at a root ("/" on POSIX; "C:\" or "\\server\" on Windows).
bool IsAbsolutePath(const std::string& path);
}  // namespace detail

}  // namespace hollin
