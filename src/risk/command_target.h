// What an open command really runs: the executable that CreateProcess
// starts for it and, behind one of the well-known hosts, what that host is
// told to run. Portable: the file system and the environment are asked
// through ResolveContext, so the rules are the same natively and on Windows.
//
// The executable is found as CreateProcess finds the module of a command
// line without an application name:
// - a quoted first token is the name, up to the closing quote;
// - an unquoted one is ambiguous where it holds blanks: each prefix that
//   ends at a blank is tried in turn ("C:\Program Files\Grab\grab.exe %1"
//   tries "C:\Program.exe" first), and the first that exists runs; no
//   prefix longer than a path may be (MAX_PATH) is tried, which bounds the
//   file-system probes of a command however long;
// - ".exe" is added to a name whose last part has no extension;
// - a name without a folder is looked for as the shell looks for the
//   program of a command it starts: first under App Paths (the user's key
//   before the machine's, the name with its extension: "wordpad.exe"),
//   then in the search folders, those of CreateProcess for a program
//   Explorer starts (Explorer's own folder, the Windows folder; its
//   current folder and the system folder; the Windows folder; PATH). A
//   host's own search (cmd's, for the command after /c) skips App Paths.
// Environment references (%SystemRoot%) are expanded first, as the shell
// expands a REG_EXPAND_SZ command; a reference to no variable stays as it
// is, as ExpandEnvironmentStrings leaves it.
//
// Hosts looked through: rundll32 (its DLL), cmd /c and /k (the command
// after it, itself resolved, "start" and its title skipped), powershell
// and pwsh (-File, or an inline -Command), mshta (a file or an address),
// wscript and cscript (the script after their own // options). A payload
// of "%1" (or %L, %V) is the document opened itself, as for a script type
// opened by its own host.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollin {

struct ResolveContext {
  // Whether a file exists at a full path.
  std::function<bool(const std::string&)> exists;
  // The value of an environment variable (names without regard to case);
  // nullopt where none is set.
  std::function<std::optional<std::string>(std::string_view)> variable;
  // The folders a name without a folder is looked for in, in order.
  std::vector<std::string> searchFolders;
  // The program App Paths registers for a file name ("wordpad.exe"): the
  // default value of the user's key, else of the machine's, as written
  // (quotes and references included); nullopt where neither has one. None:
  // App Paths is not asked.
  std::function<std::optional<std::string>(const std::string&)> appPath;
};

enum class CommandHost { None, Rundll32, Cmd, PowerShell, Mshta, WScript, CScript };

// The host's name as the reports show it ("" for none).
const char* HostName(CommandHost host);

struct CommandTarget {
  // The program that runs: a file (Program), the document itself ("%1" %*:
  // an executable type), nothing (a command that is empty or only quotes
  // and blanks: "", " ").
  enum class Kind { Nothing, Program, Document };
  Kind kind = Kind::Nothing;
  // The executable as CreateProcess would start it: its full path where it
  // was found, else the most likely name (the first candidate with an
  // extension of its own).
  std::string program;
  bool found = false;
  // How a name without a folder was found: under App Paths, or in the
  // search folders; AsWritten for a path (or a name found nowhere).
  enum class Source { AsWritten, AppPaths, SearchFolders };
  Source source = Source::AsWritten;
  // For an unquoted program path with blanks: the first name CreateProcess
  // tries before the program meant ("C:\Program.exe"), which another file
  // could take; "" where there is none. Where such a file exists already,
  // it is the program, takenOver is set and meant names the one the command
  // meant.
  std::string takeover;
  bool takenOver = false;
  std::string meant;
  CommandHost host = CommandHost::None;
  // What the host runs: a DLL, a script, a file or an address, or inline
  // PowerShell; "" for none.
  std::string payload;
  enum class Payload { None, File, Document, Address, Inline };
  Payload payloadKind = Payload::None;
  bool payloadFound = false;

  // The file whose facts tell most about what runs: the host's payload
  // file, else the program; "" where neither is a file.
  const std::string& DecidingFile() const;
  bool DecidingFileFound() const;
};

// text with each %NAME% the context knows replaced by its value.
std::string ExpandReferences(std::string_view text, const ResolveContext& ctx);

// The command resolved: see the head of this file.
CommandTarget ResolveCommand(std::string_view command, const ResolveContext& ctx);

}  // namespace hollin
