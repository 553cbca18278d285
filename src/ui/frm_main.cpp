#include "ui/frm_main.h"

#include <chrono>
#include <cmath>
#include <algorithm>
#include <stdexcept>

#include "base/base_location.h"
#include "base/base_store.h"
#include "common/command_line.h"
#include "common/file_system.h"
#include "common/names.h"
#include "common/text.h"
#include "common/ansi_codepage.h"
#include "compare/always_restore.h"
#include "compare/changed_when.h"
#include "compare/exe_name.h"
#include "compare/check.h"
#include "compare/default_apps.h"
#include "compare/restore.h"
#include "registry/settings.h"
#include "messages/messages.h"
#include "records/report.h"
#include "ui/health_view.h"
#include "ui/history_view.h"
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

FrmMain::FrmMain(Backend& backend, Associations& appState, IRegistry& reg, IPlatform& platform,
                 IMessageBox& box, FrmStatus& frmStatus, FrmWarning& frmWarning)
    : Form(backend, "frmMain", FormStyle::MainWindow),
      mnuFileExit(*this, "mnuFileExit", -1, IDM_FILE_EXIT),
      mnuViewChoice0(*this, "mnuViewChoice", 0, IDM_VIEW_CHOICE0, 2),
      mnuViewChoice1(*this, "mnuViewChoice", 1, IDM_VIEW_CHOICE1, 2),
      mnuViewChoice2(*this, "mnuViewChoice", 2, IDM_VIEW_CHOICE2, 2),
      mnuHealth(*this, "mnuHealth", -1, IDM_VIEW_HEALTH, 2),
      mnuHistory(*this, "mnuHistory", -1, IDM_VIEW_HISTORY, 3),
      mnuAccept(*this, "mnuAccept", -1, IDM_ACCEPT, 3),
      mnuRestore(*this, "mnuRestore", -1, IDM_RESTORE, 4),
      mnuRefresh(*this, "mnuRefresh", -1, IDM_REFRESH, 2),
      mnuDetails(*this, "mnuDetails", -1, IDM_DETAILS, 2),
      mnuOptWarn(*this, "mnuOptWarn", -1, IDM_OPT_WARN, 4),
      mnuOptAlways(*this, "mnuOptAlways", -1, IDM_OPT_ALWAYS, 4),
      mnuHlpCont(*this, "mnuHlpCont", -1, IDM_HLP_CONT),
      mnuHlpAbout(*this, "mnuHlpAbout", -1, IDM_HLP_ABOUT, 1),
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
  mnuHealth.Click = [this] { mnuHealth_Click(); };
  mnuHistory.Click = [this] { mnuHistory_Click(); };
  mnuRefresh.Click = [this] { mnuRefresh_Click(); };
  mnuDetails.Click = [this] { mnuDetails_Click(); };
  mnuAccept.Click = [this] { mnuAccept_Click(); };
  cmdAccept.Click = [this] { cmdAccept_Click(); };
  cmdRestore.Click = [this] { cmdRestore_Click(); };
  mnuRestore.Click = [this] { mnuRestore_Click(); };
  mnuOptWarn.Click = [this] { mnuOptWarn_Click(); };
  mnuOptAlways.Click = [this] { mnuOptAlways_Click(); };
  mnuHlpCont.Click = [this] { mnuHlpCont_Click(); };
  mnuHlpAbout.Click = [this] { mnuHlpAbout_Click(); };
  OnHelp = [this](MenuItem* item) { ShowHelp(item ? item->HelpTopic() : 0); };
  // F1 in the warning: the topic of the restore it warns of.
  frmWarning_.OnHelp = [this](MenuItem*) { ShowHelp(mnuRestore.HelpTopic()); };
  lvwMain.ColumnClick = [this](int column) { lvwMain_ColumnClick(column); };
  lvwMain.ItemClick = [this](int row) { lvwMain_ItemClick(row); };
  lvwMain.KeyPress = [this](int& k) { lvwMain_KeyPress(k); };
  lvwMain.ItemActivate = [this](int row) {
    if (frmDetails && ShownView != kHistoryView && ShownView != kNoView)
      ShowDetails(msg::EntryName(lvwMain.Text(row)));
  };
  tmrStatus.Tick = [this] { tmrStatus_Timer(); };
}

