#include "messages/command_line_texts.h"

#include <cstdio>

#include "common/names.h"
#include "common/text.h"
#include "compare/changes.h"
#include "messages/shared_texts.h"

namespace hollin::msg {

const char* const kRestoreValue = "the types or links to restore (\".txt,.pdf\", \"http,mailto\") or \"all\"";
const char* const kRestoreFromValue = "the number of a generation, as --history lists it";
const char* const kExportValue = "the file to write";
const char* const kReportValue = "the file to write the report to";
const char* const kFormatValue = "json, csv or text";
const char* const kBaseValue = "the base file";

std::string OptionWithAnotherAction(const std::string& arg) {
  return "\"" + arg + "\" cannot be combined with another action.";
}
std::string OptionNeeds(const std::string& arg, const char* value) { return "\"" + arg + "\" needs " + value + "."; }
std::string OptionNeedsNotEmpty(const std::string& arg, const char* value) {
  return "\"" + arg + "\" needs " + value + ", not an empty text.";
}
std::string OptionNamesNoType(const std::string& arg) { return "\"" + arg + "\" names no type."; }
std::string OptionTwice(const std::string& arg) { return "\"" + arg + "\" is given twice."; }
std::string AllInAList(const std::string& arg, const std::string& types) {
  return "\"" + arg + " " + types + "\": \"all\" restores every changed type and link, so it stands alone; "
         "a type of that name is written with its dot (\".all\").";
}
std::string OptionNotAGeneration(const std::string& arg, const std::string& given) {
  return "\"" + arg + "\" takes the number of a generation as --history lists it (1, 2 ...), not \"" + given + "\".";
}
std::string OptionNotAFormat(const std::string& arg, const std::string& given) {
  return "\"" + arg + "\" takes json, csv or text, not \"" + given + "\".";
}
std::string NotAnOption(const std::string& arg) {
  const std::string folded = FoldCase(arg);
  if (folded == "--guard" || folded == "/guard")
    return "\"" + arg + "\" comes first, alone or with --logon or --stop: hollin.exe --guard starts the guard, "
           "hollin.exe --guard --stop ends it (hollinc.exe runs no guard).";
  return "\"" + arg + "\" is not an option of " + std::string(kAppTitle) + ".";
}

const char* const kNoAction =
    "Say what to do: --check, --accept, --restore, --restore-from, --history or --export-defaults.";
const char* const kRestoreFromWithRestore =
    "--restore-from restores every type from its generation: it cannot be combined with --restore.";
const char* const kReportWithHelp =
    "--help and --version print to the console and write no report: --report has no place with them.";
const char* const kStrictWithoutCheck = "--strict goes with --check only (not with --health).";
const char* const kHealthWithoutCheck = "--health goes with --check only.";
const char* const kHealthWithBase = "--health checks without a base: --base has no place in it.";
const char* const kXmlBaseOnlyRead =
    "An associations file given with --base is only read: it cannot be accepted or restored to.";
const char* const kXmlBaseNoHistory =
    "An associations file given with --base has no history: name a base file, or none.";
const char* const kXmlBaseNoExport =
    "An associations file given with --base is no base to export: name a base file, or none.";

std::string XmlReaderCrashed(unsigned long exceptionCode) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", exceptionCode);
  return std::string(kAppTitle) + ": the XML reader crashed (exception " + code +
         ") while reading the file. Nothing was written.\n";
}

