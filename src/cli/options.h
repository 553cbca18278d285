// The command line of a run for scripts: what it asks for, parsed before
// anything is read or written.
//
//   hollin.exe --check [--health] | --accept | --restore <types>|all | --restore-from <n> | --history
//              | --export-defaults <file.xml>
//              [--report <file>] [--format json|csv|text] [--base <file>]
//   hollin.exe --help | --version
//
// Each option may also be written with "/" for "--" ("/check"), and without
// regard to letter case. A command line with none of them (the window,
// "-h" for a quiet check) is no run for scripts: IsCommandLineRun is false.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/report_format.h"

namespace hollin::cli {

// The exit codes of a run for scripts (documented in the README and --help).
enum ExitCode : int {
  kNoChanges = 0,      // nothing changed (or the action asked for was done)
  kChangesFound = 1,   // changes found, listed in the report
  kFirstRun = 2,       // no base yet: the base was recorded
  kBaseDamaged = 3,    // the base file is damaged (named, never overwritten)
  kWritesRefused = 4,  // some writes of a restore were refused
  kFailure = 5,        // any other failure; the message says what and where
  kUsage = 64,         // the command line is wrong: nothing was read or written
};

enum class Action { None, Check, Accept, Restore, History, ExportDefaults, Help, Version };

struct Options {
  Action action = Action::None;
  // --restore: the names as given, or empty for all. A name without a
  // leading dot is a protocol where one of that name is known, else a type
  // ("txt" is ".txt").
  std::vector<std::string> restoreTypes;
  bool restoreAll = false;
  int restoreFrom = 0;    // --restore-from: the generation (1: the base before the current one); 0: none
  bool health = false;  // --check --health: the risk signals of every type, without a base
  // --strict: a latent change (in a layer that does not decide now) counts
  // as a change for the exit code; without, it is listed and counts not.
  bool strict = false;
  std::string exportPath;  // --export-defaults
  std::string reportPath;  // --report: "" for standard output
  Format format = Format::Text;
  bool formatGiven = false;
  std::string basePath;  // --base: "" for the program's own base
  std::string error;     // what is wrong with the command line, "" when nothing
};

// Splits a command line's arguments (after the program's own path) as the
// platform's start-up code does: blanks separate, quotes group, a backslash
// before a quote keeps the quote.
std::vector<std::string> SplitArguments(std::string_view arguments);

// Whether the arguments ask for a run for scripts: any argument that starts
// with "--", or with "/" followed by one of the options' names.
bool IsCommandLineRun(const std::vector<std::string>& args);

// Parses the arguments of a run for scripts; Options::error says what is
// wrong (an unknown option, a value missing, two actions, an option that
// needs another).
Options ParseOptions(const std::vector<std::string>& args);

// Whether a base path names a default associations file (".xml").
bool IsXmlFile(const std::string& path);

// The usage text (--help, and with a wrong command line).
std::string UsageText();

}  // namespace hollin::cli
