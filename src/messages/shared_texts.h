// What the window and the command line both say: the wording of refused
// writes and the "first ten, then N more" of long lists, the records of
// actions in the event log, and the history of the base.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "common/account.h"
#include "common/atomic_file.h"
#include "compare/restore.h"
#include "registry/reg_entry.h"

namespace hollin::msg {

// --- Shared by the window and the command line ----------------------------

// The first ten of lines, each after a line break, then "... and N more."
// after one more where there are more: a box taller than the screen hides
// its button.
std::string FirstTenThenMore(const std::vector<std::string>& lines);

// A name or value from the registry as a window shows it inside its own
// text: each control character as its picture (a carriage return as U+240D,
// DEL as U+2421), so that it cannot begin a line of its own; and where
// longest is given, cut short with "..." after that many characters.
std::string InTextLine(const std::string& text, size_t longest = 0);

// A restore's refused writes, one line per type (both of its writes refused,
// or the one that was, with the layer): ".txt (its open command in the
// machine classes): error 5 (Access is denied.)", the reason where errorText
// knows one; and the advice that fits the errors met, each once, each
// sentence after a blank.
// "its program identifier", "its open command", ... : the value a restore
// wrote or meant to.
const char* WhatText(RestoreFailure::What what);
// The name of a layer of the classes ("Explorer's choice", "user classes",
// "machine classes", "class root").
const char* LayerName(AssocEntry::Layer layer);

// A key that is there but cannot be read with the user's rights
// (AssocEntry::Unreadable): its full path (HKEY_CURRENT_USER, Software,
// Classes, .txt; path, where given, is the key's under the layer in place of
// the type's own, as AssocEntry::UnreadablePath); the words a list shows for
// what opens it; the note a check, an accept and the guard's record give for
// it (accepted: the base kept its record as it was).
std::string UnreadableKey(const std::string& ext, AssocEntry::Layer at, const std::string& path = std::string());
extern const char* const kCannotBeRead;
std::string UnreadableRow();  // "(cannot be read)"
std::string UnreadableNote(const std::string& ext, AssocEntry::Layer at, const std::string& path,
                           bool accepted = false);

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
// A record of the window's, with the line that names the user it acted for.
std::string RecordOfUser(const std::string& record, const std::string& user);

// Said once by the check that first recorded the links with a base of an
// earlier format: after the window's status, and in the command line's note.
extern const char* const kLinksNowGuarded;

// Another copy of the program (the window, the guard, a script) holds the
// base's turn (common/base_turn.h): what a writer says while it waits, and
// when it gave up after seconds, nothing done; the base's full path.
std::string WaitingForBase(const std::string& path, unsigned seconds);
std::string BaseBusy(const std::string& path, unsigned seconds);
// The window's base was written by another copy since the window read it:
// nothing was done, the list is read again.
std::string BaseChangedMeanwhile(const std::string& path);

// A file that could not be read or written: "The file "C:\x" cannot be
// read (error 5): Access is denied."
std::string FileErrorText(const FileError& e);
// An error as the user reads it: the base file's and the XML refusals
// (CoreErrorText), a file's (FileErrorText), the collection
// of entries' (a key it lacks or holds already, a position outside it), else
// the text the exception carries (an error nothing foresaw, such as running
// out of memory).
std::string ErrorText(const std::exception& e);

// The account a run reads the settings of: why a service account's or an
// unloaded profile's settings are no one's ("it runs as ..."), and whose
// settings another account than the one signed in checks.
std::string AccountRefusal(const AccountCheck& check);
std::string OtherAccount(const AccountCheck& check);

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
// The history's folder is a file: no generation is kept or listed.
std::string HistoryIsAFile(const std::string& path);
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

}  // namespace hollin::msg