std::string Usage() {
  std::string t;
  t += std::string(kAppTitle) + " checks which programs open your file types and links.\n\n";
  t += "Usage:\n";
  t += "  hollin.exe                       the window (first run: records the base)\n";
  t += "  hollin.exe -h                    a quiet check: the window only when something changed\n";
  t += "  hollinc.exe --check              check, print what changed\n";
  t += "  hollinc.exe --check --health     list the types whose program shows risk signals\n";
  t += "                                   (missing, in a user folder ...), with or without a base\n";
  t += "  hollinc.exe --check --strict     check; a latent change (in a layer that does not decide now,\n";
  t += "                                   listed as \"latent\") counts as a change for the exit code\n";
  t += "  hollinc.exe --accept             record the current settings as the base\n";
  t += "  hollinc.exe --restore <names>|all  restore the base for these file types and links\n";
  t += "                                   (\".txt,.pdf,http,mailto\") or all\n";
  t += "  hollinc.exe --history            list the earlier bases (generations) that accepts replaced\n";
  t += "  hollinc.exe --restore-from <n>   make generation n the base again and restore all from it\n";
  t += "                                   (1 is the base before the current one, as --history numbers them)\n";
  t += "  hollinc.exe --export-defaults <file.xml>  write the base as a default associations file\n";
  t += "  hollinc.exe --help | --version\n";
  t += "  hollin.exe --guard               the guard: in the background, it checks whenever the registry\n";
  t += "                                   has changed and tells in a notice (--logon: none if one runs)\n";
  t += "  hollin.exe --guard --stop        end the running guard (0: ended or none runs; 5: it did not end)\n";
  t += "hollinc.exe is the console program for scripts: it waits, and its exit code arrives.\n";
  t += "hollin.exe takes the same options. Run either as the user whose settings to check.\n\n";
  t += "Options (also with \"/\" for \"--\"):\n";
  t += "  --report <file>                 write the report to a file (atomically) instead of the console\n";
  t += "  --format json|csv|text          the report's format (text by default)\n";
  t += "  --base <file>                   check against this base file, or a default associations\n";
  t += "                                  file (.xml, only read) instead of Prev.isd\n\n";
  t += "Exit codes:\n";
  t += "  0  no changes (the action was done)\n";
  t += "  1  changes found (listed); with --health: risk signals found; latent changes alone give 0\n";
  t += "     (listed), and 1 with --strict; a type whose key cannot be read (listed as \"unreadable\")\n";
  t += "     gives 1, never 0\n";
  t += "  2  first run: the base was recorded\n";
  t += "  3  the base file (or the generation to restore from) is damaged (named, never overwritten)\n";
  t += "  4  some writes were refused (restore, restore-from), a key that cannot be read was not written,\n";
  t += "     or Ctrl+C stopped a restore between two types (those before it restored whole)\n";
  t += "  5  any other failure (no such generation ...), or an account that is no user's (the message says\n";
  t += "     what and where)\n";
  t += "  64 the command line is wrong: nothing was read or written\n";
  return t;
}

// --- A run's notes and reports ------------------------------------------

std::string RefusedWriteNote(const std::string& line) { return "The registry refused to restore " + line + "."; }

std::string ChoiceNote(const std::string& type, const std::string& pageUri) {
  return type + ": Explorer's choice differs from the base. Windows protects it, so " + std::string(kAppTitle) +
         " does not write it: choose the program in Settings > Apps > Default apps (" + pageUri + ").";
}

namespace {
const char* NoteKindOf(const std::string& name) { return IsLinkName(name) ? "protocol" : "type"; }
}  // namespace

std::string UnknownTypeNote(const std::string& type) {
  return type + ": the base has no record of this " + NoteKindOf(type) + ", and nothing opens it now.";
}

std::string RestoredNote(const std::string& type, bool removedNewType) {
  return type + (removedNewType ? ": removed (the base has no record of this " + std::string(NoteKindOf(type)) + ")."
                                : std::string(": restored."));
}

std::string RestoreStoppedNote(size_t notReached, size_t asked) {
  return "Stopped on request (Ctrl+C): " + std::to_string(notReached) + " of " + std::to_string(asked) +
         " types and links were not restored; those before were restored whole.";
}

std::string LinksNowGuardedNote(int links) {
  return std::string(kLinksNowGuarded) + " The base records " + std::to_string(links) + " link(s) now.";
}

std::string FirstRunNote(int count) {
  return "No base was recorded yet: the current settings of " + std::to_string(count) +
         " file types are the base now.";
}

