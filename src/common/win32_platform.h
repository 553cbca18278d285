// The Win32 bindings of the process and screen services: the process and screen services
// and the message box.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/platform.h"
#include "common/windows_api.h"

namespace hollin {

// The thread's COM apartment, single-threaded, as the shell's calls want it
// (ShellExecuteEx may hand a request to a shell extension that needs one):
// entered once when made, left when destroyed or by Leave, whichever comes
// first. Left alone when the thread has another apartment already.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment() { Leave(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  void Leave();

 private:
  bool entered_ = false;
};

class Win32Platform : public IPlatform {
 public:
  // The window thread's apartment, left before EndProcess ends the process.
  ComApartment* apartment = nullptr;

  ~Win32Platform() override;
  bool AnotherInstanceRunning() override;
  bool TakeTurn(const std::string& name, unsigned waitMs) override;
  void GiveTurn(const std::string& name) override;
  std::string ProgramFolder() override;
  void ChangeCurrentFolder(const std::string& folder) override;
  void SetMousePointer(MousePointer pointer) override;
  std::string CommandLine() override;
  void Beep() override;
  void AssociationsChanged() override;
  std::string ErrorText(long status) override;
  bool StartProcess(const std::string& commandLine, WindowStyle style) override;
  bool OpenDocument(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::string LocalAppDataFolder() override;
  bool CanWriteFolder(const std::string& folder, bool make) override;
  bool CanWriteFile(const std::string& path) override;
  std::int64_t LastWriteTime(const std::string& path) override;
  ProgramIdentity Identity() override;
  std::string LoadIndirectString(const std::string& source) override;
  bool AskWhatOpens(const std::string& name, bool protocol, std::string& progId, std::string& command) override;
  std::string AskProgIdInUse(const std::string& name, bool protocol) override;
  int WindowsVersion() override;
  bool OpenHtmlHelp(const std::string& path, int topic) override;
  long OpenSettingsPage(const std::string& uri) override;
  void EndProcess() override;

 private:
  HANDLE instanceMutex_ = nullptr;
  // The turns held, each with the handle of every take (null: taken
  // without a mutex, see TurnTaken::Unguarded), the last one given first.
  std::map<std::string, std::vector<HANDLE>> turns_;
  bool instanceChecked_ = false, instanceRuns_ = false;
  HMODULE htmlHelp_ = nullptr;  // hhctrl.ocx, once loaded
};

class Win32MessageBox : public IMessageBox {
 public:
  MbAnswer Show(const MessageBoxRequest& request) override;
};

}  // namespace hollin
