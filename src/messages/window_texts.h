// What the windows and their message boxes say.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/account.h"
#include "compare/restore.h"
#include "registry/reg_entry.h"
#include "registry/settings.h"
#include "risk/risk.h"

namespace hollin::msg {

// --- The main window ------------------------------------------------------

std::string MainTitle();  // "Hollin Brellmark"
// The view chooser, its frame and the Action frame with its two buttons and
// their notes.
std::string ViewCaption(int view);
extern const char* const kViewFrame;
extern const char* const kActionFrame;
extern const char* const kAcceptButton;
extern const char* const kRestoreButton;
extern const char* const kAcceptNote;
extern const char* const kRestoreNote;
// The list's columns: the type, and what the second shows in each view.
extern const char* const kTypeColumn;
// The list's groups: file types, then links (URL protocols).
extern const char* const kTypesGroup;
extern const char* const kLinksGroup;
// An entry's name as the list shows it: a protocol with the colon that
// begins its links ("http:"), a type as it is; and back.
std::string ListName(const std::string& name);
std::string EntryName(std::string_view listed);
extern const char* const kChangedColumn;
extern const char* const kCurrentColumn;
extern const char* const kBaseColumn;

// The health check's view: its column, and its status before and after.
extern const char* const kHealthColumn;
extern const char* const kHealthUnavailable;
extern const char* const kHealthChecking;
std::string HealthStatus(int count);
// Options > Always Restore with nothing selected.
extern const char* const kAlwaysRestoreSelectFirst;
// Options > Always Restore where the value holds no names (a number, bytes):
// its key's full path and the value's name; it is left as it is.
std::string AlwaysRestoreOfAnotherType(const std::string& key, const std::string& value);

// The status bar's texts.
extern const char* const kReadingCurrent;
// While another copy holds the base's turn (common/base_turn.h).
std::string WaitingForBaseStatus(unsigned seconds);
extern const char* const kReadingBase;
extern const char* const kSavingBase;
extern const char* const kRestoring;
extern const char* const kNewBaseRecorded;
// The changes view's outcome: "OK! ", "Base settings restored. " or
// "Updated BASE created. " before "No changed entries found.", and
// "[Base settings restored. ]N CHANGED item(s) - ...".
extern const char* const kNoChangesPrefix;
extern const char* const kRestoredPrefix;
extern const char* const kAcceptedPrefix;
extern const char* const kNotAllRestoredPrefix;
extern const char* const kNoChanges;
std::string ChangedItems(int count);
// The views of all settings: "N CURRENT entries - ..." and "N BASE entries - ...".
std::string AllCurrentEntries(int count);
std::string AllBaseEntries(int count);
// After an error, where no view was shown yet.
extern const char* const kStoppedNothingChecked;
extern const char* const kStoppedBaseUnwritable;
extern const char* const kStoppedBaseUnreadable;

// The list's text for a type that the base had and CURRENT lacks.
extern const char* const kNoProgram;

// The detail panel: the welcome after a first run; one type's settings in a
// view of all of them; a changed type's commands now and before; what opens
// a type and the layers behind it; an Explorer's choice that Windows does not
// use; and what Windows itself says it runs.
// The panel's own texts come first and whole; the facts found beside them
// follow after an empty line, as many lines as the panel has room for
// (PanelWithFacts).
std::string WelcomeText();
std::string EntryPanel(bool current, const AssocEntry& entry);
std::string ChangePanel(const std::string& ext, const AssocEntry* now, const AssocEntry* before);
// The facts after a type's record: what opens it with its layers, its verb.
std::string EntryFacts(const AssocEntry& entry);
// The facts after a change: latent, the layer that changed without deciding
// (Classes: none); risks, the lines of the current program's risk signals;
// what opens it now and before with the layers; the verb; written, when the
// key that changed was last written ("" where unknown).
std::string ChangeFacts(const AssocEntry* now, const AssocEntry* before, const std::string& written,
                        const std::string& risks, AssocEntry::Layer latent = AssocEntry::Layer::Classes);
// The panel's text and facts joined: an empty line between; facts "" adds nothing.
std::string PanelWithFacts(const std::string& text, const std::string& facts);
// A latent change, in the signals column and after the status: "latent",
// "2 latent change(s) - ...".
extern const char* const kLatentWord;
std::string LatentListed(int count);
// The Details window of one entry: every fact known of it, in the order of
// the JSON report's change (type, change, when its key was written, the
// base's side, the current side with what runs and its signals, the kind),
// in words, then the layers, Explorer's choice, the signals' reasons and the
// base compared with.
struct DetailSide {
  bool present = false;
  std::string progId, command, program, verb, handler;
  std::string runs, signer, company, product;
  std::vector<std::string> signals;  // their words
  std::string notHonoured;  // the Explorer's choice Windows does not honour
};
struct DetailFacts {
  std::string type, change, written;  // change: "changed", "new", "removed", "latent", "unreadable", "" for none
  std::string unreadableKey;          // unreadable: the key that cannot be read
  DetailSide base, current;
  std::string latentLayer, decider;   // the layer that changed without deciding; the one that decides
  std::string layersNow, layersBase;  // DescribeLayers of each side
  std::string choice, ignoredChoice, windowsRuns;
  bool onlySetAside = false;  // changed: only the choice Windows sets aside
  std::vector<std::string> reasons;   // one line a signal, why
  std::string baseFile, baseWritten;
  int generations = 0;                // earlier bases kept
};
// The panel's lines of a type's current program: what runs, who made and
// signed it, and its signals, each with why ("SIGNALS: unsigned; in a user
// folder (C:\Tools)"); and the why of one signal.
std::string RiskPanel(const Assessment& assessment);
std::string SignalReason(Signal signal, const Assessment& assessment);
extern const char* const kDetailsCaption;
extern const char* const kDetailsClose;
std::string DetailsTitle(const std::string& type);
std::string DetailsText(const DetailFacts& facts);
// The list's column of risk signals (and of latent changes).
extern const char* const kSignalsColumn;
std::string DescribeOpener(const AssocEntry& entry);
std::string DescribeLayers(const AssocEntry* now, const AssocEntry* before);
// The default verb, where a side runs another verb than "open" or a
// handler: "print" or "open, handler {...}", "before -> now" where the two
// differ; "" where neither does (or neither recorded it).
std::string DescribeVerb(const AssocEntry* now, const AssocEntry* before);
// The Explorer's choice that Windows does not honour now, and, given the
// base's record, the one the base recorded where that differs.
std::string IgnoredChoiceLine(const AssocEntry* entry, const AssocEntry* base = nullptr);
std::string WindowsRunsLine(const std::string& progId, const std::string& command);

// Message boxes of the main window. Every box is titled kBoxTitle.
extern const char* const kBoxTitle;  // the product's name
std::string CloseQuestion();
std::string RestoreWarning();
std::string SkippedKeys(const std::vector<std::string>& lines, size_t count);
std::string SkippedKeyLine(const std::string& name, long status);  // name "" where it could not be read
std::string NotRestored(const std::vector<RestoreFailure>& failed,
                        const std::function<std::string(long)>& errorText);
// Explorer's choice, which a restore never writes: the types with the
// program the base recorded for each ("" for none), and what happened to
// Windows' Default apps page (opened at the program or at all apps; not
// opened, status and the system's reason).
std::string ChoicesToConfirm(const std::vector<std::pair<std::string, std::string>>& typesAndPrograms,
                             bool pageOpened, bool pageOfProgram, bool cancelledOrRefused, long status,
                             const std::string& reason);
std::string BaseNotChangedOnClose(const std::string& error);
std::string DamagedBaseQuestion(const std::string& error, bool formerBase, const std::string& newBaseFile);
std::string BaseLeftAsItWas(const std::string& error, const std::string& where);
std::string ErrorStopped(const std::string& where, const std::string& error);
std::string UnknownErrorStopped(const std::string& where);
std::string HelpFileMissing(const std::string& file);
std::string HelpCannotBeShown(const std::vector<std::string>& failures);
std::string HelpViewersFailed(const std::string& hlp);
std::string HtmlHelpFailed(const std::string& chm);
std::string NoProgramOpens(const std::string& htm);

// The warning before a restore.
extern const char* const kWarningTitle;
extern const char* const kWarningHeading;
extern const char* const kWarningOK;
extern const char* const kWarningCancel;
extern const char* const kWarningDontShow;
extern const char* const kWarningClickOK;

// The quiet check's status window.
extern const char* const kStatusDesignCaption;
extern const char* const kStatusDesignText;
extern const char* const kStatusChecking;
extern const char* const kStatusNoChanges;

// The About box.
extern const char* const kAboutDesignCaption;
std::string AboutTitle(const std::string& title);
std::string AboutVersion(int major, int minor, int revision);
std::string AboutDescription(const std::string& product);
std::string AboutBaseFile(const std::string& file);  // "" for none
extern const char* const kAboutDisclaimer;
extern const char* const kAboutMailTip;
extern const char* const kAboutWebTip;
extern const char* const kAboutOK;
extern const char* const kAboutSysInfo;
extern const char* const kSysInfoUnavailable;
std::string LinkProgramFailed(const std::string& link, const std::string& command);

// Start-up: an account whose settings are no one's (nothing is read), and
// another account than the one signed in (said, then the window opens).
std::string AccountRefusedBox(const AccountCheck& check);
std::string OtherAccountBox(const AccountCheck& check);
// Start-up: a second copy asks before it runs.
std::string AlreadyRunning();

// A setting that neither the machine's nor the user's key would take.
std::string RefusedSetting(const std::string& name, long status);
// A setting that could not be read, in a box of its own title: the key that
// would not open or the value that would not be read, with the registry's
// status; an unforeseen error, as it said itself.
extern const char* const kRegistryBoxTitle;
std::string SettingNotRead(const SettingFailure& failure);

// The box of an error that nothing else caught; what: its text, if any.
std::string UnexpectedError(const std::string& what);

}  // namespace hollin::msg
