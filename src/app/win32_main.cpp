// The Windows entry point: builds the real services and windows, runs Main,
// then the message loop. The process ends through the windows (closing the
// main window, the quiet check's timer) or the second-copy question.
#include "guard/guard_events.h"
#include "app/startup.h"
#include "cli/win32_console.h"
#include "records/win32_event_log.h"
#include "common/win32_account.h"
#include "common/command_line.h"
#include "common/win32_platform.h"
#include "common/win32_system_dll.h"
#include "common/text.h"
#include "common/win32_text.h"
#include "risk/win32_file_facts.h"
#include "guard/win32_guard.h"
#include "messages/messages.h"
#include "registry/win32_registry.h"
#include "ui/frm_main.h"
#include "ui/win32_backend.h"

#include <ctime>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace hollin {
namespace {

// What Main hands over to: the warning dialog's check box and the main window.
class StartupWindows : public IStartupWindows {
 public:
  StartupWindows(ui::FrmMain& main, ui::FrmWarning& warning) : main_(main), warning_(warning) {}
  void SetWarnCheckBox(int value) override {
    warning_.Load();  // hidden
    warning_.chkWarn.Value(value);
  }
  void LoadMainWindow() override { main_.Load(); }

 private:
  ui::FrmMain& main_;
  ui::FrmWarning& warning_;
};

}  // namespace
}  // namespace hollin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace hollin;
  // Before anything loads a DLL: none from the program's folder.
  SearchSystemFolderOnly();
  // A run for scripts is told by its options, before the quiet check's
  // switch is looked for ("--help" is help): it shows no window and asks
  // nothing.
  const std::vector<std::string> args = cli::SplitArguments(ArgumentsOf(Utf8(GetCommandLineW())));
  // The resident guard, which writes each check's event as a run for
  // scripts does.
  // The account is looked up at the first record: the guard's notice runs
  // as a process of its own through here too, and needs none of it.
  // Arguments the guard does not know are told as any wrong command line
  // is, with the usage, never ended on in silence.
  if (guard::IsGuardRun(args) && !guard::GuardArgumentsKnown(args)) return cli::RunWindowsCommandLine(args);
  if (guard::IsGuardRun(args)) {
    cli::Win32EventLog events;
    std::optional<GuardEventSource> source;
    return guard::RunWindowsGuard(instance, args, [&](const guard::CheckRecord& record) {
      if (!source) source = GuardEventSource{cli::ComputerName(), AccountName(ReadAccountFacts()), "", 0};
      source->now = static_cast<long long>(std::time(nullptr));
      WriteGuardEvent(events, *source, record);
    });
  }
  // The guard's Review: the window with the types its notice named.
  const bool review = !args.empty() && (FoldCase(args[0]) == "--review" || FoldCase(args[0]) == "/review");
  if (!review && cli::IsCommandLineRun(args)) return cli::RunWindowsCommandLine(args);
  // Every shell call of the windows runs in this thread's apartment, which
  // outlives them all.
  ComApartment apartment;
  Win32MessageBox box;
  try {
    Associations appState;
    Win32Platform platform;
    platform.apartment = &apartment;
    Win32Registry reg;
    ui::Win32Backend backend(instance);
    ui::FrmStatus frmStatus(backend);
    ui::FrmWarning frmWarning(backend, reg);
    ui::FrmIcon frmIcon(backend);
    ui::FrmAbout frmAbout(backend, reg, platform, box);
    ui::FrmDetails frmDetails(backend);
    Win32FileFacts fileFacts;
    ui::FrmMain frmMain(backend, appState, reg, platform, box, frmStatus, frmWarning);
    frmMain.frmIcon = &frmIcon;
    frmMain.frmAbout = &frmAbout;
    frmMain.frmDetails = &frmDetails;
    frmMain.fileFacts = &fileFacts;
    if (review) frmMain.flags.ReviewTypes.assign(args.begin() + 1, args.end());
    ui::SetErrorHandler([&frmMain](const std::string& where, std::exception_ptr error) {
      frmMain.ShowEventError(where, error);
    });
    // What the user does in the window goes to the Application log with
    // the IDs of a run for scripts, naming the account.
    const AccountFacts account = ReadAccountFacts();
    cli::Win32EventLog events;
    frmMain.onAction = [&events, &account](ui::FrmMain::Action action, const std::string& text) {
      using A = ui::FrmMain::Action;
      const cli::EventKind kind = action == A::Restored         ? cli::EventKind::Restored
                                  : action == A::RestoreRefused ? cli::EventKind::RestoreRefused
                                  : action == A::Accepted       ? cli::EventKind::Accepted
                                                                : cli::EventKind::FirstRun;
      events.Write(kind, msg::RecordOfUser(text, AccountName(account)));
    };
    StartupWindows windows(frmMain, frmWarning);
    Main(appState, platform, reg, box, windows, account);
    return backend.Run();
  } catch (const std::exception& e) {
    box.Show({msg::UnexpectedError(msg::ErrorText(e)), MbButtons::Ok, MbIcon::Critical, MbDefault::First, kProductName});
    return 1;
  } catch (...) {
    box.Show({msg::UnexpectedError(""), MbButtons::Ok,
              MbIcon::Critical, MbDefault::First, kProductName});
    return 1;
  }
}