std::string NewBaseFileNote(const std::string& path) {
  return "The base file \"" + path + "\" did not exist: it was made now, holding these settings. If another file "
         "was meant, remove this one and check again with that name.";
}

std::string AcceptedNote(bool anyChanged) {
  return "The current settings are the base now" + std::string(anyChanged ? "; the types listed were changed." : ".");
}

std::string ExportLeftOutNote(const std::string& type, bool noProgramId) {
  return type + ": left out (" + (noProgramId ? "no program identifier" : "names a file cannot hold") + ").";
}

std::string ExportedNote(size_t types, size_t links, const std::string& path) {
  return std::to_string(types) + " file types and " + std::to_string(links) + " links written to " + path + ".";
}

const char* const kTheBaseFile = "the base file";
const char* const kTheAssociationsFile = "the associations file";
const char* const kExportFile = "export file";
const char* const kReportFile = "report file";
std::string The(const std::string& what) { return "the " + what; }

const char* const kIsAFolder = "is a folder";
const char* const kNamesAStream = "names a stream of a file (a colon in its name)";
const char* const kIsADevice = "is a device, not a file (NUL, CON, COM1 ...)";

std::string WouldReplace(const std::string& what, const std::string& path) {
  return "would replace " + what + " \"" + path + "\"";
}

std::string WouldLandInHistory(const std::string& what, const std::string& folder) {
  return "would land in the history of " + what + " (the folder \"" + folder + "\")";
}

std::string OutputRefused(const std::string& what, const std::string& path, const std::string& why) {
  return std::string(kAppTitle) + ": the " + what + " \"" + path + "\" " + why +
         ". Name another file; nothing was read or written.";
}

std::string ProgramSays(const std::string& text) { return std::string(kAppTitle) + ": " + text; }

std::string ReportNotWritten(const std::string& done, const std::string& why) {
  return std::string(kAppTitle) + ": " + done + ", but the report was not written: " + why;
}

std::string StandardOutputNotWritten(unsigned long error, const std::string& reason) {
  std::string text = "Standard output cannot be written (error " + std::to_string(error) + ")";
  return text + (reason.empty() ? std::string(".") : ": " + reason);
}

const char* const kRecordedAsBase = "The current settings were recorded as the base";
const char* const kAcceptedAsBase = "The current settings were accepted as the base";
const char* const kBaseRestored = "The base was restored";
const char* const kRestoredWhereAllowed = "The restore was done where the registry allowed it";
const char* const kRestoreStopped = "The restore stopped on request";
const char* const kExportWritten = "The associations file was written";

std::string LeftAsItWas(const std::string& error) { return error + " It was left as it was."; }
std::string NothingWritten(const std::string& error) {
  // A problem worded as a phrase ("line 3, column 48: ...") ends its sentence here.
  const bool ended = !error.empty() && (error.back() == '.' || error.back() == '!' || error.back() == '?');
  return error + (ended ? "" : ".") + " Nothing was written.";
}
const char* const kNothingToDo = "nothing to do.";

std::string AssociationsFileMissing(const std::string& path) {
  return "The associations file \"" + path + "\" does not exist.";
}

std::string AssociationsFileTooLarge(const std::string& path, long long mib) {
  return "The associations file \"" + path + "\" is too large to be one (over " + std::to_string(mib) + " MiB).";
}

std::string NoBaseRecorded(const std::string& file) {
  return "no base is recorded in \"" + file + "\" yet: run --check first.";
}

std::string AccountRefusedLine(const AccountCheck& check) {
  return std::string(kAppTitle) + ": nothing was read or written: " + AccountRefusal(check) +
         " Run it as the user signed in: in device management, set the script to run with the logged-on "
         "user's credentials; for a scheduled task, create it with /RU \"BUILTIN\\Users\" (the Users group), "
         "so that it runs as whoever is signed in.\n";
}

const char* const kFactsUnreadable = "the facts of files cannot be read here.";

std::string VersionLine(const std::string& version) {
  return std::string(kAppTitle) + " (" + kProductName + ") " + version;
}

}  // namespace hollin::msg
