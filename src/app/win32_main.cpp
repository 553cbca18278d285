// The Windows entry point: builds the real services and runs Main.
#include "app/startup.h"
#include "common/win32_platform.h"
#include "base/base_store.h"
#include "registry/scan.h"
#include "registry/win32_registry.h"

#include <exception>
#include <string>

namespace hollin {
namespace {

// No window shows the progress yet.
class NoStatus : public IStatusSink {
 public:
  void ShowLed(Led) override {}
  void ShowText(const std::string&) override {}
  void RepaintNow() override {}
};

// The main window is not built yet: after start-up this hand-over runs the
// first half of a check (CURRENT from the registry, BASE from the base file,
// recorded from CURRENT on the first run) and tells the user plainly what it
// found and that the window is missing.
class InterimWindows : public IStartupWindows {
 public:
  InterimWindows(General& general, IRegistry& reg, IMessageBox& box, IPlatform& platform)
      : general_(general), reg_(reg), box_(box), platform_(platform) {}

  // The warning dialog and its check box come with the restore.
  void SetWarnCheckBox(int) override {}

  void LoadMainWindow() override {
    ScanResult scan = ScanCurrentEntries(reg_);
    general_.CurrentEntries = scan.entries;
    general_.CurrentEntry = scan.last;
    std::string text = std::to_string(general_.CurrentEntries->Count()) +
                       " file types with an open command were read from the registry.\r";
    MbIcon icon = MbIcon::Information;
    try {
      VsData vsdMain;
      NoStatus status;
      bool newDBCreated = false;
      GetAllPrevious(general_, vsdMain, status, newDBCreated);
      text += std::to_string(general_.BaseEntries->Count()) + " file types are in the base" +
              (newDBCreated ? ", which was recorded now." : ".");
    } catch (const BaseFileError& e) {
      // The damaged file stays as it is; the main window will offer to set it
      // aside and record a new base.
      text += std::string(e.what()) + "\rIt was left as it is.";
      icon = MbIcon::Exclamation;
    }
    platform_.SetMousePointer(MousePointer::Default);
    box_.Show({std::string(kAppTitle) + " " + kProductName +
                   ": the main window is not built yet.\r\r" + text,
               MbButtons::Ok, icon, MbDefault::First, kProductName});
  }

 private:
  General& general_;
  IRegistry& reg_;
  IMessageBox& box_;
  IPlatform& platform_;
};

}  // namespace
}  // namespace hollin

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace hollin;
  Win32MessageBox box;
  try {
    General general;
    Win32Platform platform;
    Win32Registry reg;
    InterimWindows windows(general, reg, box, platform);
    Main(general, platform, reg, box, windows);
  } catch (const std::exception& e) {
    box.Show({std::string("An unexpected error stopped ") + kAppTitle + ":\r\r" + e.what(),
              MbButtons::Ok, MbIcon::Critical, MbDefault::First, kProductName});
    return 1;
  } catch (...) {
    box.Show({std::string("An unexpected error stopped ") + kAppTitle + ".", MbButtons::Ok,
              MbIcon::Critical, MbDefault::First, kProductName});
    return 1;
  }
  return 0;
}
