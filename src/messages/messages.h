// Every text that the windows, their message boxes and the command line show
// a user, in one place: what to change to reword, shorten or translate what
// Hollin says. Menu texts and shortcuts are the resource script's
// (res/hollin.rc); box titles and the design's fixed wordings (the warning,
// the question on closing) stand here word for word as the design has them.
//
// A module of functions rather than the resource script's string table: the
// portable tests (the headless windows, the command line) run where no
// resource is compiled or loaded, the command line writes UTF-8, and most
// texts take names and numbers, which functions put in place without a
// formatter of their own. The window and the command line share the wording
// of refused writes and the "first ten, then N more" of long lists.
//
// A line break within a window's or a box's text is a carriage return ("\r");
// the command line's texts end their lines with "\n" where they end them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compare/restore.h"
#include "registry/reg_entry.h"

namespace hollin::msg {

// --- Shared by the window and the command line ----------------------------

// The first ten of lines, each after a line break, then "... and N more."
// after one more where there are more: a box taller than the screen hides
// its button.
std::string FirstTenThenMore(const std::vector<std::string>& lines);

// A restore's refused writes, one line per type (both of its writes refused,
// or the one that was, with the layer): ".txt (its open command in the
// machine classes): error 5 (Access is denied.)", the reason where errorText
// knows one; and the advice that fits the errors met, each once, each
// sentence after a blank.
struct RefusedWrites {
  std::vector<std::string> lines;
  std::string advice;
};
RefusedWrites DescribeRefusedWrites(const std::vector<RestoreFailure>& failed,
                                    const std::function<std::string(long)>& errorText);

// The records of the window's and the guard's actions in the event log:
// "the current settings of N file types are the base now."; a restore's
// line for one type ("restored", the write the registry refused, or an
// Explorer's choice left to Settings).
std::string NowTheBase(size_t count);
std::string RestoredTypeRecord(const std::string& type, const RestoreFailure* refused, bool choiceLeft);
extern const char* const kFirstRunInWindow;
extern const char* const kAcceptedInWindow;
extern const char* const kRestoredInWindow;
extern const char* const kFirstRunInGuard;

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

// The status bar's texts.
extern const char* const kReadingCurrent;
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
// Said once, after the status, by the check that first recorded the links
// with a base of an earlier format.
extern const char* const kLinksNowGuarded;
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
// The name of a layer of the classes ("Explorer's choice", "user classes",
// "machine classes", "class root").
const char* LayerName(AssocEntry::Layer layer);
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
  std::string type, change, written;  // change: "changed", "new", "removed", "latent", "" for none
  DetailSide base, current;
  std::string latentLayer, decider;   // the layer that changed without deciding; the one that decides
  std::string layersNow, layersBase;  // DescribeLayers of each side
  std::string choice, ignoredChoice, windowsRuns;
  bool onlySetAside = false;  // changed: only the choice Windows sets aside
  std::vector<std::string> reasons;   // one line a signal, why
  std::string baseFile, baseWritten;
  int generations = 0;                // earlier bases kept
};
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

// Start-up: a second copy asks before it runs.
std::string AlreadyRunning();

// A setting that neither the machine's nor the user's key would take.
std::string RefusedSetting(const std::string& name, long status);

// --- The history of the base, in the window and on the command line -------

// A generation: "1", when it was recorded (local time in the window, UTC on
// the command line), how many types it has; what the next base changed of it
// (the types it lacked that the next had, the types the next changed, and
// those it dropped), as a line: "changed .txt .pdf; new .grab; removed .old".
std::string GenerationChanges(const std::vector<std::string>& changed, const std::vector<std::string>& added,
                              const std::vector<std::string>& removed);