FrmMain::~FrmMain() = default;

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
  Frame1.Caption(msg::kViewFrame);
  for (int i = 0; i < 3; ++i) {
    optView(i).Container(&Frame1);
    optView(i).Move(135, 285 + 330 * i, 1515, 285);
    optView(i).Caption(msg::ViewCaption(i));
  }
  optView0.Value(true);
  fraAction.Move(5055, 0, 3090, 1305);
  fraAction.Caption(msg::kActionFrame);
  fraAction.Enabled(false);
  const FontSpec small{"Small Fonts", 6.75, false};
  for (Control* c : {static_cast<Control*>(&cmdAccept), static_cast<Control*>(&lblAccept),
                     static_cast<Control*>(&cmdRestore), static_cast<Control*>(&lblRestore)}) {
    c->Container(&fraAction);
    c->Enabled(false);
  }
  cmdAccept.Move(1740, 165, 1275, 510);
  cmdAccept.Caption(msg::kAcceptButton);
  lblAccept.Move(30, 192, 1645, 540);
  lblAccept.Font(small);
  lblAccept.Colors(kSmallLabelColor, kSystemColor);
  cmdRestore.Move(1740, 735, 1275, 510);
  cmdRestore.Caption(msg::kRestoreButton);
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
  lblName0.Font({"Times New Roman", 8.25, true});  // verbatim
  lblName0.Colors(Rgb(0, 0, 0), Rgb(0, 128, 128));
  lblName1.Move(6225, 0, 1230, 435);  // the title's line whole, its descent too
  lblName1.Caption(kAppTitle);
  lblName1.Font({"Times New Roman", 18, true});  // verbatim
  lblName1.Colors(Rgb(0, 192, 192), Rgb(0, 128, 128));
  lblName1.Alignment(Align::Right);
  lblName2.Move(6255, 0, 1230, 435);
  lblName2.Caption(kAppTitle);
  lblName2.Font({"Times New Roman", 18, true});  // verbatim
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
  const int typeWidth = TextWidth(msg::kTypeColumn);
  lvwMain.AddColumn(msg::kTypeColumn, typeWidth);
  // Links are listed after the file types, under their own caption where the
  // control shows groups.
  lvwMain.GroupCaptions({msg::kTypesGroup, msg::kLinksGroup});
  lvwMain.AddColumn(msg::kChangedColumn, lvwMain.Width() - typeWidth - 8);
  ShownView = kNoView;
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
  // The detail text ends above the title block: nothing is drawn over it.
  const int logoTop = std::min({imgIco.Top(), lblName1.Top(), lblName2.Top(), lblName0.Top()});
  lblInfo.Height(std::max(0, logoTop - lblInfo.Top()));
  Caption(msg::MainTitle());
  lblAccept.Caption(msg::kAcceptNote);
  lblRestore.Caption(msg::kRestoreNote);

  // The switch is looked for among the arguments only: the program's own
  // path may hold "-h" ("C:\Tools-Hub\hollin.exe"), and a type to review
  // may too.
  if (flags.ReviewTypes.empty() && FoldCase(ArgumentsOf(platform_.CommandLine())).find("-h") != std::string::npos) {
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
  if (box_.Show({msg::CloseQuestion(), MbButtons::YesNo, MbIcon::Question, MbDefault::Second, msg::kBoxTitle}) ==
      MbAnswer::Yes)
    SaveOnClose();
}

void FrmMain::SaveOnClose() {
  // The window closes whatever happens; a base that cannot be written is
  // reported and stays as it was.
  try {
    std::optional<BaseTurn> turn;
    if (!TakeBaseTurn(turn)) return;
    SaveCurrentAsDefault(g_, vsdMain, this);
  } catch (const BaseFileError& e) {
    box_.Show({msg::BaseNotChangedOnClose(msg::BaseFileText(e)), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
               msg::kBoxTitle});
  }
}

void FrmMain::Form_Unload(int&) {
  platform_.EndProcess();
}

void FrmMain::mnuFileExit_Click() { Unload(1); }

void FrmMain::mnuRefresh_Click() {
  platform_.SetMousePointer(MousePointer::Hourglass);
  Refresh();
  Check();
  // The changes view is built anew even where it is the one shown.
  ShownView = kNoView;
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
  const std::vector<SkippedSubkey>& skipped = checked_.skipped;
  if (skipped.empty()) return;
  std::vector<std::string> lines;
  for (const auto& k : skipped) lines.push_back(msg::SkippedKeyLine(k.name, k.status));
  box_.Show({msg::SkippedKeys(lines, skipped.size()), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
             msg::kBoxTitle});
}

void FrmMain::Check() {
  ShowLed(Led::Yellow);
  if (!flags.RestoreConfirmed) ShowText(msg::kReadingCurrent);
  lblInfo.Caption("");
  Refresh();
  risks_.clear();
  checked_ = {};
  // The scan and the base are read in the base's turn: never a restore of
  // another copy's half done, nor a base it is replacing.
  // (The error goes where every failed check goes: one box.)
  std::optional<BaseTurn> turn;
  if (!TakeBaseTurn(turn, false))
    throw std::runtime_error(msg::BaseBusy(AbsolutePath(g_.BaseFile + g_.BaseExtension), kBaseTurnWaitMs / 1000));
  checked_ = RunCheck(reg_, platform_, g_, {.load = &vsdMain, .progress = this});
  baseStamp_ = BaseFileStamp(g_);
  // A base of an earlier format recorded no links and no verbs: they are
  // recorded with it now, without a word but one in the status.
  if (checked_.linksRecorded) flags.LinksNowGuarded = true;
  if (!checked_.firstRun) return;
  flags.NewDBCreated = true;
  LogAction(Action::FirstRun, msg::kFirstRunInWindow + msg::NowTheBase(g_.CurrentEntries->Count()));
}

const std::vector<ChangedItem>& FrmMain::Changes() {
  if (checked_.current != g_.CurrentEntries || checked_.base != g_.BaseEntries) {
    checked_.current = g_.CurrentEntries;
    checked_.base = g_.BaseEntries;
    checked_.changes = FindChanges(*g_.CurrentEntries, *g_.BaseEntries, LinksKnown(g_), true);
  }
  return checked_.changes;
}

void FrmMain::LeaveHistory() {
  if (mnuHistory.Checked()) {
    lvwMain.ColumnCaption(1, msg::kTypeColumn);
    lvwMain.ColumnWidth(1, TextWidth(msg::kTypeColumn));
  }
  mnuHistory.Checked(false);
  generations_.clear();
}

