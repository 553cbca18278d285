// Whole-file reads and atomic whole-file replacement.
//
// A replacement writes the new content to a temporary file beside the target,
// flushes it to the disk and then moves it over the target in one step, so a
// crash, a kill or a power loss at any moment leaves either the old file or
// the new one, never a mix. Two writers at once never mix either: each writes
// its own temporary file, and the last complete move wins.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <string_view>

namespace hollin {

// A file could not be read or written: which step failed (kind), the file,
// the system's error number where the platform tells it (Windows; 0
// elsewhere and where there is none) and the system's own reason ("" for
// none). src/messages words it (msg::FileErrorText); what() is only the
// file's path.
class FileError : public std::runtime_error {
 public:
  enum class Kind {
    NotReadable,         // cannot be opened for reading
    NotPlainFile,        // a folder, a pipe or a device
    ReadFailed,          // the read itself
    TemporaryNotWritten, // the temporary file beside it
    WriteFailed,
    NotFlushed,          // to the disk
    NotClosed,
    NotReplaced,         // the move over the target
    ReplacedIsFolder,    // the target is a folder
    ReplacedIsReadOnly,  // the target is write-protected
    NotFound,            // nothing of that name
    FolderMissing,       // the folder it is to be written in
  };
  FileError(std::string path, Kind kind, long code = 0, std::string reason = std::string());
  const std::string& path() const { return path_; }
  Kind kind() const { return kind_; }
  long code() const { return code_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  Kind kind_;
  long code_;
  std::string reason_;
};

enum class ReadResult { Ok, NotFound, TooLarge };

// Reads the whole file into out, reusing out's storage. NotFound means that
// nothing of that name exists (out is then untouched), TooLarge that the
// file holds more than limit bytes, told by its size before anything is read
// (or as soon as a file that grows meanwhile passes it); anything else that stops the read (a folder, a
// FIFO or a device of that name, no right to read, an I/O error) throws
// FileError. Opening never waits for a writer.
ReadResult ReadWholeFile(const std::string& path, std::string& out,
                         std::uint64_t limit = UINT64_MAX);

// Replaces the file at path by content as described above. Throws FileError
// when the new content cannot be made durable; the old file is then untouched
// and the temporary file is removed.
void ReplaceFileAtomically(const std::string& path, std::string_view content);

// Puts a file that was just written on the disk; an error when it cannot be
// opened or flushed. A file renamed into place before its bytes reach the
// disk can, after a power loss, be there under its new name but empty or
// torn: the file system may keep the rename and not the data. A kill cannot
// cause this (the system still writes what it was given), so no test shows
// it.
std::error_code FlushFileToDisk(const std::string& path);

// Removes temporary files that a writer of path left behind when it was
// killed. Files of writers that still run are left alone. A file named with
// this process's own id but a serial it has not issued yet was left by an
// earlier process that had the same id, and is removed too.
void RemoveStaleTemporaries(const std::string& path);

// The name pattern of the temporaries: path + "." + process id + "." + serial
// + ".tmp". Exposed for the tests that plant stale ones.
std::string TemporaryNameFor(const std::string& path, unsigned long pid,
                             unsigned serial);

// Fault injection for tests: when set, the hook is called before each step of
// a replacement with the step's number (1 = create the temporary file, then
// one step per chunk written, then flush, close, move, and the flush of the
// folder after the move). A test hook that ends the process simulates a crash
// at that point.
using WriteStepHook = void (*)(int step);
void SetWriteStepHook(WriteStepHook hook);

namespace detail {
void CallWriteStepHook(int step);
unsigned long CurrentProcessId();
bool ProcessIsRunning(unsigned long pid);
// The serial for this process's next temporary file.
unsigned NextTemporarySerial();
// Whether a file of the folder named leaf is a stale temporary of the file
// whose name (without folder) is target: "target.PID.SERIAL.tmp", PID and
// SERIAL all digits, of a writer that no longer runs. Letter case of the
// name is ignored when ignoreCase is set (Windows).
bool IsStaleTemporary(const std::string& target, const std::string& leaf,
                      bool ignoreCase);
}  // namespace detail

}  // namespace hollin
