// The Win32 bindings of start-up's services: the process and screen services
// and the message box.
#pragma once

#include "app/message_box.h"
#include "app/platform.h"
#include "registry/reg_types.h"

namespace hollin {

class Win32Platform : public IPlatform {
 public:
  ~Win32Platform() override;
  bool AnotherInstanceRunning() override;
  std::string ProgramFolder() override;
  void ChangeCurrentFolder(const std::string& folder) override;
  double TwipsPerPixelY() override;
  void SetMousePointer(MousePointer pointer) override;
  void EndProcess() override;

 private:
  HANDLE instanceMutex_ = nullptr;
};

class Win32MessageBox : public IMessageBox {
 public:
  MbAnswer Show(const MessageBoxRequest& request) override;
  // The window that owns the boxes (none until the main window exists).
  HWND owner = nullptr;
};

}  // namespace hollin
