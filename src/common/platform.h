// The process and screen services that start-up and the windows need.
#pragma once

#include <cstdint>
#include <string>

namespace hollin {

enum class MousePointer { Default = 0, Hourglass = 11 };

// Window styles for a started program.
enum class WindowStyle { Normal = 1, Minimized = 2 };

// The running program as the platform records it (its version resource).
struct ProgramIdentity {
  std::string title;
  std::string product;
  std::string description;
  int major = 0, minor = 0, revision = 0;
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  // Whether another copy of the program is already running.
  virtual bool AnotherInstanceRunning() = 0;
  // A turn shared by every process of the session (common/base_turn.h):
  // waits up to waitMs for the turn named name and takes it; false when
  // another process still holds it then. The thread that took a turn gives
  // it back; one that takes it again holds it once more, given back as often.
  virtual bool TakeTurn(const std::string& name, unsigned waitMs) = 0;
  virtual void GiveTurn(const std::string& name) = 0;
  // The folder of the running program, without a trailing backslash unless
  // it is a drive's root.
  virtual std::string ProgramFolder() = 0;
  // Makes folder the current drive and folder.
  virtual void ChangeCurrentFolder(const std::string& folder) = 0;
  virtual void SetMousePointer(MousePointer pointer) = 0;
  // The process's command line, as the platform gives it.
  virtual std::string CommandLine() = 0;
  // The system beep.
  virtual void Beep() = 0;
  // Tells the shell that file associations changed, so that it shows the
  // programs that now open them.
  virtual void AssociationsChanged() = 0;
  // The platform's text for a status code ("" when it has none).
  virtual std::string ErrorText(long status) = 0;
  // Starts a program by its command line, its window active in the given
  // style; false when it cannot be started.
  virtual bool StartProcess(const std::string& commandLine, WindowStyle style) = 0;
  // Opens a document with the program registered for its type; false when
  // that fails.
  virtual bool OpenDocument(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // The user's own folder for a program's local data (on Windows the known
  // folder LocalAppData); "" where the system names none.
  virtual std::string LocalAppDataFolder() = 0;
  // Whether this process may make a file in folder: tried by making one and
  // removing it again. With make, a missing folder is made first, with the
  // folders above it.
  virtual bool CanWriteFolder(const std::string& folder, bool make) = 0;
  // Whether an existing file could be replaced by this process: opened for
  // writing and closed again, nothing written.
  virtual bool CanWriteFile(const std::string& path) = 0;
  // When a file was last written, in seconds since 1970; 0 where it cannot
  // be read.
  virtual std::int64_t LastWriteTime(const std::string& path) = 0;
  virtual ProgramIdentity Identity() = 0;
  // The text an indirect string stands for ("@{Package?ms-resource://...}",
  // a packaged app's name), "" where it cannot be loaded.
  virtual std::string LoadIndirectString(const std::string& source) = 0;
  // What the system itself will run to open a type (".txt") or, with
  // protocol, a link ("http") with its default verb: the program identifier
  // and command it names; false where it cannot tell. Only the system knows
  // whether it honours Explorer's choice (it ignores one whose hash does not
  // verify). Without protocol the system reads a name without a dot as a
  // program identifier, not as a link.
  virtual bool AskWhatOpens(const std::string& name, bool protocol, std::string& progId, std::string& command) = 0;
  // The program identifier of AskWhatOpens alone: one question of the
  // system where the command is not needed.
  virtual std::string AskProgIdInUse(const std::string& name, bool protocol) {
    std::string progId, command;
    AskWhatOpens(name, protocol, progId, command);
    return progId;
  }
  // The major version of Windows as the system itself reports it, whatever
  // compatibility layer the program runs under (10 for Windows 10 and 11);
  // 0 where it cannot be told.
  virtual int WindowsVersion() = 0;
  // Opens a compiled HTML Help file in the system's HTML Help viewer: at the
  // topic of that context number, or at its default topic for 0. False where
  // the viewer cannot be loaded or opens no window.
  virtual bool OpenHtmlHelp(const std::string& path, int topic) = 0;
  // Opens a page of the system's settings by its address ("ms-settings:..."),
  // no error shown by the system: 0 where it opened, else the system's error
  // (1223, ERROR_CANCELLED: the user cancelled a question on the way; 5,
  // ERROR_ACCESS_DENIED: a policy refused it; any other: no such page).
  virtual long OpenSettingsPage(const std::string& uri) = 0;
  // Ends the process at once. A test stand-in records the call and returns.
  virtual void EndProcess() = 0;
};

}  // namespace hollin