void FrmMain::optView_Click(int Index) {
  for (int i = 0; i < 3; ++i) mnuViewChoice(i).Checked(false);
  mnuHealth.Checked(false);
  LeaveHistory();
  mnuViewChoice(Index).Checked(true);
  if (ShownView == Index) return;
  FontSpec normal = lblInfo.Font();
  normal.bold = false;
  lblInfo.Font(normal);
  lblInfo.Caption("");
  EnableRestore(false);
  Refresh();
  lvwMain.Clear();
  detailsOf_.clear();
  if (Index == 0) {
    lvwMain.MultiSelect(true);
    ShowDelta();
    ShownView = kChangesView;
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

// What the system itself says it runs for a type, for the panel; "" where
// it cannot tell.
std::string FrmMain::WhatWindowsRuns(const std::string& ext) {
  std::string progId, command;
  if (!platform_.AskWhatOpens(ext, IsLinkName(ext), progId, command)) return std::string();
  // One line: the identifier it names, else the program of its command.
  return msg::WindowsRunsLine(progId, command);
}

void FrmMain::lvwMain_ItemClick(int row) {
  const std::string ext = msg::EntryName(lvwMain.Text(row));
  detailsOf_ = ext;
  mnuOptAlways.Checked(HoldsType(ReadAlwaysRestore(reg_), ext));
  // What a click on a row shows, by view.
  using Click = void (FrmMain::*)(int row, const std::string& ext);
  static constexpr std::pair<std::int16_t, Click> kClicks[] = {
      {kChangesView, &FrmMain::ChangesRowClick}, {kCurrentView, &FrmMain::CurrentRowClick},
      {kBaseView, &FrmMain::BaseRowClick},       {kHealthView, &FrmMain::HealthRowClick},
      {kHistoryView, &FrmMain::HistoryRowClick}};
  for (const auto& [view, click] : kClicks)
    if (view == ShownView) (this->*click)(row, ext);
}

void FrmMain::CurrentRowClick(int, const std::string& ext) {
  const AssocEntry& entry = *g_.CurrentEntries->Item(ext);
  ShowPanel(msg::EntryPanel(true, entry),
            Lines({msg::EntryFacts(entry), msg::IgnoredChoiceLine(&entry), WhatWindowsRuns(ext)}));
}

void FrmMain::HealthRowClick(int, const std::string& ext) {
  const AssocEntry& entry = *g_.CurrentEntries->Item(ext);
  ShowPanel(msg::EntryPanel(true, entry), Lines({RiskText(ext), msg::EntryFacts(entry)}));
}

void FrmMain::BaseRowClick(int, const std::string& ext) {
  const AssocEntry& entry = *g_.BaseEntries->Item(ext);
  ShowPanel(msg::EntryPanel(false, entry), msg::EntryFacts(entry));
}

void FrmMain::HistoryRowClick(int, const std::string&) {
  const Generation* gen = SelectedGeneration();
  if (!gen) return;
  lblInfo.Caption(HistoryPanel(generations_, static_cast<size_t>(gen - generations_.data()), g_.BaseEntries.get(),
                               [this](const std::string& text) {
                                 return backend().TextHeight(text, lblInfo.Font(), lblInfo.Width()) <= lblInfo.Height();
                               }));
  EnableRestore(gen->entries != nullptr);
}

void FrmMain::ChangesRowClick(int row, const std::string& ext) {
  const AssocEntry* c = g_.CurrentEntries->Lookup(ext);
  const AssocEntry* b = g_.BaseEntries->Lookup(ext);
  if (!b) lvwMain.Selected(row, false);  // nothing to restore for it
  // When the key that changed was last written (the key's time: a later
  // write of anything in it moves it).
  std::int64_t written = 0;
  const bool known = KeyLastWritten(reg_, ChangedKeyOf(reg_, c, b), written);
  const AssocEntry::Layer latent = c && b ? LatentLayer(*c, *b) : AssocEntry::Layer::Classes;
  ShowPanel(msg::ChangePanel(ext, c, b),
            Lines({msg::ChangeFacts(c, b, known ? LocalMinute(written) : std::string(),
                                    c ? RiskText(ext) : std::string(), latent),
                   msg::IgnoredChoiceLine(c, b), WhatWindowsRuns(ext)}));
  bool any = false;
  for (int i = 1; i <= lvwMain.Count() && !any; ++i) any = lvwMain.Selected(i);
  EnableRestore(any);
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
  if (ShownView == kChangesView) lvwMain.MultiSelect(true);
}

void FrmMain::ShowDelta() {
  lvwMain.BeginUpdate();
  // The rows' risk signals: of the changed types only, so that a check
  // without changes asks nothing of the files.
  if (fileFacts) assessor_.emplace(reg_, *fileFacts);
  try {
    ui::ShowDelta(Changes(), flags, *this);
  } catch (...) {
    assessor_.reset();
    lvwMain.EndUpdate();
    throw;
  }
  assessor_.reset();
  lvwMain.EndUpdate();
  FitColumns(true);
}

// A view of its own beside the three: its menu item checked, the others and
// the option buttons not, the panel and Restore cleared, the list emptied.
void FrmMain::EnterListView(MenuItem& item, int view) {
  for (int i = 0; i < 3; ++i) mnuViewChoice(i).Checked(false);
  item.Checked(true);
  for (int i = 0; i < 3; ++i) optView(i).Value(false);
  lblInfo.Caption("");
  EnableRestore(false);
  lvwMain.Clear();
  lvwMain.MultiSelect(false);
  ShownView = view;
}

void FrmMain::mnuHealth_Click() {
  LeaveHistory();
  EnterListView(mnuHealth, kHealthView);
  platform_.SetMousePointer(MousePointer::Hourglass);
  SetSecondColumn(msg::kHealthColumn, 10);
  if (!fileFacts) {
    SetStatus(Led::Grey, msg::kHealthUnavailable);
    platform_.SetMousePointer(MousePointer::Default);
    return;
  }
  SetStatus(Led::Yellow, msg::kHealthChecking);
  RepaintNow();
  Assessor assessor(reg_, *fileFacts);
  lvwMain.BeginUpdate();
  for (HealthRow& row : HealthRows(*g_.CurrentEntries, assessor)) {
    const AssocEntry& c = *row.entry;
    lvwMain.Add(msg::ListName(c.Ext()), OpenerOf(c), c.IsProtocol() ? 1 : 0, row.assessment.Words());
    risks_[FoldCase(c.Ext())] = std::move(row.assessment);
  }
  lvwMain.EndUpdate();
  FitColumns(true);
  const int n = lvwMain.Count();
  SetStatus(n ? Led::Red : Led::Green, msg::HealthStatus(n));
  if (n >= 1) lvwMain.EnsureVisible(1);
  if (!flags.HiddenStart) lvwMain.SetFocus();
  platform_.SetMousePointer(MousePointer::Default);
  settled_ = {sbrMain.PanelPicture(), sbrMain.PanelText()};
}

void FrmMain::mnuHistory_Click() {
  mnuHealth.Checked(false);
  EnterListView(mnuHistory, kHistoryView);
  lvwMain.KeepColumns(2);
  lvwMain.ColumnCaption(1, msg::kGenerationColumn);
  lvwMain.ColumnWidth(1, TextWidth(msg::kGenerationColumn) + 120);
  std::vector<Generation> foreign;
  generations_ = ReadGenerations(GenerationsFolder(g_.BaseFile), &foreign);
  const HistoryList list = HistoryRows(generations_, foreign, g_.BaseEntries.get());
  lvwMain.BeginUpdate();
  for (const HistoryRow& row : list.rows) lvwMain.Add(row.number, row.text);
  lvwMain.EndUpdate();
  // The second column as wide as its longest text, then fitted to the list.
  int widest = TextWidth(msg::kRecordedColumn);
  for (const auto& row : lvwMain.Rows()) widest = std::max(widest, TextWidth(row.sub));
  SetSecondColumn(msg::kRecordedColumn, widest + 120 - TextWidth(msg::kRecordedColumn));
  FitColumns(false);
  SetStatus(Led::Grey, msg::HistoryStatus(generations_.size(), list.damaged));
  // A file where the history's folder belongs: nothing is kept there until
  // it goes, which the empty list alone would not say.
  const std::string folder = GenerationsFolder(g_.BaseFile);
  if (PathExists(folder) && !IsFolder(folder)) lblInfo.Caption(msg::HistoryIsAFile(AbsolutePath(folder)));
  if (lvwMain.Count() >= 1) lvwMain.EnsureVisible(1);
  if (!flags.HiddenStart) lvwMain.SetFocus();
  settled_ = {sbrMain.PanelPicture(), sbrMain.PanelText()};
}

const Generation* FrmMain::SelectedGeneration() const {
  for (int i = 1; i <= lvwMain.Count(); ++i) {
    if (!lvwMain.Selected(i)) continue;
    const std::string& number = lvwMain.Text(i);
    for (const Generation& gen : generations_)
      if (std::to_string(gen.number) == number) return &gen;
  }
  return nullptr;
}

// Makes the generation selected the base again, then restores every type
// that differs from it as Restore does in the changes view, with the same
// warning, refusals and reports. The base it replaces becomes generation 1.
void FrmMain::RestoreFromGeneration() {
  const Generation* gen = SelectedGeneration();
  if (!gen || !gen->entries) return;
  if (box_.Show({msg::RestoreFromQuestion(gen->number, LocalMinute(gen->recorded)), MbButtons::YesNo,
                 MbIcon::Question, MbDefault::Second, msg::kBoxTitle}) != MbAnswer::Yes)
    return;
  if (mnuOptWarn.Checked() && !frmWarning_.Ask(msg::kBoxTitle, msg::RestoreWarning())) return;
  // A generation that names keys not its own is refused before anything
  // changes, as a base that does.
  Associations from;
  from.BaseFile = gen->path;
  from.BaseExtension.clear();
  from.BaseEntries = gen->entries;
  try {
    RequireRestorableBase(from);
  } catch (const BaseFileError& e) {
    box_.Show({msg::GenerationNotRestored(msg::BaseFileText(e)), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
               msg::kBoxTitle});
    return;
  }
  std::optional<BaseTurn> turn;
  if (!TakeBaseTurn(turn) || BaseChangedMeanwhile()) return;
  platform_.SetMousePointer(MousePointer::Hourglass);
  const std::shared_ptr<AssocEntries> records = WithLinksKept(gen->entries, *g_.CurrentEntries);
  const std::string notKept = msg::BaseFileText(SaveGenerationAsBase(g_, vsdMain, records, this));
  baseStamp_ = BaseFileStamp(g_);
  LogAction(Action::Accepted, msg::GenerationMadeBaseRecord(gen->number, records->Count(), LocalMinute(gen->recorded)));
  // The changes against it, every one the base knows selected, restored.
  LeaveHistory();
  ShownView = kNoView;
  optView0.Value(true);
  for (int i = 1; i <= lvwMain.Count(); ++i) lvwMain.Selected(i, g_.BaseEntries->Lookup(lvwMain.Text(i)) != nullptr);
  flags.RestoreConfirmed = true;
  RestoreSelected();
  TellNotKept(notKept);
}

void FrmMain::TellNotKept(const std::string& why) {
  if (why.empty()) return;
  box_.Show({msg::NotKeptInHistory(why), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, msg::kBoxTitle});
}

// The risk signals of a type's current program for the panel, on the lines
// after its command; "" where none were assessed.
std::string FrmMain::RiskText(const std::string& ext) const {
  const auto it = risks_.find(FoldCase(ext));
  if (it == risks_.end()) return std::string();
  return msg::RiskPanel(it->second);
}

std::string FrmMain::Lines(std::initializer_list<std::string> parts) {
  std::string t;
  for (const std::string& p : parts)
    if (!p.empty()) t.append(t.empty() ? "" : "\r").append(p);
  return t;
}

// The panel's own text whole, then of the facts after an empty line as many
// lines as fit above the title block; the rest is in the Details window.
void FrmMain::ShowPanel(const std::string& text, const std::string& facts) {
  std::string shown = text;
  size_t start = 0;
  while (start < facts.size()) {
    const size_t end = std::min(facts.find('\r', start), facts.size());
    std::string next = shown + (start == 0 ? "\r\r" : "\r") + facts.substr(start, end - start);
    if (backend().TextHeight(next, lblInfo.Font(), lblInfo.Width()) > lblInfo.Height()) break;
    shown = std::move(next);
    start = end + 1;
  }
  lblInfo.Caption(shown);
}

void FrmMain::ShowAll(const AssocEntries& entries, const char* caption, int extraTwips,
                      std::string (*statusText)(int count)) {
  lvwMain.KeepColumns(2);
  SetSecondColumn(caption, extraTwips);
  lvwMain.BeginUpdate();
  for (const auto& entry : entries)
    lvwMain.Add(msg::ListName(entry->Ext()), entry->Unreadable() ? msg::UnreadableRow() : OpenerOf(*entry),
                entry->IsProtocol() ? 1 : 0);
  lvwMain.EndUpdate();
  FitColumns(false, false);
  SetStatus(Led::Grey, statusText(lvwMain.Count()));
}

void FrmMain::ShowAllCurrent() {
  ShowAll(*g_.CurrentEntries, msg::kCurrentColumn, 7, msg::AllCurrentEntries);
}

void FrmMain::ShowAllPrevious() {
  ShowAll(*g_.BaseEntries, msg::kBaseColumn, -7, msg::AllBaseEntries);
}

void FrmMain::cmdAccept_Click() {
  // What the list showed is accepted, into the base it was compared with.
  std::optional<BaseTurn> turn;
  if (!TakeBaseTurn(turn) || BaseChangedMeanwhile()) return;
  platform_.SetMousePointer(MousePointer::Hourglass);
  Refresh();
  const std::string notKept = msg::BaseFileText(SaveCurrentAsDefault(g_, vsdMain, this));
  flags.BaseUpdated = true;
  LogAction(Action::Accepted, msg::kAcceptedInWindow + msg::NowTheBase(g_.CurrentEntries->Count()));
  mnuRefresh_Click();
  platform_.SetMousePointer(MousePointer::Default);
  TellNotKept(notKept);
}

void FrmMain::mnuAccept_Click() { cmdAccept_Click(); }

void FrmMain::cmdRestore_Click() {
  if (ShownView == kHistoryView) {
    RestoreFromGeneration();
    return;
  }
  flags.RestoreConfirmed = !mnuOptWarn.Checked() || frmWarning_.Ask(msg::kBoxTitle, msg::RestoreWarning());
  if (!flags.RestoreConfirmed) return;
  RestoreSelected();
}

void FrmMain::RestoreSelected() {
  // The base restored from is the one the list was made against, and the
  // check after the writes sees them all.
  std::optional<BaseTurn> turn;
  if (!TakeBaseTurn(turn) || BaseChangedMeanwhile()) return;
  platform_.SetMousePointer(MousePointer::Hourglass);
  SetStatus(Led::Yellow, msg::kRestoring);
  int firstSelected = 0;
  for (int i = lvwMain.Count(); i >= 1; --i)
    if (lvwMain.Selected(i)) firstSelected = i;
  const auto failed = RestoreBaseToReg();
  // A restore the registry refused in part does not call itself done: the
  // changes view says so where it reports the restore.
  flags.RestoreIncomplete = !failed.empty() || !pendingChoices_.empty();
  mnuRefresh_Click();
  KeepPlace(firstSelected);
  if (flags.RestoreIncomplete && !flags.RestoreConfirmed) settled_ = {sbrMain.PanelPicture(), sbrMain.PanelText()};
  flags.RestoreIncomplete = false;
  // One line a type: restored, or which write was refused.
  std::string logged = msg::kRestoredInWindow;
  for (const std::string& type : restoring_) {
    const RestoreFailure* refused = nullptr;
    for (const auto& f : failed)
      if (f.ext == type) refused = &f;
    const bool choiceLeft = std::find(pendingChoices_.begin(), pendingChoices_.end(), type) != pendingChoices_.end();
    logged.append("\n").append(msg::RestoredTypeRecord(type, refused, choiceLeft));
  }
  LogAction(failed.empty() && pendingChoices_.empty() ? Action::Restored : Action::RestoreRefused, logged);
  ReportNotRestored(failed);
  ConfirmChoices();
}

// The list where the user left it after a restore: the types it asked for
// that are still listed (a write refused, a choice left to Windows) stay
// selected with their panel, and the row now in the place of the first one
// asked for stays in view, the list keeping the focus.
void FrmMain::KeepPlace(int firstSelected) {
  if (ShownView != kChangesView || lvwMain.Count() == 0) return;
  int first = 0;
  for (int i = 1; i <= lvwMain.Count(); ++i) {
    const std::string listed = FoldCase(msg::EntryName(lvwMain.Text(i)));
    for (const std::string& type : restoring_)
      if (FoldCase(type) == listed) {
        lvwMain.Selected(i, true);
        if (!first) first = i;
      }
  }
  if (first) lvwMain_ItemClick(first);
  lvwMain.EnsureVisible(first ? first : std::clamp(firstSelected, 1, lvwMain.Count()));
  lvwMain.SetFocus();
}

void FrmMain::mnuRestore_Click() { cmdRestore_Click(); }

void FrmMain::mnuDetails_Click() {
  if (!frmDetails || ShownView == kHistoryView || ShownView == kNoView) return;
  // The first row selected, else the one clicked last (a new type's row is
  // taken out of the selection when it is clicked).
  std::string ext = detailsOf_;
  for (int i = lvwMain.Count(); i >= 1; --i)
    if (lvwMain.Selected(i)) ext = msg::EntryName(lvwMain.Text(i));
  if (ext.empty() || !(g_.CurrentEntries->Lookup(ext) || g_.BaseEntries->Lookup(ext))) return;
  ShowDetails(ext);
}

msg::DetailFacts FrmMain::DetailsOf(const std::string& ext) {
  // Both sides, whichever view lists it.
  const AssocEntry* c = g_.CurrentEntries->Lookup(ext);
  const AssocEntry* b = g_.BaseEntries->Lookup(ext);
  msg::DetailFacts f;
  f.type = c ? c->Ext() : b ? b->Ext() : ext;
  const AssocEntry::Layer latent = c && b ? LatentLayer(*c, *b) : AssocEntry::Layer::Classes;
  f.change = c && c->Unreadable()                  ? "unreadable"
             : latent != AssocEntry::Layer::Classes ? "latent"
             : !b                                 ? "new"
             : !c                                 ? "removed"
             : OpensDifferently(*b, *c)           ? "changed"
                                                  : "";
  if (latent != AssocEntry::Layer::Classes) f.latentLayer = msg::LayerName(latent);
  std::int64_t written = 0;
  if (KeyLastWritten(reg_, ChangedKeyOf(reg_, c, b), written)) f.written = LocalMinute(written);
  // Each side as the report names it.
  const auto side = [](const AssocEntry* e) {
    msg::DetailSide s;
    if (!e) return s;
    s.present = true;
    s.progId = e->Layered() ? e->InForceProgID() : e->ProgramID();
    if (s.progId.empty() && e->IsProtocol() && (!e->RunCommand().empty() || !e->Handler().empty())) s.progId = e->Ext();
    s.command = e->RunCommand();
    s.program = OpenerOf(*e);
    s.verb = e->VerbIsNotOpen() ? e->Verb() : std::string();
    s.handler = e->VerbsRead() ? e->Handler() : std::string();
    s.notHonoured = e->IgnoredChoice();
    return s;
  };
  f.base = side(b);
  f.current = side(c);
  if (c && c->Unreadable()) {
    f.current = msg::DetailSide();
    f.unreadableKey = msg::UnreadableKey(c->Ext(), c->UnreadableAt(), c->UnreadablePath());
  }
  if (c && !c->Unreadable() && fileFacts) {
    Assessor assessor(reg_, *fileFacts);
    const Assessment a = assessor.Assess(*c);
    // What runs and who made it, as the reports name them.
    cli::ReportRisk risk = cli::RiskOf(a);
    f.current.runs = std::move(risk.runs);
    f.current.signals = std::move(risk.signals);
    f.current.signer = std::move(risk.signer);
    f.current.company = std::move(risk.company);
    f.current.product = std::move(risk.product);
    // One line a signal, as the panel says it.
    for (Signal s : a.signals) f.reasons.push_back(msg::SignalReason(s, a));
  }
  const AssocEntry* decided = c ? c : b;
  if (decided && decided->Layered()) f.decider = msg::LayerName(decided->Decider());
  f.layersNow = c ? msg::DescribeLayers(c, nullptr) : std::string();
  f.layersBase = b ? msg::DescribeLayers(b, nullptr) : std::string();
  f.choice = c ? c->ChoiceProgID() : std::string();
  f.ignoredChoice = c ? c->IgnoredChoice() : std::string();
  f.onlySetAside = c && b && OnlySetAsideDiffers(*c, *b);
  std::string progId, command;
  if (platform_.AskWhatOpens(ext, IsLinkName(ext), progId, command))
    f.windowsRuns = !progId.empty() ? progId : command.empty() ? std::string() : ProgramNameFromCommand(command);
  f.baseFile = BaseFileRead(g_);
  std::int64_t baseTime = 0;
  if (LastWriteSeconds(f.baseFile, baseTime)) f.baseWritten = LocalMinute(baseTime);
  f.generations = static_cast<int>(ReadGenerations(GenerationsFolder(g_.BaseFile)).size());
  return f;
}

void FrmMain::mnuHlpCont_Click() { ShowHelp(0); }

// The Details window of a type or link; F1 there opens the topic of its
// menu item.
void FrmMain::ShowDetails(const std::string& ext) {
  frmDetails->OnHelp = [this](MenuItem*) { ShowHelp(mnuDetails.HelpTopic()); };
  frmDetails->ShowFacts(DetailsOf(ext));
}

void FrmMain::mnuHlpAbout_Click() {
  if (frmAbout) {
    frmAbout->OnHelp = [this](MenuItem*) { ShowHelp(mnuHlpAbout.HelpTopic()); };
    frmAbout->BaseFile = msg::DescribeBaseFile(g_);
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
    box_.Show({msg::HelpFileMissing(winHelpIsStub ? chm : hlp), MbButtons::Ok, MbIcon::Exclamation,
               MbDefault::First, msg::kBoxTitle});
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
    failed.push_back(msg::HelpViewersFailed(hlp));
  }
  if (hasChm) {
    if (platform_.OpenHtmlHelp(chm, topic)) return;
    failed.push_back(msg::HtmlHelpFailed(chm));
  }
  // Last, the same help as a web page, in the program registered for it.
  if (hasHtm) {
    if (platform_.OpenDocument(htm)) return;
    failed.push_back(msg::NoProgramOpens(htm));
  }
  box_.Show({msg::HelpCannotBeShown(failed), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, msg::kBoxTitle});
}

void FrmMain::mnuOptWarn_Click() {
  mnuOptWarn.Checked(!mnuOptWarn.Checked());
  frmWarning_.Load();
  frmWarning_.chkWarn.Value(mnuOptWarn.Checked() ? 0 : 1);
  SaveWarnSetting(reg_, box_, mnuOptWarn);
}

// The selected types join the set the guard restores at once, or, where all
// of them are in it already, leave it.
void FrmMain::mnuOptAlways_Click() {
  std::vector<std::string> selected;
  for (int i = 1; i <= lvwMain.Count(); ++i)
    if (lvwMain.Selected(i)) selected.push_back(lvwMain.Text(i));
  if (selected.empty()) {
    box_.Show({msg::kAlwaysRestoreSelectFirst, MbButtons::Ok, MbIcon::Information, MbDefault::First, kProductName});
    return;
  }
  DWORD otherType = REG_NONE;
  std::vector<std::string> always = ReadAlwaysRestore(reg_, &otherType);
  if (otherType != REG_NONE) {
    box_.Show({msg::AlwaysRestoreOfAnotherType(std::string("HKEY_CURRENT_USER\\") + kSettingsKey,  // verbatim
                                               kAlwaysRestoreValue),
               MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, kProductName});
    return;
  }
  bool all = true;
  for (const auto& t : selected) all = all && HoldsType(always, t);
  if (all) std::erase_if(always, [&](const std::string& t) { return HoldsType(selected, t); });
  else always.insert(always.end(), selected.begin(), selected.end());
  if (const LONG status = WriteAlwaysRestore(reg_, always); status != ERROR_SUCCESS) {
    box_.Show({msg::RefusedSetting(kAlwaysRestoreValue, status), MbButtons::Ok, MbIcon::Exclamation,
               MbDefault::First, kProductName});
    return;
  }
  mnuOptAlways.Checked(!all);
}

std::vector<RestoreFailure> FrmMain::RestoreBaseToReg() {
  // A base that names keys not its own is damaged: nothing is written.
  RequireRestorableBase(g_);
  std::vector<std::string> types;
  for (int i = 1; i <= lvwMain.Count(); ++i)
    if (lvwMain.Selected(i)) types.push_back(msg::EntryName(lvwMain.Text(i)));
  restoring_ = types;
  RestoreResult result = RestoreTypes(reg_, *g_.BaseEntries, *g_.CurrentEntries, types);
  // Explorer is told of whatever was written, even where the other write of
  // the same type was refused.
  if (result.wrote) platform_.AssociationsChanged();
  pendingChoices_ = std::move(result.choices);
  return std::move(result.failed);
}

// A restore the registry refused, in part or whole, is told: the rebuilt list
// still shows those types, but not why.
void FrmMain::ReportNotRestored(const std::vector<RestoreFailure>& failed) {
  if (failed.empty()) return;
  box_.Show({msg::NotRestored(failed, [this](long status) { return platform_.ErrorText(status); }), MbButtons::Ok,
             MbIcon::Exclamation, MbDefault::First, msg::kBoxTitle});
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
  std::vector<std::pair<std::string, std::string>> recorded;
  for (const auto& type : types) {
    const AssocEntry* b = g_.BaseEntries->Lookup(type);
    recorded.emplace_back(type, b ? OpenerOf(*b) : std::string());
  }
  const std::string text =
      msg::ChoicesToConfirm(recorded, status == 0, page.of != DefaultAppsPage::Of::AllApps,
                            status == kErrorCancelled || status == ERROR_ACCESS_DENIED, status,
                            status == 0 ? std::string() : platform_.ErrorText(status));
  box_.Show({text, MbButtons::Ok, status == 0 ? MbIcon::Information : MbIcon::Exclamation, MbDefault::First,
             msg::kBoxTitle});
}

bool FrmMain::TakeBaseTurn(std::optional<BaseTurn>& turn, bool tell) {
  const std::string base = AbsolutePath(g_.BaseFile + g_.BaseExtension);
  const unsigned seconds = kBaseTurnWaitMs / 1000;
  turn.emplace(platform_, base, kBaseTurnWaitMs, [&] {
    ShowText(msg::WaitingForBaseStatus(seconds));
    RepaintNow();
  });
  if (turn->Held() || !tell) return turn->Held();
  platform_.SetMousePointer(MousePointer::Default);
  box_.Show({msg::BaseBusy(base, seconds), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First, msg::kBoxTitle});
  return false;
}

bool FrmMain::BaseChangedMeanwhile() {
  if (BaseFileStamp(g_) == baseStamp_) return false;
  box_.Show({msg::BaseChangedMeanwhile(AbsolutePath(BaseFileRead(g_))), MbButtons::Ok, MbIcon::Information,
             MbDefault::First, msg::kBoxTitle});
  mnuRefresh_Click();
  return true;
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
      if (box_.Show({msg::DamagedBaseQuestion(msg::BaseFileText(e), former, g_.BaseFile + isd), MbButtons::YesNo,
                     MbIcon::Exclamation, MbDefault::Second, msg::kBoxTitle}) != MbAnswer::Yes) {
        platform_.EndProcess();
        return;
      }
      Dispatch(where, [this] {
        std::optional<BaseTurn> turn;
        if (!TakeBaseTurn(turn)) return;
        SetAsideAndRecordNewBase(g_, vsdMain, this);
        flags.NewDBCreated = true;
        mnuRefresh_Click();
      });
      return;
    }
    box_.Show({msg::BaseLeftAsItWas(msg::BaseFileText(e), where), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
               msg::kBoxTitle});
  } catch (const std::exception& e) {
    box_.Show({msg::ErrorStopped(where, msg::ErrorText(e)), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
               msg::kBoxTitle});
  } catch (...) {
    box_.Show({msg::UnknownErrorStopped(where), MbButtons::Ok, MbIcon::Exclamation, MbDefault::First,
               msg::kBoxTitle});
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
  std::string text = msg::kStoppedNothingChecked;
  try {
    std::rethrow_exception(error);
  } catch (const BaseFileError& e) {
    text = e.problem() == BaseFileProblem::Unwritable ? msg::kStoppedBaseUnwritable : msg::kStoppedBaseUnreadable;
  } catch (...) {
  }
  SetStatus(Led::Grey, text);
}

void FrmMain::ShowLed(Led led) { sbrMain.PanelPicture(LedPicture(led)); }

void FrmMain::ShowText(const std::string& text) { sbrMain.PanelText(text); }

void FrmMain::RepaintNow() { backend().RefreshControl(sbrMain); }

void FrmMain::Step(BaseStep step) {
  if (step == BaseStep::Saving) {
    ShowText(msg::kSavingBase);
    RepaintNow();
    return;
  }
  ShowLed(Led::Yellow);
  // During a restore the status bar keeps saying what the restore does.
  if (!flags.RestoreConfirmed) ShowText(msg::kReadingBase);
}

void FrmMain::SetSecondColumn(const std::string& caption, int extraTwips) {
  lvwMain.ColumnWidth(2, TextWidth(caption) + extraTwips);
  lvwMain.ColumnCaption(2, caption);
  backend().RefreshControl(lvwMain);
}

void FrmMain::AddRow(const std::string& text, const std::string& subItem, bool link, bool latent) {
  const std::string name = msg::EntryName(text);
  const int group = link ? 1 : 0;
  std::string signals = latent ? msg::kLatentWord : "";
  if (const AssocEntry* c = assessor_ ? g_.CurrentEntries->Lookup(name) : nullptr; c && !c->Unreadable()) {
    Assessment a = assessor_->Assess(*c);
    const std::string words = a.Words();
    if (!words.empty()) signals.append(signals.empty() ? "" : " ").append(words);
    risks_[FoldCase(name)] = std::move(a);
  }
  lvwMain.Add(text, subItem, group, std::move(signals));
}

// Every column as wide as its caption and, up to a limit, its widest text;
// in a view that lists signals, where a row has any, a third column for them.
// The columns together fit the list's width: where they would pass it, the
// widest is narrowed first (to the next widest, then both, and so on), no
// narrower than its caption. Where even the captions do not fit, the texts
// are kept whole instead, where they fit, and the captions longer than
// their texts are narrowed; else every column, down to a few characters.
// The control ends a text cut short with an ellipsis; the panel and the
// Details window show it whole.
void FrmMain::FitColumns(bool withSignals, bool measureTexts) {
  withSignals = withSignals && std::any_of(lvwMain.Rows().begin(), lvwMain.Rows().end(),
                                           [](const auto& row) { return !row.signals.empty(); });
  if (withSignals && lvwMain.Columns().size() < 3) lvwMain.AddColumn(msg::kSignalsColumn, 0);
  if (!withSignals) lvwMain.KeepColumns(2);
  const int limit = 2 * lvwMain.Width();
  const size_t n = lvwMain.Columns().size();
  std::vector<int> widths(n), captions(n), texts(n);
  for (size_t i = 0; i < n; ++i) {
    int widest = 0;
    for (const auto& row : lvwMain.Rows()) {
      if (!measureTexts) break;
      widest = std::max(widest, TextWidth(i == 0 ? row.text : i == 1 ? row.sub : row.signals));
    }
    const auto& column = lvwMain.Columns()[i];
    captions[i] = TextWidth(column.caption);
    widths[i] = std::max({column.width, captions[i], std::min(limit, widest + 120)});
    // Narrowed to keep its texts whole: a caption longer than them.
    texts[i] = captions[i] > widest + 120 ? widest + 120 : widths[i];
  }
  const std::vector<int> wanted = widths;
  const int room = lvwMain.ColumnRoom();
  // Narrows the widest column above its floor, again and again, until the
  // columns fit or each is at its floor.
  const auto narrow = [&](const std::vector<int>& floors) {
    for (;;) {
      int total = 0;
      for (int w : widths) total += w;
      if (total <= room) return;
      size_t widest = n;
      for (size_t i = 0; i < n; ++i)
        if (widths[i] > floors[i] && (widest == n || widths[i] > widths[widest])) widest = i;
      if (widest == n) return;
      int next = floors[widest];
      for (size_t i = 0; i < n; ++i)
        if (i != widest && widths[i] < widths[widest]) next = std::max(next, widths[i]);
      widths[widest] = std::max(next, widths[widest] - (total - room));
    }
  };
  narrow(captions);
  int total = 0, least = 0;
  for (size_t i = 0; i < n; ++i) total += widths[i], least += texts[i];
  if (total > room && least <= room) {
    widths = wanted;
    narrow(texts);
  }
  const int fewCharacters = TextWidth("Wi...");
  std::vector<int> few(n);
  for (size_t i = 0; i < n; ++i) few[i] = std::min(widths[i], fewCharacters);
  narrow(few);
  for (size_t i = 0; i < n; ++i)
    if (widths[i] != lvwMain.Columns()[i].width) lvwMain.ColumnWidth(static_cast<int>(i + 1), widths[i]);
}

void FrmMain::EnableRestore(bool enabled) {
  cmdRestore.Enabled(enabled);
  lblRestore.Enabled(enabled);
  mnuRestore.Enabled(enabled);
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
