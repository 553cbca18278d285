#include "ui/frm_main.h"

#include <chrono>
#include <cmath>
#include <algorithm>

#include "base/base_location.h"
#include "base/base_store.h"
#include "common/command_line.h"
#include "common/names.h"
#include "common/text.h"
#include "common/ansi_codepage.h"
#include "compare/exe_name.h"
#include "compare/check.h"
#include "compare/default_apps.h"
#include "compare/restore.h"
#include "resource.h"

namespace hollin::ui {
namespace {

constexpr Color kSmallLabelColor = Rgb(0, 0, 192);

Picture LedPicture(Led led) {
  return static_cast<Picture>(static_cast<int>(Picture::LedGrey) + static_cast<int>(led));
}

int Round(double twips) { return static_cast<int>(std::lround(twips)); }

constexpr long kErrorCancelled = 1223;  // ERROR_CANCELLED: the user cancelled

}  // namespace

FrmMain::FrmMain(Backend& backend, AppState& appState, IRegistry& reg, IPlatform& platform,
                 IMessageBox& box, FrmStatus& frmStatus, FrmWarning& frmWarning)
    : Form(backend, "frmMain", FormStyle::MainWindow),
      mnuFileExit(*this, "mnuFileExit", -1, IDM_FILE_EXIT, "E&xit", "Ctrl+X"),
      mnuViewChoice0(*this, "mnuViewChoice", 0, IDM_VIEW_CHOICE0, "Changes O&nly", "Ctrl+N", 2),
      mnuViewChoice1(*this, "mnuViewChoice", 1, IDM_VIEW_CHOICE1, "C&urrent Settings", "Ctrl+U", 2),
      mnuViewChoice2(*this, "mnuViewChoice", 2, IDM_VIEW_CHOICE2, "&Base Settings", "Ctrl+B", 2),
      mnuAccept(*this, "mnuAccept", -1, IDM_ACCEPT, "A&ccept All Current", "Ctrl+C", 3),
      mnuRestore(*this, "mnuRestore", -1, IDM_RESTORE, "&Restore Base for Selected Type(s)", "Ctrl+R", 4),
      mnuRefresh(*this, "mnuRefresh", -1, IDM_REFRESH, "Re&fresh", "F5", 2),
      mnuOptWarn(*this, "mnuOptWarn", -1, IDM_OPT_WARN, "&Warn Before Restoring", "Ctrl+W", 4),
      mnuHlpCont(*this, "mnuHlpCont", -1, IDM_HLP_CONT, "&Help Topics"),
      mnuHlpAbout(*this, "mnuHlpAbout", -1, IDM_HLP_ABOUT, "&About Hollin", "", 1),
      g_(appState), reg_(reg), platform_(platform), box_(box), frmStatus_(frmStatus),
      frmWarning_(frmWarning) {
  frmWarning_.mnuOptWarn = &mnuOptWarn;
  frmWarning_.box = &box_;
  Clock = [] {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  };
  OnDesign = [this] { Design(); };
  OnLoad = [this] { Form_Load(); };
  OnPaint = [this] { Form_Paint(); };
  // The menus' first states. They are set here, not with the other design
  // values at load: start-up sets the warning option before the window loads.
  mnuViewChoice0.Checked(true);
  mnuOptWarn.Checked(true);
  mnuAccept.Enabled(false);
  mnuRestore.Enabled(false);
  OnKeyPress = [this](int& k) { Form_KeyPress(k); };
  OnQueryUnload = [this](int& cancel, int mode) { Form_QueryUnload(cancel, mode); };
  OnUnload = [this](int& cancel) { Form_Unload(cancel); };
  for (int i = 0; i < 3; ++i) {
    optView(i).Click = [this](int index) { optView_Click(index); };
    mnuViewChoice(i).Click = [this, i] { mnuViewChoice_Click(i); };
  }
  mnuFileExit.Click = [this] { mnuFileExit_Click(); };
  mnuRefresh.Click = [this] { mnuRefresh_Click(); };
  mnuAccept.Click = [this] { mnuAccept_Click(); };
  cmdAccept.Click = [this] { cmdAccept_Click(); };
  cmdRestore.Click = [this] { cmdRestore_Click(); };
  mnuRestore.Click = [this] { mnuRestore_Click(); };
  mnuOptWarn.Click = [this] { mnuOptWarn_Click(); };
  mnuHlpCont.Click = [this] { mnuHlpCont_Click(); };
  mnuHlpAbout.Click = [this] { mnuHlpAbout_Click(); };
  OnHelp = [this](MenuItem* item) { ShowHelp(item ? item->HelpTopic() : 0); };
  lvwMain.ColumnClick = [this](int column) { lvwMain_ColumnClick(column); };
  lvwMain.ItemClick = [this](int row) { lvwMain_ItemClick(row); };
  lvwMain.KeyPress = [this](int& k) { lvwMain_KeyPress(k); };
  tmrStatus.Tick = [this] { tmrStatus_Timer(); };
}

OptionButton& FrmMain::optView(int index) {
  return index == 0 ? optView0 : index == 1 ? optView1 : optView2;
}

MenuItem& FrmMain::mnuViewChoice(int index) {
  return index == 0 ? mnuViewChoice0 : index == 1 ? mnuViewChoice1 : mnuViewChoice2;
}

// The window as it is designed, before Form_Load.
void FrmMain::Design() {
  ClientSize(8220, 4890);
  lvwMain.Move(90, 45, 3144, 4470);
  lvwMain.Tag = "EXTLIST";
  Frame1.Move(3300, 0, 1692, 1305);
  Frame1.Caption("View");
  const char* views[] = {"Changes O&nly", "C&urrent Settings", "&Base Settings"};
  for (int i = 0; i < 3; ++i) {
    optView(i).Container(&Frame1);
    optView(i).Move(135, 285 + 330 * i, 1515, 285);
    optView(i).Caption(views[i]);
  }
  optView0.Value(true);
  fraAction.Move(5055, 0, 3090, 1305);
  fraAction.Caption("Action");
  fraAction.Enabled(false);
  const FontSpec small{"Small Fonts", 6.75, false};
  for (Control* c : {static_cast<Control*>(&cmdAccept), static_cast<Control*>(&lblAccept),
                     static_cast<Control*>(&cmdRestore), static_cast<Control*>(&lblRestore)}) {
    c->Container(&fraAction);
    c->Enabled(false);
  }
  cmdAccept.Move(1740, 165, 1275, 510);
  cmdAccept.Caption("A&ccept Current");
  lblAccept.Move(30, 192, 1645, 540);
  lblAccept.Font(small);
  lblAccept.Colors(kSmallLabelColor, kSystemColor);
  cmdRestore.Move(1740, 735, 1275, 510);
  cmdRestore.Caption("&Restore Base");
  lblRestore.Move(30, 745, 1645, 510);
  lblRestore.Font(small);
  lblRestore.Colors(kSmallLabelColor, kSystemColor);
  lblInfoFrame.Move(3300, 1335, 4845, 3165);
  lblInfoFrame.Colors(kSystemColor, Rgb(0, 128, 128));
  lblInfo.Move(3420, 1440, 4605, 3000);
  lblInfo.Colors(Rgb(255, 255, 255), Rgb(0, 128, 128));
  // The detail text and the title block lie on the teal box.
  for (Label* l : {&lblInfo, &lblName0, &lblName1, &lblName2}) l->Transparent = true;
  imgIco.Colors(kSystemColor, Rgb(0, 128, 128));
  lblName0.Move(5730, 0, 2250, 225);
  lblName0.Caption(kProductName);
  lblName0.Font({"Times New Roman", 8.25, true});
  lblName0.Colors(Rgb(0, 0, 0), Rgb(0, 128, 128));
  lblName1.Move(6225, 0, 1230, 435);  // the title's line whole, its descent too
  lblName1.Caption(kAppTitle);
  lblName1.Font({"Times New Roman", 18, true});
  lblName1.Colors(Rgb(0, 192, 192), Rgb(0, 128, 128));
  lblName1.Alignment(Align::Right);
  lblName2.Move(6255, 0, 1230, 435);
  lblName2.Caption(kAppTitle);
  lblName2.Font({"Times New Roman", 18, true});
  lblName2.Colors(Rgb(0, 64, 64), Rgb(0, 128, 128));
  lblName2.Alignment(Align::Center);
  imgIco.Move(7530, 0, 480, 480);
  Image* leds[] = {&imgLED0, &imgLED1, &imgLED2, &imgLED3};
  for (int i = 0; i < 4; ++i) {
    leds[i]->Move(4740, 1500 + 360 * i, 510, 315);
    leds[i]->Visible(false);
    leds[i]->Picture(static_cast<Picture>(static_cast<int>(Picture::LedGrey) + i));
  }
  sbrMain.Move(0, 4545, 8220, 345);
  tmrStatus.Interval = 3000;
  tmrStatus.Enabled(false);
}

void FrmMain::Form_Load() {
  const int typeWidth = TextWidth("File Type");
  lvwMain.AddColumn("File Type", typeWidth);
  lvwMain.AddColumn("Changed To Open With", lvwMain.Width() - typeWidth - 8);
  ShownView = -1;
  if (frmIcon) {
    frmIcon->Load();
    imgIco.Picture(frmIcon->imgIco.Picture());
  }
  // The title block sits at the foot of the detail panel.
  const double nameTop = lblInfoFrame.Top() + lblInfoFrame.Height() - 1.5 * lblName0.Height();
  const double shadowTop = nameTop - 0.9 * lblName2.Height();
  lblName0.Top(Round(nameTop));
  lblName2.Top(Round(shadowTop));
  lblName1.Top(Round(shadowTop - 2));
  imgIco.Top(Round(nameTop - imgIco.Height() - 0.2 * lblName0.Height() + 2));
  Caption(std::string(kAppTitle) + " " + kProductName);
  lblAccept.Caption("For all File Types,\ruse CURRENT settings\ras new Base.");
  lblRestore.Caption("For selected File Type(s),\ruse BASE application\rinstead of Current.");

  // The switch is looked for among the arguments only: the program's own
  // path may hold "-h" ("C:\Tools-Hub\hollin.exe").
  if (FoldCase(ArgumentsOf(platform_.CommandLine())).find("-h") != std::string::npos) {
    flags.HiddenStart = true;
    frmStatus_.SetUp();
  } else {
    Show();
    Refresh();
  }
  mnuRefresh_Click();
  platform_.SetMousePointer(MousePointer::Default);
}

void FrmMain::Form_Paint() { flags.HiddenStart = false; }

void FrmMain::Form_KeyPress(int& KeyAscii) {
  // Characters typed while the list has the focus go to its own handler.
  const Control* focus = ActiveControl();
  if (KeyAscii > 32 && !(focus && focus->Tag == "EXTLIST")) lvwMain_KeyPress(KeyAscii);
}

void FrmMain::Form_QueryUnload(int&, int) {
  if (!flags.ChangesPending) return;
  const std::string text =
      std::string("One or more of the Current default Open applications is\r") +
      "different from that stored as your Base. Would you like to\r" +
      "accept the Current settings as your new Base? \r\r" + "If so, click Yes.\r\r" +
      "Click No to keep your Base file as it is. " + kAppTitle + " will continue\r" +
      "to report these items as 'changed' in future sessions.";
  if (box_.Show({text, MbButtons::YesNo, MbIcon::Question, MbDefault::Second, kProductName}) ==
      MbAnswer::Yes)
    SaveOnClose();
}

void FrmMain::SaveOnClose() {
  // The window closes whatever happens; a base that cannot be written is
  // reported and stays as it was.
  try {
    SaveCurrentAsDefault(g_, vsdMain, this);
  } catch (const BaseFileError& e) {
    box_.Show({std::string(e.what()) + "\r\rThe base was not changed.", MbButtons::Ok,
               MbIcon::Exclamation, MbDefault::First, kProductName});
  }
}

void FrmMain::Form_Unload(int&) {
  platform_.EndProcess();
}

void FrmMain::mnuFileExit_Click() { Unload(1); }

void FrmMain::mnuRefresh_Click() {
  platform_.SetMousePointer(MousePointer::Hourglass);
  Refresh();
  GetAllCurrent();
  LoadBase();
  if (ShownView != -1) ShownView = 3;
  if (optView0.Value())
    optView_Click(0);
  else
    optView0.Value(true);
  ReportSkipped();
  // A quiet check with no changes ends three seconds from here: after the
  // report of keys it could not check, which must not vanish unanswered.
  if (quietEndPending_) {
    quietEndPending_ = false;
    tmrStatus.Enabled(true);
  }
}

// Keys of the class root that the scan could not take are told, so that no
// program can hide a type from the check unnoticed.
void FrmMain::ReportSkipped() {
  if (skipped_.empty()) return;
  std::string text = std::to_string(skipped_.size()) +
                     " key(s) under HKEY_CLASSES_ROOT could not be checked, and the file types "
                     "they stand for may have changed unnoticed:\r";
  size_t shown = 0;
  for (const auto& s : skipped_) {
    if (++shown > 10) {
      text += "\r... and " + std::to_string(skipped_.size() - 10) + " more.";
      break;
    }
    // Appended piece by piece: GCC 12 warns wrongly about "a" + b chains.
    text.append("\r");
    if (s.name.empty()) text.append("(a name that could not be read)");
    else text.append("\"").append(s.name).append("\"");
    if (s.status == ERROR_SUCCESS) text.append(" - the same name as a type already read");
    else text.append(" - error ").append(std::to_string(s.status));
  }
  text += "\r\rUse the system's registry editor to look at these keys.";
  box_.Show({text, MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, kProductName});
}

void FrmMain::GetAllCurrent() {
  ShowLed(Led::Yellow);
  if (!flags.RestoreConfirmed) ShowText("Reading CURRENT entries...");
  lblInfo.Caption("");
  Refresh();
  ScanResult scan = ScanCurrent(reg_, platform_);
  g_.CurrentEntries = std::move(scan.entries);
  skipped_ = std::move(scan.skipped);
}

void FrmMain::LoadBase() {
  if (hollin::LoadBase(g_, vsdMain, this) == BaseLoad::RecordedNew) flags.NewDBCreated = true;
}

void FrmMain::optView_Click(int Index) {
  for (int i = 0; i < 3; ++i) mnuViewChoice(i).Checked(false);
  mnuViewChoice(Index).Checked(true);
  if (ShownView == Index) return;
  FontSpec normal = lblInfo.Font();
  normal.bold = false;
  lblInfo.Font(normal);
  lblInfo.Caption("");
  cmdRestore.Enabled(false);
  lblRestore.Enabled(false);
  mnuRestore.Enabled(false);
  Refresh();
  lvwMain.Clear();
  if (Index == 0) {
    lvwMain.MultiSelect(true);
    ShowDelta();
    ShownView = 0;
  } else {
    lvwMain.MultiSelect(false);
    ShownView = static_cast<std::int16_t>(Index);
    if (Index == 1) ShowAllCurrent();
    else ShowAllPrevious();
  }
  Refresh();
  if (lvwMain.Count() >= 1) lvwMain.EnsureVisible(1);
  if (!flags.HiddenStart) lvwMain.SetFocus();
  platform_.SetMousePointer(MousePointer::Default);
  settled_ = {sbrMain.PanelPicture(), sbrMain.PanelText()};
}

void FrmMain::mnuViewChoice_Click(int Index) { optView(Index).Value(true); }

void FrmMain::lvwMain_ColumnClick(int column) { lvwMain.SortKey(column - 1); }

std::string FrmMain::EntryText(const char* heading, const AssocEntry& entry) const {
  const auto blank = entry.ProgramID().find_first_not_of(' ') == std::string::npos;
  std::string t = heading;
  t.append(UpperCase(entry.Ext())).append(":\r\r");
  t.append("PROGRAM ID:\r").append(blank ? "[not set]" : entry.ProgramID()).append("\r");
  t.append("OPEN COMMAND KEYNAME: HKey_Classes_Root\\ +\r").append(entry.OpenCmdRegKey()).append("\r");
  t.append("DEFAULT OPEN COMMAND:\r").append(entry.ProgramFullPath());
  if (const std::string opener = DescribeOpener(entry); !opener.empty())
    t.append("\r\rOPENS WITH: ").append(opener).append("\rLAYERS: ").append(DescribeLayers(&entry, nullptr));
  return t;
}

// An Explorer's choice that Windows does not use, for the panel; "" for none.
std::string FrmMain::IgnoredChoiceText(const AssocEntry* entry) {
  if (!entry || entry->IgnoredChoice().empty()) return std::string();
  return "\rNOT HONOURED: Explorer's choice " + entry->IgnoredChoice() +
         " (Windows does not use it: its hash does not verify, or Windows reset it)";
}

// What the system itself says it runs for a type, for the panel; "" where
// it cannot tell.
std::string FrmMain::WhatWindowsRuns(const std::string& ext) {
  std::string progId, command;
  if (!platform_.AskWhatOpens(ext, progId, command)) return std::string();
  // One line: the identifier it names, else the program of its command.
  return "\rWINDOWS RUNS: " + (!progId.empty() ? progId : command.empty() ? std::string("-") : ProgramNameFromCommand(command));
}

void FrmMain::lvwMain_ItemClick(int row) {
  const std::string& ext = lvwMain.Text(row);
  if (ShownView == 1) {
    const AssocEntry& entry = *g_.CurrentEntries->Item(ext);
    lblInfo.Caption(EntryText("CURRENT settings for file type ", entry) + IgnoredChoiceText(&entry) +
                    WhatWindowsRuns(ext));
  } else if (ShownView == 2) {
    lblInfo.Caption(EntryText("BASE (previous) settings for file type ", *g_.BaseEntries->Item(ext)));
  } else if (ShownView == 0) {
    // A type missing on one side is an ordinary case here: "(none)".
    std::string t = "CHANGE for file type " + UpperCase(ext) + " - \r\r";
    if (const AssocEntry* c = g_.CurrentEntries->Lookup(ext))
      t.append("CURRENT default Open command:\r").append(c->ProgramFullPath());
    else
      t.append("CURRENT default Open command: (none)");
    const AssocEntry* b = g_.BaseEntries->Lookup(ext);
    if (b) {
      t.append("\r\rBASE (previous) default Open command:\r").append(b->ProgramFullPath());
    } else {
      t.append("\r\rBASE (previous) default Open command: (none)");
      lvwMain.Selected(row, false);  // nothing to restore for it
    }
    // The layers, now and before, where they say anything, and what the
    // system itself runs.
    const AssocEntry* c = g_.CurrentEntries->Lookup(ext);
    const std::string now = c ? DescribeOpener(*c) : std::string();
    const std::string was = b ? DescribeOpener(*b) : std::string();
    if (!now.empty() || !was.empty()) {
      t.append("\r\rNOW: ").append(now.empty() ? std::string("-") : now);
      t.append("\rWAS: ").append(was.empty() ? std::string("-") : was);
      t.append("\rLAYERS: ").append(DescribeLayers(c, b));
    }
    lblInfo.Caption(t + IgnoredChoiceText(c) + WhatWindowsRuns(ext));
    bool any = false;
    for (int i = 1; i <= lvwMain.Count() && !any; ++i) any = lvwMain.Selected(i);
    cmdRestore.Enabled(any);
    lblRestore.Enabled(any);
    mnuRestore.Enabled(any);
  }
}

void FrmMain::lvwMain_KeyPress(int& KeyAscii) {
  if (KeyAscii < 32 || KeyAscii == '.') return;
  const double now = Clock();
  SearchText = now < LastKeyTime + 2 ? SearchText : std::string(".");
  if (KeyAscii < 0x80) SearchText.push_back(static_cast<char>(KeyAscii));
  else AppendUtf8(SearchText, static_cast<char32_t>(KeyAscii));
  if (const int row = lvwMain.FindItem(SearchText)) {
    lvwMain.MultiSelect(false);
    lvwMain.Selected(row, true);
    lvwMain.EnsureVisible(row);
    lvwMain_ItemClick(row);
  }
  LastKeyTime = now;
  lvwMain.SetFocus();
  if (ShownView == 0) lvwMain.MultiSelect(true);
}

void FrmMain::ShowDelta() {
  lvwMain.BeginUpdate();
  try {
    ui::ShowDelta(g_, flags, *this);
  } catch (...) {
    lvwMain.EndUpdate();
    throw;
  }
  lvwMain.EndUpdate();
}

void FrmMain::ShowAll(const AssocEntries& entries, const char* caption, int extraTwips,
                      const char* statusText) {
  SetSecondColumn(caption, extraTwips);
  lvwMain.BeginUpdate();
  for (const auto& entry : entries) lvwMain.Add(entry->Ext(), OpenerOf(*entry));
  lvwMain.EndUpdate();
  SetStatus(Led::Grey, std::to_string(lvwMain.Count()) + statusText);
}

void FrmMain::ShowAllCurrent() {
  ShowAll(*g_.CurrentEntries, "Currently Opens With", 7,
          " CURRENT entries - select from list to view details.");
}

void FrmMain::ShowAllPrevious() {
  ShowAll(*g_.BaseEntries, "Previously Opened With", -7,
          " BASE entries - select from list to view details.");
}

void FrmMain::cmdAccept_Click() {
  platform_.SetMousePointer(MousePointer::Hourglass);
  Refresh();
  SaveCurrentAsDefault(g_, vsdMain, this);
  flags.BaseUpdated = true;
  mnuRefresh_Click();
  platform_.SetMousePointer(MousePointer::Default);
}

void FrmMain::mnuAccept_Click() { cmdAccept_Click(); }

void FrmMain::cmdRestore_Click() {
  const std::string warning =
      std::string("You are about to modify your Windows Registry.") +
      " Making these changes could cause another application" +
      " (most likely one that was recently installed) to operate incorrectly." +
      " If you are unsure, click Cancel to abandon the changes." + "\r\r" +
      "Maintaining up-to-date backup copies of your Windows Registry files" +
      " (SYSTEM.DAT and USER.DAT) always is advisable.";
  flags.RestoreConfirmed = !mnuOptWarn.Checked() || frmWarning_.Ask(kProductName, warning);
  if (!flags.RestoreConfirmed) return;
  platform_.SetMousePointer(MousePointer::Hourglass);
  SetStatus(Led::Yellow, "Restoring BASE settings to Registry...");
  const auto failed = RestoreBaseToReg();
  mnuRefresh_Click();
  // A restore the registry refused in part does not call itself done.
  constexpr std::string_view kDone = "Base settings restored. ";
  if ((!failed.empty() || !pendingChoices_.empty()) && sbrMain.PanelText().rfind(kDone, 0) == 0) {
    ShowText("Not all BASE settings were restored. " + sbrMain.PanelText().substr(kDone.size()));
    settled_ = {sbrMain.PanelPicture(), sbrMain.PanelText()};
  }
  ReportNotRestored(failed);
  ConfirmChoices();
}

void FrmMain::mnuRestore_Click() { cmdRestore_Click(); }

void FrmMain::mnuHlpCont_Click() { ShowHelp(0); }

void FrmMain::mnuHlpAbout_Click() {
  if (frmAbout) {
    frmAbout->BaseFile = DescribeBaseFile(g_);
    frmAbout->ShowModal();
  }
}

void FrmMain::ShowHelp(int topic) {
  std::string folder = platform_.ProgramFolder();
  if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
  const std::string hlp = folder + "Hollin.hlp", chm = folder + "Hollin.chm", htm = folder + "Hollin.htm";
  // Windows 10 and later ship a winhlp32.exe that starts only to say that
  // Windows Help is not supported: there the compiled HTML Help opens, and
  // elsewhere the help viewers as they always did, HTML Help after them.
  const bool winHelpIsStub = platform_.WindowsVersion() >= 10;
  const bool hasHlp = !winHelpIsStub && platform_.FileExists(hlp);
  const bool hasChm = platform_.FileExists(chm), hasHtm = platform_.FileExists(htm);
  if (!hasHlp && !hasChm && !hasHtm) {
    box_.Show({"The help file \"" + (winHelpIsStub ? chm : hlp) + "\" is missing.", MbButtons::Ok,
               MbIcon::Exclamation, MbDefault::First, kProductName});
    return;
  }
  std::vector<std::string> failed;
  if (hasHlp) {
    // The path is quoted: the program's folder may hold blanks. A topic by
    // its context string, which is its number (the viewers of today know no
    // option for a number).
    std::string arguments = "\"" + hlp + "\"";
    if (topic > 0) arguments = "-i " + std::to_string(topic) + " " + arguments;
    for (const char* viewer : {"winhelp.exe ", "winhlp32.exe "})
      if (platform_.StartProcess(viewer + arguments, WindowStyle::Minimized)) return;
    failed.push_back("neither winhelp.exe nor winhlp32.exe could be started for \"" + hlp + "\"");
  }
  if (hasChm) {
    if (platform_.OpenHtmlHelp(chm, topic)) return;
    failed.push_back("HTML Help could not open \"" + chm + "\"");
  }
  // Last, the same help as a web page, in the program registered for it.
  if (hasHtm) {
    if (platform_.OpenDocument(htm)) return;
    failed.push_back("no program opens \"" + htm + "\"");
  }
  std::string text = "Help cannot be shown: ";
  for (size_t i = 0; i < failed.size(); ++i)
    text += (i == 0 ? "" : i + 1 == failed.size() ? ", and " : ", ") + failed[i];
  box_.Show({text + ".", MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, kProductName});
}

void FrmMain::mnuOptWarn_Click() {
  mnuOptWarn.Checked(!mnuOptWarn.Checked());
  frmWarning_.Load();
  frmWarning_.chkWarn.Value(mnuOptWarn.Checked() ? 0 : 1);
  SaveWarnSetting(reg_, box_, mnuOptWarn);
}

std::vector<RestoreFailure> FrmMain::RestoreBaseToReg() {
  // A base that names keys not its own is damaged: nothing is written.
  RequireRestorableBase(g_);
  std::vector<std::string> types;
  for (int i = 1; i <= lvwMain.Count(); ++i)
    if (lvwMain.Selected(i)) types.push_back(lvwMain.Text(i));
  RestoreResult result = RestoreTypes(reg_, *g_.BaseEntries, *g_.CurrentEntries, types);
  // Explorer is told of whatever was written, even where the other write of
  // the same type was refused.
  if (result.wrote) platform_.AssociationsChanged();
  pendingChoices_ = std::move(result.choices);
  return std::move(result.failed);
}

// A restore the registry refused, in part or whole, is told: the rebuilt list
// still shows those types, but not why. A long list is cut, as a message box
// taller than the screen hides its button; the advice fits the errors met.
void FrmMain::ReportNotRestored(const std::vector<RestoreFailure>& failed) {
  if (failed.empty()) return;
  // One line per type: both of its writes refused, or the one that was.
  struct Line {
    std::string ext;
    std::string which;  // "": both writes of the type
    LONG status;
  };
  std::vector<Line> lines;
  std::vector<LONG> statuses;
  for (const auto& f : failed) {
    if (!lines.empty() && lines.back().ext == f.ext) {
      lines.back().which.clear();
    } else {
      std::string which = f.programId ? "its program identifier" : "its open command";
      if (f.layer) which.append(" in the ").append(f.layer);
      lines.push_back({f.ext, std::move(which), f.status});
    }
    if (std::find(statuses.begin(), statuses.end(), f.status) == statuses.end()) statuses.push_back(f.status);
  }
  constexpr size_t kListed = 10;
  std::string text = "The registry refused to restore " + std::to_string(lines.size()) + " file type(s):\r";
  for (size_t i = 0; i < lines.size() && i < kListed; ++i) {
    const Line& l = lines[i];
    text.append("\r").append(l.ext);
    if (!l.which.empty()) text.append(" (").append(l.which).append(")");
    text.append(": error ").append(std::to_string(l.status));
    const std::string reason = platform_.ErrorText(l.status);
    if (!reason.empty()) text.append(" (").append(reason).append(")");
  }
  if (lines.size() > kListed) text += "\r... and " + std::to_string(lines.size() - kListed) + " more.";
  text.append("\r\rThese types are still listed.");
  bool other = false;
  for (const LONG status : statuses) {
    if (status == ERROR_ACCESS_DENIED) {
      text.append(" Settings that all users share can be written only with administrator rights: start ")
          .append(kAppTitle)
          .append(" as an administrator and restore them again.");
    } else if (status == ERROR_CHILD_MUST_BE_VOLATILE) {
      text.append(" A key that lasts only until Windows restarts (a volatile key) cannot hold a lasting "
                  "one, and administrator rights do not change that: remove that key with the "
                  "system's registry editor, then restore again.");
    } else {
      other = true;
    }
  }
  if (other) text.append(" Use the system's registry editor to look at the other keys.");
  box_.Show({text, MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, kProductName});
}

// Explorer's choice is never written: Windows checks it with a hash that
// only it may make, and on current versions refuses other programs' writes.
// Windows' own Default apps page opens instead, once for all the types (at
// the recorded program where they share one that the page knows), and one
// box says which program the base recorded for each and what to do there;
// the next check tells whether it took.
void FrmMain::ConfirmChoices() {
  std::vector<std::string> types = std::move(pendingChoices_);
  pendingChoices_.clear();
  if (types.empty()) return;
  const DefaultAppsPage page = DefaultAppsPageFor(reg_, *g_.BaseEntries, types);
  const long status = platform_.OpenSettingsPage(DefaultAppsUri(page));
  std::string text = std::string("Explorer's choice of the program for ") + std::to_string(types.size()) +
                     " file type(s) is not the one your base recorded. Windows protects that choice, so " +
                     kAppTitle + " does not write it.\r";
  constexpr size_t kListed = 10;
  for (size_t i = 0; i < types.size() && i < kListed; ++i) {
    const AssocEntry* b = g_.BaseEntries->Lookup(types[i]);
    const std::string recorded = b ? OpenerOf(*b) : std::string();
    text.append("\r").append(types[i]).append(": ").append(recorded.empty() ? "(none)" : recorded);
  }
  if (types.size() > kListed) text += "\r... and " + std::to_string(types.size() - kListed) + " more.";
  text.append("\r\r");
  std::string error;
  if (status != 0) {
    error = "error " + std::to_string(status);
    if (const std::string reason = platform_.ErrorText(status); !reason.empty()) error.append(": ").append(reason);
  }
  if (status == 0 && page.of != DefaultAppsPage::Of::AllApps) {
    text.append("Windows' Default apps page of the recorded program opens now: there, choose it for each type "
                "listed.");
  } else if (status == 0) {
    text.append("Windows' Default apps page opens now: there, look up each type listed and choose the program "
                "named beside it.");
  } else if (status == kErrorCancelled || status == ERROR_ACCESS_DENIED) {
    text.append("Windows did not open its Default apps page: it was cancelled or refused (" + error +
                "). In Settings > Apps > Default apps, choose the program named beside each type listed.");
  } else {
    text.append("Windows' Default apps page is not there to open (" + error +
                "). In Settings > Apps > Default apps, choose the program named beside each type listed.");
  }
  text.append(" Refresh (F5) then shows whether it took.");
  box_.Show({text, MbButtons::Ok, status == 0 ? MbIcon::Information : MbIcon::Exclamation, MbDefault::First,
             kProductName});
}

void FrmMain::tmrStatus_Timer() { platform_.EndProcess(); }

void FrmMain::ShowEventError(const std::string& where, std::exception_ptr error) {
  platform_.SetMousePointer(MousePointer::Default);
  quietEndPending_ = false;
  ShowSettledStatus(error);
  try {
    std::rethrow_exception(error);
  } catch (const BaseFileError& e) {
    if (e.problem() == BaseFileProblem::Damaged || e.problem() == BaseFileProblem::NewerFormat) {
      // A former base read in place of a missing one is not renamed: the new
      // base goes elsewhere.
      const std::string isd = g_.BaseExtension;
      const bool former = BaseFileRead(g_) != g_.BaseFile + isd;
      const std::string text =
          std::string(e.what()) + "\r\r" + kAppTitle + " can record a new base from the current settings now, " +
          (former ? "in " + g_.BaseFile + isd + ", and leave this file as it is."
                  : std::string("and keep this file beside it under a new name.")) +
          "\r\rRecord a new base? (No ends " + kAppTitle + " and leaves the file as it is.)";
      if (box_.Show({text, MbButtons::YesNo, MbIcon::Exclamation, MbDefault::Second,
                     kProductName}) != MbAnswer::Yes) {
        platform_.EndProcess();
        return;
      }
      Dispatch(where, [this] {
        SetAsideAndRecordNewBase(g_, vsdMain, this);
        flags.NewDBCreated = true;
        mnuRefresh_Click();
      });
      return;
    }
    box_.Show({std::string(e.what()) + "\r\rThe base file was left as it was. (In " + where + ".)", MbButtons::Ok,
               MbIcon::Exclamation, MbDefault::First, kProductName});
  } catch (const std::exception& e) {
    box_.Show({std::string("An error stopped ") + where + ":\r\r" + e.what(), MbButtons::Ok,
               MbIcon::Exclamation, MbDefault::First, kProductName});
  } catch (...) {
    box_.Show({std::string("An unknown error stopped ") + where + ".", MbButtons::Ok,
               MbIcon::Exclamation, MbDefault::First, kProductName});
  }
  // A quiet check that failed must not leave the user with nothing but the
  // status window: the main window comes up.
  if (flags.HiddenStart && !Visible()) ShowMainWindow(false);
}

// After an error, the status bar must not go on showing the progress text of
// the step that failed: it shows the state the list still shows, or, where
// nothing was shown yet, what stopped the check.
void FrmMain::ShowSettledStatus(std::exception_ptr error) {
  if (settled_) {
    sbrMain.PanelPicture(settled_->first);
    ShowText(settled_->second);
    return;
  }
  std::string text = "Stopped by an error: nothing was checked.";
  try {
    std::rethrow_exception(error);
  } catch (const BaseFileError& e) {
    text = e.problem() == BaseFileProblem::Unwritable ? "Stopped: the base file could not be written."
                                                        : "Stopped: the base file could not be read.";
  } catch (...) {
  }
  SetStatus(Led::Grey, text);
}

void FrmMain::ShowLed(Led led) { sbrMain.PanelPicture(LedPicture(led)); }

void FrmMain::ShowText(const std::string& text) { sbrMain.PanelText(text); }

void FrmMain::RepaintNow() { backend().RefreshControl(sbrMain); }

void FrmMain::Step(BaseStep step) {
  if (step == BaseStep::Saving) {
    ShowText("Building new BASE record from CURRENT entries...");
    RepaintNow();
    return;
  }
  ShowLed(Led::Yellow);
  // During a restore the status bar keeps saying what the restore does.
  if (!flags.RestoreConfirmed) ShowText("Reading BASE entries...");
}

void FrmMain::SetSecondColumn(const std::string& caption, int extraTwips) {
  lvwMain.ColumnWidth(2, TextWidth(caption) + extraTwips);
  lvwMain.ColumnCaption(2, caption);
  backend().RefreshControl(lvwMain);
}

void FrmMain::AddRow(const std::string& text, const std::string& subItem) {
  lvwMain.Add(text, subItem);
}

void FrmMain::EnableAccept(bool enabled) {
  fraAction.Enabled(enabled);
  cmdAccept.Enabled(enabled);
  lblAccept.Enabled(enabled);
  mnuAccept.Enabled(enabled);
}

void FrmMain::ShowMainWindow(bool beep) {
  Show();
  frmStatus_.Unload();
  if (beep) platform_.Beep();
}

void FrmMain::QuietStartNoChanges() {
  frmStatus_.ShowNoChanges();
  quietEndPending_ = true;
}

void FrmMain::SetStatus(Led led, const std::string& text) {
  ShowLed(led);
  ShowText(text);
}

}  // namespace hollin::ui
