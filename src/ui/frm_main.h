// frmMain: the program's only working window. The list of changed types (or
// of all CURRENT or BASE settings), the view chooser, the Action frame, the
// detail panel, the status bar with its LED, and the check cycle that every
// check runs through (mnuRefresh_Click: scan, base load, changes view).
//
// Event procedures carry the names of the controls and events they handle;
// the backend raises them through the controls (a click on optView(1) runs
// optView_Click(1)). Closing the window ends the program.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <utility>

#include "base/base_store.h"
#include "base/generations.h"
#include "common/base_turn.h"
#include "common/message_box.h"
#include "common/platform.h"
#include "base/associations.h"
#include "compare/check.h"
#include "compare/restore.h"
#include "risk/risk.h"
#include "registry/registry.h"
#include "registry/scan.h"
#include "ui/controls.h"
#include "ui/delta_view.h"
#include "ui/frm_status.h"
#include "ui/frm_about.h"
#include "ui/frm_details.h"
#include "ui/frm_icon.h"
#include "ui/frm_warning.h"

namespace hollin::ui {

class FrmMain : public Form, public IBaseProgress, public IDeltaWindow {
 public:
  FrmMain(Backend& backend, Associations& appState, IRegistry& reg, IPlatform& platform,
          IMessageBox& box, FrmStatus& frmStatus, FrmWarning& frmWarning);
  // Out of line: one definition, not one in every file that ends a main
  // window (the linker's link-time optimisation takes such copies, each with
  // its thunks, for two definitions).
  ~FrmMain() override;

  // Controls, front to back (a control lies over those declared after it).
  ListView lvwMain{*this, "lvwMain"};
  OptionButton optView0{*this, "optView", 0};
  OptionButton optView1{*this, "optView", 1};
  OptionButton optView2{*this, "optView", 2};
  Frame Frame1{*this, "Frame1"};
  CommandButton cmdAccept{*this, "cmdAccept"};
  Label lblAccept{*this, "lblAccept"};
  CommandButton cmdRestore{*this, "cmdRestore"};
  Label lblRestore{*this, "lblRestore"};
  Frame fraAction{*this, "fraAction"};
  Label lblName0{*this, "lblName", 0};
  Label lblName1{*this, "lblName", 1};
  Label lblName2{*this, "lblName", 2};
  Image imgIco{*this, "imgIco"};
  Label lblInfo{*this, "lblInfo"};
  Label lblInfoFrame{*this, "lblInfoFrame"};
  Image imgLED0{*this, "imgLED", 0};
  Image imgLED1{*this, "imgLED", 1};
  Image imgLED2{*this, "imgLED", 2};
  Image imgLED3{*this, "imgLED", 3};
  StatusBar sbrMain{*this, "sbrMain"};
  Timer tmrStatus{*this, "tmrStatus"};

  MenuItem mnuFileExit;
  MenuItem mnuViewChoice0, mnuViewChoice1, mnuViewChoice2;
  MenuItem mnuHealth;
  MenuItem mnuHistory;
  MenuItem mnuAccept, mnuRestore, mnuRefresh;
  // Every fact of the selected type or link, in the Details window.
  MenuItem mnuDetails;
  MenuItem mnuOptWarn;
  // Whether the guard restores the selected types at once when they change
  // (compare/always_restore); checked when every selected type is set so.
  MenuItem mnuOptAlways;
  MenuItem mnuHlpCont, mnuHlpAbout;

  OptionButton& optView(int index);
  MenuItem& mnuViewChoice(int index);

  // The About box and the icon holder, when the program has them.
  FrmAbout* frmAbout = nullptr;
  FrmDetails* frmDetails = nullptr;
  FrmIcon* frmIcon = nullptr;
  // The facts of files for the risk signals, when the program has them:
  // without, the list and the panel show none and the health check says so.
  IFileFacts* fileFacts = nullptr;

  // Window state.
  // The view the list shows: the index of its option button, or kNoView
  // before the first and while a check rebuilds it.
  enum View : std::int16_t {
    kNoView = -1, kChangesView = 0, kCurrentView = 1, kBaseView = 2, kHealthView = 4, kHistoryView = 5
  };
  std::int16_t ShownView = kNoView;
  DeltaFlags flags;  // the one-shot reports, changes pending, a quiet start
  BaseStore vsdMain;
  // Type-ahead: the text searched for last, and when its last key came (in
  // seconds of Clock; long ago at first).
  std::string SearchText;
  double LastKeyTime = -1e18;
  // The present date and time in seconds; a test may set its own.
  std::function<double()> Clock;

  // What a user did in the window, for the Application log (the program
  // writes it with the IDs of a run for scripts, records/event_log.h), with a
  // text that says what was done; none: nothing is logged.
  enum class Action { Restored, RestoreRefused, Accepted, FirstRun };
  std::function<void(Action, const std::string&)> onAction;

