// Shared helpers of the test executables.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "common/message_box.h"

namespace hollin {
// Boxes compare field by field, so that a test can state a whole box at once.
bool operator==(const MessageBoxRequest& a, const MessageBoxRequest& b);
void PrintTo(const MessageBoxRequest& box, std::ostream* os);
}  // namespace hollin

namespace hollin::test {

// A fresh, empty folder that is removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A message-box service that records every box and answers from a script
// (Ok for an OK box, No for a question when the script has run out), after
// running whileShown, a test's look at the program while a box is up.
class ScriptedMessageBox : public IMessageBox {
 public:
  MbAnswer Show(const MessageBoxRequest& request) override;
  void Answer(MbAnswer a) { answers_.push_back(a); }

  std::vector<MessageBoxRequest> shown;
  std::function<void()> whileShown;

 private:
  std::deque<MbAnswer> answers_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The sections of a data file, in order: each begins with a line
// "=== <name>", and its text runs up to the line end before the next such
// line or the end of the file. Lines before the first are notes.
std::vector<std::pair<std::string, std::string>> Sections(const std::string& file);

#ifdef HOLLIN_DATA_DIR
// A data file of the test's own folder (tests/<module>/data), byte for byte.
inline std::string Data(const std::string& name) { return ReadFileBytes(HOLLIN_DATA_DIR "/" + name); }
#endif

// The path of the running test executable, for tests that start a copy of
// themselves as a child process.
std::string SelfPath();

// A start of the test executable that is no test run (a child process a test
// started): hook sees the command line first and returns the exit code, or
// -1 to run the tests. Set by a static initializer of the test file's own.
using StartHook = int (*)(int argc, char** argv);
bool SetStartHook(StartHook hook);
StartHook GetStartHook();

// Runs the command line and returns its exit code (-1 when it cannot start).
int RunChild(const std::string& commandLine);

#ifndef _WIN32
// Makes a FIFO at path and runs read, which must refuse it without waiting
// for a writer. Returns what read threw ("" when it threw nothing), or
// "waits for a writer" when it was still waiting after ten seconds (a writer
// then comes and goes, so that it ends).
std::string ReadOfFifo(const std::string& path, const std::function<void()>& read);
#endif

}  // namespace hollin::test
