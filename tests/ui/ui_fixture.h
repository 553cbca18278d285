// What the window tests share: a small HKEY_CLASSES_ROOT (data/classes.reg),
// and the headless windows with a way to start them as the program does and
// to read their whole state.
#pragma once

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <functional>
#include <memory>
#include <new>
#include <sstream>
#include <string>

#include "base/base_test_util.h"
#include "support/registry_store.h"
#include "support/fake_platform.h"
#include "ui/frm_main.h"
#include "ui/headless_backend.h"
#include "cli/text_holds.h"

namespace hollin::test {

// The headless backend, keeping every text the status panel showed, with the
// LED it showed it with.
struct RecordingBackend : ui::HeadlessBackend {
  std::vector<std::string> panel;
  void ControlChanged(ui::Control& c, ui::Prop what, int) override {
    if (what != ui::Prop::Panel) return;
    auto& bar = static_cast<ui::StatusBar&>(c);
    std::string state = std::to_string(static_cast<int>(bar.PanelPicture()) - 1) + " " + bar.PanelText();
    if (!bar.PanelText().empty() && (panel.empty() || panel.back().substr(2) != bar.PanelText()))
      panel.push_back(state);
  }
};

// What the windows show at a named point (data/states.txt).
inline std::string Shows(const std::string& name) {
  for (const auto& [n, text] : Sections(Data("states.txt")))
    if (n == name) return text;
  ADD_FAILURE() << "data/states.txt has no state \"" << name << "\"";
  return "";
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.LoadText(Data("classes.reg"), "classes");
    ui::SetErrorHandler([this](const std::string& where, std::exception_ptr e) {
      main->ShowEventError(where, e);
    });
  }
  void TearDown() override { ui::SetErrorHandler(nullptr); }

  // A start of the program: fresh state and windows, then Main's last step;
  // on another registry where one is given.
  void Start(const std::string& commandLine = "hollin.exe", IRegistry* on = nullptr) {
    main.reset();
    warning.reset();
    status.reset();
    g = Associations{};
    platform = FakePlatform{};
    platform.commandLine = commandLine;
    backend.panel.clear();
    status = std::make_unique<ui::FrmStatus>(backend);
    warning = std::make_unique<ui::FrmWarning>(backend, on ? *on : reg);
    main = std::make_unique<ui::FrmMain>(backend, g, on ? *on : reg, platform, box, *status, *warning);
    main->fileFacts = facts;
    main->onAction = [this](ui::FrmMain::Action action, const std::string& text) {
      actions.push_back(std::to_string(static_cast<int>(action)) + " " + text);
    };
    main->Load();
  }

#ifndef _WIN32
  // Runs act on a full disk, staged with a file size limit.
  static void OnAFullDisk(const std::function<void()>& act) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &full);
    act();
    setrlimit(RLIMIT_FSIZE, &old);
  }
#endif

  // A click on the row of a type (with Ctrl: added to the selection).
  void Click(const char* ext, bool ctrl = false) {
    for (int i = 1; i <= main->lvwMain.Count(); ++i)
      if (main->lvwMain.Text(i) == ext) main->lvwMain.UserClickRow(i, ctrl);
  }

  // The registry anew, holding text only.
  void Fresh(const std::string& text) {
    reg.~RegistryStore();
    new (&reg) RegistryStore();
    reg.LoadText(text, "fresh");
  }

  void Hijack(const char* ext, const char* command) {
    reg.LoadText(std::string("REGEDIT4\n[HKEY_CLASSES_ROOT\\") + ext + "]\n@=\"Hijack.Doc\"\n" +
                     "[HKEY_CLASSES_ROOT\\Hijack.Doc\\shell\\open\\command]\n@=\"" + command + "\"\n",
                 "hijack");
  }

  // What the user sees of both windows, in a few lines.
  std::string State() const {
    std::ostringstream s;
    const auto& m = *main;
    s << (m.Visible() ? "main" : "main hidden");
    if (status->Loaded())
      s << ", status window " << status->Caption() << " \"" << Shown(status->lblMain.Caption()) << "\" led "
        << static_cast<int>(status->imgLED.Picture()) - 1 << (status->linDivider.Visible() ? " divider" : "");
    s << (m.tmrStatus.Enabled() ? ", timer on" : "") << "\n";
    s << "led " << static_cast<int>(m.sbrMain.PanelPicture()) - 1 << " " << m.sbrMain.PanelText() << "\n";
    s << "view " << m.ShownView;
    for (int i = 0; i < 3; ++i)
      if (const_cast<ui::FrmMain&>(m).mnuViewChoice(i).Checked()) s << " menu " << i;
    s << (m.lvwMain.MultiSelect() ? " multi" : " single") << " key " << m.lvwMain.SortKey() << "\n";
    s << "columns";
    for (const auto& c : m.lvwMain.Columns()) s << " [" << c.caption << " " << c.width << "]";
    s << "\nrows";
    for (const auto& r : m.lvwMain.Rows()) s << " " << r.text << "|" << r.sub << (r.signals.empty() ? "" : "|" + r.signals);
    s << "\naccept " << (m.cmdAccept.Enabled() && m.fraAction.Enabled() && m.lblAccept.Enabled() &&
                                 m.mnuAccept.Enabled()
                             ? "on"
                             : (m.cmdAccept.Enabled() || m.mnuAccept.Enabled() ? "mixed" : "off"));
    s << ", restore " << (m.cmdRestore.Enabled() || m.mnuRestore.Enabled() ? "on" : "off");
    s << ", info " << (m.lblInfo.Caption().empty() ? "empty" : m.lblInfo.Caption().substr(0, 10));
    return s.str();
  }
  // A caption's line breaks (CR) as \r, and the time a changed key was
  // written, which is the test's own clock, as <time>.
  static std::string Shown(std::string text) {
    if (const size_t at = text.find("KEY WRITTEN: "); at != std::string::npos && at + 29 <= text.size())
      text.replace(at + 13, 16, "<time>");
    for (size_t at = 0; (at = text.find('\r', at)) != std::string::npos;) text.replace(at, 1, "\\r");
    return text;
  }

  test::InFreshFolder folder;
  RegistryStore reg;
  FakePlatform platform;
  test::ScriptedMessageBox box;
  RecordingBackend backend;
  // What the window logged: the action's number and its text.
  std::vector<std::string> actions;
  Associations g;
  IFileFacts* facts = nullptr;  // the facts of files the window is given, if any
  std::unique_ptr<ui::FrmStatus> status;
  std::unique_ptr<ui::FrmWarning> warning;
  std::unique_ptr<ui::FrmMain> main;
};

}  // namespace hollin::test
