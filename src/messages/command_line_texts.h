// What the command line says: its usage, what is wrong with a command line,
// and the notes and messages of a run on standard output and error.
#pragma once

#include <cstddef>
#include <string>

#include "common/account.h"

namespace hollin::msg {

// The usage text (--help, and with a wrong command line).
std::string Usage();

// What an option's value is, for "needs ...".
extern const char* const kRestoreValue;
extern const char* const kRestoreFromValue;
extern const char* const kExportValue;
extern const char* const kReportValue;
extern const char* const kFormatValue;
extern const char* const kBaseValue;

// What is wrong with an argument (as given).
std::string OptionWithAnotherAction(const std::string& arg);
std::string OptionNeeds(const std::string& arg, const char* value);
std::string OptionNeedsNotEmpty(const std::string& arg, const char* value);
std::string OptionNamesNoType(const std::string& arg);
std::string OptionTwice(const std::string& arg);
// "all" among the names of a list (types: the list as given).
std::string AllInAList(const std::string& arg, const std::string& types);
std::string OptionNotAGeneration(const std::string& arg, const std::string& given);
std::string OptionNotAFormat(const std::string& arg, const std::string& given);
std::string NotAnOption(const std::string& arg);

// What is wrong with the options together.
extern const char* const kNoAction;
extern const char* const kRestoreFromWithRestore;
extern const char* const kReportWithHelp;
extern const char* const kStrictWithoutCheck;
extern const char* const kHealthWithoutCheck;
extern const char* const kHealthWithBase;
extern const char* const kXmlBaseOnlyRead;
extern const char* const kXmlBaseNoHistory;
extern const char* const kXmlBaseNoExport;

// XmlLite crashed on an associations file (the exception's code).
std::string XmlReaderCrashed(unsigned long exceptionCode);

// --- A run's notes and reports ------------------------------------------
// A restore's notes: each refused write (DescribeRefusedWrites), a type
// whose Explorer's choice differs, one that neither side knows, and each
// type restored or removed.
std::string RefusedWriteNote(const std::string& line);
std::string ChoiceNote(const std::string& type, const std::string& pageUri);
std::string UnknownTypeNote(const std::string& type);
std::string RestoredNote(const std::string& type, bool removedNewType);
std::string FirstRunNote(int count);
// The base file named with --base did not exist and was made: its full path.
std::string NewBaseFileNote(const std::string& path);
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
// An output that is no file to write: why.
extern const char* const kIsAFolder;
extern const char* const kNamesAStream;
extern const char* const kIsADevice;
std::string WouldReplace(const std::string& what, const std::string& path);
std::string WouldLandInHistory(const std::string& what, const std::string& folder);
std::string OutputRefused(const std::string& what, const std::string& path, const std::string& why);

// Standard error: a message as the program says it ("Hollin: ..."); what an
// action that was done did, and its report that was not written.
std::string ProgramSays(const std::string& text);
std::string ReportNotWritten(const std::string& done, const std::string& why);
// Why the report on standard output is not whole: the system's error and its text.
std::string StandardOutputNotWritten(unsigned long error, const std::string& reason);
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
// An account whose settings are no one's: nothing was read or written, and
// how a script runs as the user signed in.
std::string AccountRefusedLine(const AccountCheck& check);
// No facts of files where the risk check needs them.
extern const char* const kFactsUnreadable;
std::string VersionLine(const std::string& version);  // "Hollin (Brellmark) 1.0.0"

}  // namespace hollin::msg
