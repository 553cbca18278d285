// Shows one of the boxes that the program shows only on facts Wine cannot
// bring about, for scripts/screenshots.sh: "account-refused" (a start as
// the system's account), "account-other" (a start by an administrator who
// is not the user signed in), "restore-refused" (a restore the registry
// refused in part; "restore-refused-own" with a key of the user's own
// among them), "setting-unreadable" (the settings key that would not
// open for reading). The texts and boxes are the program's own (Main, the
// messages); only the facts are made up.
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/options.h"
#include "common/command_line.h"
#include "common/win32_platform.h"
#include "common/win32_text.h"
#include "compare/restore.h"
#include "messages/messages.h"
#include "registry/settings.h"
#include "registry/win32_registry.h"
#include "ui/settings_box.h"

namespace {

// Nothing to load: the box is all there is to see.
class NoWindows : public hollin::IStartupWindows {
 public:
  void SetWarnCheckBox(int) override {}
  void LoadMainWindow() override {}
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace hollin;
  const std::vector<std::string> args = cli::SplitArguments(ArgumentsOf(Utf8(GetCommandLineW())));
  const std::string which = args.empty() ? std::string() : args[0];
  Win32MessageBox box;
  Win32Platform platform;
  if (which == "restore-refused" || which == "restore-refused-own") {
    // The second type's program identifier lies in the machine's classes,
    // or in the user's own.
    const bool own = which == "restore-refused-own";
    const std::vector<RestoreFailure> failed = {
        {".txt", RestoreFailure::What::Command, ERROR_ACCESS_DENIED, AssocEntry::Layer::Machine},
        {own ? ".log" : ".ini", RestoreFailure::What::ProgramId, ERROR_ACCESS_DENIED,
         own ? AssocEntry::Layer::User : AssocEntry::Layer::Machine},
    };
    box.Show({msg::NotRestored(failed, [&](long status) { return platform.ErrorText(status); }), MbButtons::Ok,
              MbIcon::Exclamation, MbDefault::First, msg::kBoxTitle});
    return 0;
  }
  if (which == "setting-unreadable") {
    ui::ShowSettingFailure(box, {SettingFailure::Kind::KeyNotOpened, kSettingsKey, "", ERROR_ACCESS_DENIED, ""});
    return 0;
  }
  AccountFacts facts;
  if (which == "account-refused") facts = {"NT AUTHORITY\\SYSTEM", "S-1-5-18", "PC-7\\ada", false, false};
  else if (which == "account-other") facts = {"PC-7\\admin", "S-1-5-21-1-2-3-500", "PC-7\\ada", false, true};
  else return 2;
  Associations state;
  Win32Registry reg;
  NoWindows windows;
  Main(state, platform, reg, box, windows, facts);
  return 0;
}
