// What the window tests share: a process that records its ends and beeps, a
// small HKEY_CLASSES_ROOT (data/classes.reg), and the headless windows with a way to start them
// as the program does and to read their whole state.
#pragma once

#include <algorithm>
#include <map>
#include <tuple>
#include <memory>
#include <sstream>
#include <string>

#include "base/base_test_util.h"
#include "registry/registry_store.h"
#include "ui/frm_main.h"
#include "ui/headless_backend.h"

namespace hollin::test {

struct FakePlatform : IPlatform {
  std::string commandLine = "C:\\Hollin\\hollin.exe";
  int beeps = 0;
  int ends = 0;
  MousePointer pointer = MousePointer::Default;
  bool AnotherInstanceRunning() override { return false; }
  std::string ProgramFolder() override { return "."; }
  void ChangeCurrentFolder(const std::string&) override {}
  double TwipsPerPixelY() override { return 15; }
  void SetMousePointer(MousePointer p) override { pointer = p; }
  std::string CommandLine() override { return commandLine; }
  void Beep() override { ++beeps; }
  int notices = 0;  // associations-changed notices to the shell
  void AssociationsChanged() override { ++notices; }
  std::string ErrorText(long status) override { return status == 5 ? "Access is denied." : ""; }
  // Programs started, as "style: command line"; those that start.
  std::vector<std::string> started;
  std::vector<std::string> startable;
  bool StartProcess(const std::string& line, WindowStyle style) override {
    started.push_back(std::to_string(static_cast<int>(style)) + ": " + line);
    for (const auto& s : startable)
      if (line.rfind(s, 0) == 0) return true;
    return false;
  }
  bool OpenDocument(const std::string& path) override {
    started.push_back("open: " + path);
    return openable;
  }
  bool openable = false;
  std::vector<std::string> files;
  bool FileExists(const std::string& path) override {
    return std::find(files.begin(), files.end(), path) != files.end();
  }
  ProgramIdentity Identity() override { return {"Hollin", "Brellmark", "File association guard", 1, 2, 30}; }
  std::map<std::string, std::string> indirect;  // indirect strings the system resolves
  std::string LoadIndirectString(const std::string& s) override {
    const auto it = indirect.find(s);
    return it == indirect.end() ? std::string() : it->second;
  }
  std::map<std::string, std::pair<std::string, std::string>> opens;  // what the system says opens a type
  bool AskWhatOpens(const std::string& ext, std::string& progId, std::string& command) override {
    const auto it = opens.find(ext);
    if (it == opens.end()) return false;
    std::tie(progId, command) = it->second;
    return true;
  }
  std::vector<std::string> choosers;  // types the system's chooser was opened for
  bool chooserOpens = true;
  bool OpenWithChooser(const std::string& ext) override {
    choosers.push_back(ext);
    return chooserOpens;
  }
  void EndProcess() override { ++ends; }
};

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

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.LoadText(Data("classes.reg"), "classes");
    ui::SetErrorHandler([this](const std::string& where, std::exception_ptr e) {
      main->ShowEventError(where, e);
    });
  }
  void TearDown() override { ui::SetErrorHandler(nullptr); }

  // A start of the program: fresh state and windows, then Main's last step.
  void Start(const std::string& commandLine = "hollin.exe") {
    main.reset();
    warning.reset();
    status.reset();
    g = General{};
    g.ScreenTwipsY = 15;
    platform = FakePlatform{};
    platform.commandLine = commandLine;
    backend.panel.clear();
    status = std::make_unique<ui::FrmStatus>(backend, g);
    warning = std::make_unique<ui::FrmWarning>(backend, g, reg);
    main = std::make_unique<ui::FrmMain>(backend, g, reg, platform, box, *status, *warning);
    main->Load();
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
      s << ", status window \"" << status->lblMain.Caption() << "\" led "
        << static_cast<int>(status->imgLED.Picture()) - 1;
    s << (m.tmrStatus.Enabled() ? ", timer on" : "") << "\n";
    s << "led " << static_cast<int>(m.sbrMain.PanelPicture()) - 1 << " " << m.sbrMain.PanelText() << "\n";
    s << "view " << m.ShownView;
    for (int i = 0; i < 3; ++i)
      if (const_cast<ui::FrmMain&>(m).mnuViewChoice(i).Checked()) s << " menu " << i;
    s << (m.lvwMain.MultiSelect() ? " multi" : " single") << " key " << m.lvwMain.SortKey() << "\n";
    s << "columns";
    for (const auto& c : m.lvwMain.Columns()) s << " [" << c.caption << " " << c.width << "]";
    s << "\nrows";
    for (const auto& r : m.lvwMain.Rows()) s << " " << r.text << "|" << r.sub;
    s << "\naccept " << (m.cmdAccept.Enabled() && m.fraAction.Enabled() && m.lblAccept.Enabled() &&
                                 m.mnuAccept.Enabled()
                             ? "on"
                             : (m.cmdAccept.Enabled() || m.mnuAccept.Enabled() ? "mixed" : "off"));
    s << ", restore " << (m.cmdRestore.Enabled() || m.mnuRestore.Enabled() ? "on" : "off");
    s << ", info " << (m.lblInfo.Caption().empty() ? "empty" : m.lblInfo.Caption().substr(0, 11));
    return s.str();
  }

  test::InFreshFolder folder;
  RegistryStore reg;
  FakePlatform platform;
  test::ScriptedMessageBox box;
  RecordingBackend backend;
  General g;
  std::unique_ptr<ui::FrmStatus> status;
  std::unique_ptr<ui::FrmWarning> warning;
  std::unique_ptr<ui::FrmMain> main;
};

}  // namespace hollin::test
