// The Win32 bindings of the process and screen services: the process and screen services
// and the message box.
#pragma once

#include "common/message_box.h"
#include "common/platform.h"
#include "common/windows_api.h"

namespace hollin {

class Win32Platform : public IPlatform {
 public:
  ~Win32Platform() override;
  bool AnotherInstanceRunning() override;
  std::string ProgramFolder() override;
  void ChangeCurrentFolder(const std::string& folder) override;
  double TwipsPerPixelY() override;
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
  bool AskWhatOpens(const std::string& ext, std::string& progId, std::string& command) override;
  bool OpenWithChooser(const std::string& ext) override;
  int WindowsVersion() override;
  bool OpenHtmlHelp(const std::string& path, int topic) override;
  void EndProcess() override;

 private:
  HANDLE instanceMutex_ = nullptr;
  HMODULE htmlHelp_ = nullptr;  // hhctrl.ocx, once loaded
};

class Win32MessageBox : public IMessageBox {
 public:
  MbAnswer Show(const MessageBoxRequest& request) override;
  // The window that owns the boxes (none until the main window exists).
  HWND owner = nullptr;
};

}  // namespace hollin