  // Event procedures.
  void Form_Load();
  void Form_Paint();
  void Form_KeyPress(int& KeyAscii);
  void Form_QueryUnload(int& Cancel, int UnloadMode);
  void Form_Unload(int& Cancel);
  void mnuFileExit_Click();
  void mnuRefresh_Click();
  void optView_Click(int Index);
  void mnuViewChoice_Click(int Index);
  // The health check: every type whose program shows a risk signal that
  // counts (risk/risk.h), base or not, in the list (view 4).
  void mnuHealth_Click();
  // The history: the earlier bases (base/generations.h), newest first, with
  // what the base after each changed of it (view 5). Restore makes the one
  // selected the base again and restores every type from it.
  void mnuHistory_Click();
  void EnterListView(MenuItem& item, int view);
  void lvwMain_ColumnClick(int column);
  void lvwMain_ItemClick(int row);
  // The panel (and Restore) for a row clicked in each view.
  void ChangesRowClick(int row, const std::string& ext);
  void CurrentRowClick(int row, const std::string& ext);
  void BaseRowClick(int row, const std::string& ext);
  void HealthRowClick(int row, const std::string& ext);
  void HistoryRowClick(int row, const std::string& ext);
  void lvwMain_KeyPress(int& KeyAscii);
  void cmdAccept_Click();
  void mnuAccept_Click();
  void cmdRestore_Click();
  void mnuRestore_Click();
  // The Details window of the selected row (also a double click, Enter).
  void mnuDetails_Click();
  void ShowDetails(const std::string& ext);
  // The facts the Details window shows of a listed type or link.
  msg::DetailFacts DetailsOf(const std::string& ext);
  void mnuOptWarn_Click();
  void mnuOptAlways_Click();
  void mnuHlpCont_Click();
  void mnuHlpAbout_Click();
  // Opens the help file at a topic (0: its contents) in the system's help
  // viewer; where none can be started, the same help as a web page.
  void ShowHelp(int topic);
  void tmrStatus_Timer();

  // The check's steps: the check itself, and the changes view of it.
  void Check();
  void ShowDelta();
  // The changes of the last check, while it is the base and the scan it
  // compared that the window holds; else those of the two it holds.
  const std::vector<ChangedItem>& Changes();
  void ShowAllCurrent();
  void ShowAllPrevious();
  // Writes the BASE settings of the selected rows into the registry (see
  // compare/restore.h); returns the writes the registry refused.
  std::vector<RestoreFailure> RestoreBaseToReg();

  // An error that escaped an event procedure: a damaged base file is offered
  // to be set aside and recorded anew (No ends the program, touching
  // nothing); any other error is shown, and the program goes on.
  void ShowEventError(const std::string& where, std::exception_ptr error);

  // The status bar's first panel.
  void ShowLed(Led led);
  void ShowText(const std::string& text);
  void RepaintNow();

  // IBaseProgress: the base store's steps, on the status bar.
  void Step(BaseStep step) override;

  // IDeltaWindow.
  void SetSecondColumn(const std::string& caption, int extraTwips) override;
  void AddRow(const std::string& text, const std::string& subItem, bool link, bool latent = false) override;
  int RowCount() const override { return lvwMain.Count(); }
  void EnableAccept(bool enabled) override;
  // cmdRestore, lblRestore and mnuRestore together.
  void EnableRestore(bool enabled);
  void ShowMainWindow(bool beep) override;
  void QuietStartNoChanges() override;
  void SetInfo(const std::string& text) override { lblInfo.Caption(text); }
  void SetStatus(Led led, const std::string& text) override;

 private:
  void Design();
  void ReportSkipped();
  // A view other than the history's takes the list: the type column again.
  void LeaveHistory();
  void RestoreSelected();
  void KeepPlace(int firstSelected);
  void RestoreFromGeneration();
  const Generation* SelectedGeneration() const;
  void TellNotKept(const std::string& why);
  // The history view's generations, newest first.
  std::vector<Generation> generations_;
  void ReportNotRestored(const std::vector<RestoreFailure>& failed);
  void ShowAll(const AssocEntries& entries, const char* caption, int extraTwips,
               std::string (*statusText)(int count));
  void SaveOnClose();
  // The base's turn for what the window reads and writes (common/base_turn.h):
  // taken, the status saying meanwhile why the window waits; false, told in
  // a box unless tell is false, where another copy held it past the wait.
  bool TakeBaseTurn(std::optional<BaseTurn>& turn, bool tell = true);
  // Whether another copy wrote the base since the window's last check read
  // it (baseStamp_): then told, and the window checks again.
  bool BaseChangedMeanwhile();
  std::string baseStamp_;
  void LogAction(Action action, const std::string& text) {
    if (onAction) onAction(action, text);
  }
  // The types the last restore was asked for.
  std::vector<std::string> restoring_;

  Associations& g_;
  IRegistry& reg_;
  IPlatform& platform_;
  IMessageBox& box_;
  FrmStatus& frmStatus_;
  FrmWarning& frmWarning_;
  CheckResult checked_;  // the last check
  // A quiet check found no changes: the timer that ends it starts once the
  // check is complete.
  bool quietEndPending_ = false;
  // The status bar as the last view that was shown left it.
  std::optional<std::pair<Picture, std::string>> settled_;
  void ShowSettledStatus(std::exception_ptr error);
  // Types whose Explorer's choice the last restore could not write.
  std::vector<std::string> pendingChoices_;
  void ConfirmChoices();
  std::string WhatWindowsRuns(const std::string& ext);
  // The risk signals of the current program of each type listed in the
  // changes or health view, by folded type; the assessor of the view being
  // built.
  std::map<std::string, Assessment> risks_;
  std::optional<Assessor> assessor_;
  std::string RiskText(const std::string& ext) const;
  static std::string Lines(std::initializer_list<std::string> parts);
  void ShowPanel(const std::string& text, const std::string& facts);
  // measureTexts false: the rows are not measured (a view of every type,
  // whose texts the control ends with an ellipsis where they are long).
  void FitColumns(bool withSignals, bool measureTexts = true);
  std::string detailsOf_;  // the type or link clicked last
};

}  // namespace hollin::ui