// The base as it was could not be kept in the history (the save was done).
std::string NotKeptInHistory(const std::string& why);
// A generation that cannot be used, as its load said; the restore from it
// that was refused.
std::string GenerationUnusable(int number, const std::string& why);
// A file in the history that looks like a generation but is none Hollin
// kept (it fails to load, out of the run of serials): the command line's
// note, and the history view's row.
std::string ForeignInHistory(const std::string& file, const std::string& why);
std::string ForeignInHistoryText(const std::string& name);
extern const char* const kForeignRow;  // its Generation column
std::string GenerationNotRestored(const std::string& why);
std::string NoSuchGeneration(int number, size_t count);
std::string RestoredFromNote(int number, const std::string& recorded);
// The window's History view.
extern const char* const kGenerationColumn;
extern const char* const kRecordedColumn;
std::string HistoryStatus(size_t count, size_t damaged);
std::string HistoryListText(const std::string& recorded, int types, const std::string& changes);
extern const char* const kGenerationDamaged;
std::string GenerationPanel(int number, const std::string& recorded, const std::string& file, int types,
                            const std::string& changes, const std::string& problem);
std::string RestoreFromQuestion(int number, const std::string& recorded);
// The window's record of it, for the Application log.
std::string GenerationMadeBaseRecord(int number, size_t types, const std::string& recorded);

// --- The command line -----------------------------------------------------

// A restore's notes: each refused write (DescribeRefusedWrites), a type
// whose Explorer's choice differs, one that neither side knows, and each
// type restored or removed.
std::string RefusedWriteNote(const std::string& line);
std::string ChoiceNote(const std::string& type, const std::string& pageUri);
std::string UnknownTypeNote(const std::string& type);
std::string RestoredNote(const std::string& type, bool removedNewType);
std::string FirstRunNote(int count);
std::string AcceptedNote(bool anyChanged);
std::string ExportLeftOutNote(const std::string& type, bool noProgramId);
std::string ExportedNote(size_t types, size_t links, const std::string& path);
std::string LinksNowGuardedNote(int links);
// A restore stopped from the console (Ctrl+C) between two types.
std::string RestoreStoppedNote(size_t notReached, size_t asked);

// What an output must not replace, and the outputs: "the base file", ...
extern const char* const kTheBaseFile;
extern const char* const kTheAssociationsFile;
extern const char* const kExportFile;
extern const char* const kReportFile;
std::string The(const std::string& what);  // "the " + what
// A report or export refused before anything is read or written: why, and
// the whole message.
std::string WouldReplace(const std::string& what, const std::string& path);
std::string WouldLandInHistory(const std::string& what, const std::string& folder);
std::string OutputRefused(const std::string& what, const std::string& path, const std::string& why);

// Standard error: a message as the program says it ("Hollin: ..."); what an
// action that was done did, and its report that was not written.
std::string ProgramSays(const std::string& text);
std::string ReportNotWritten(const std::string& done, const std::string& why);
extern const char* const kRecordedAsBase;
extern const char* const kAcceptedAsBase;
extern const char* const kBaseRestored;
extern const char* const kRestoredWhereAllowed;
extern const char* const kRestoreStopped;
extern const char* const kExportWritten;
// Failures: a damaged base (left as it was), an associations file (nothing
// written), and the rest.
std::string LeftAsItWas(const std::string& error);
std::string NothingWritten(const std::string& error);
extern const char* const kNothingToDo;
std::string AssociationsFileMissing(const std::string& path);
std::string AssociationsFileTooLarge(const std::string& path, long long mib);
std::string NoBaseRecorded(const std::string& file);
std::string VersionLine(const std::string& version);  // "Hollin (Brellmark) 1.0.0"

// --- The guard -------------------------------------------------------------

// The icon's tip: what it guards and its last check ("no changes", "3
// changed"), stopped by a problem, or paused.
std::string GuardTip(size_t types, const std::string& lastCheck);
std::string GuardLastCheck(size_t changed);
std::string GuardTipStopped();
std::string GuardTipPaused();
// The icon's menu, and the notice window's buttons.
std::string GuardMenuOpen();
extern const char* const kGuardMenuCheckNow;
extern const char* const kGuardMenuPause;
extern const char* const kGuardMenuResume;
extern const char* const kGuardMenuExit;
extern const char* const kNoticeReview;
extern const char* const kNoticeKeep;
extern const char* const kNoticeSettings;
extern const char* const kNoticeClose;
// The guard's line for latent changes: "Latent (a layer that does not
// decide now changed): .txt http".
std::string GuardLatent(const std::vector<std::string>& types);
// The record of a Keep.
std::string GuardKept(size_t types);

// The box of an error that nothing else caught; what: its text, if any.
std::string UnexpectedError(const std::string& what);

}  // namespace hollin::msg
