// Risk signals of the program that now opens a type: facts about it that a
// user deciding between Restore and Accept, or an administrator reading a
// fleet's reports, wants to know. Each is a fact Hollin can back, never a
// verdict: an unsigned program is not therefore malicious, a signed one not
// therefore wanted.
//
// The facts of files (whether one exists, its signature, its version
// resource) come through IFileFacts: on Windows its binding in
// win32_file_facts (WinVerifyTrust, GetFileVersionInfoW), in tests a
// stand-in. They are asked only for the types a check found changed (and
// for every type in a health check), so a check without changes costs
// nothing more.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "risk/command_target.h"
#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

// What the system knows of one file.
class IFileFacts {
 public:
  virtual ~IFileFacts() = default;
  virtual bool Exists(const std::string& path) = 0;
  enum class Trust { Signed, Unsigned, BadSignature, Unknown, NotVerifiable };
  // Whether the file's signature verifies (WinVerifyTrust, no user
  // interface, nothing fetched from the network, no revocation check), and
  // the signer's name where it does. NotVerifiable: signed, but its chain
  // cannot be completed on this machine without the network.
  virtual Trust Signature(const std::string& path, std::string& signer) = 0;
  // The company and product names of the file's version resource ("" for
  // none).
  virtual void Version(const std::string& path, std::string& company, std::string& product) = 0;
  // An environment variable's value.
  virtual std::optional<std::string> Variable(std::string_view name) = 0;
  // The folders a program's name without a folder is looked for in.
  virtual std::vector<std::string> SearchFolders() = 0;
  // Whether the user, by the rights of a process of theirs that is not
  // elevated, may change what runs at path: write, delete, or change the
  // permissions or owner of the file, or add a file to or delete a file in
  // its folder (AccessCheck with the user's token). where: the folder (or
  // the file) the user may change. Unknown where the rights cannot be read
  // (a folder that cannot be read is not therefore writable).
  enum class Writable { No, Yes, Unknown };
  virtual Writable UserWritable(const std::string& path, std::string& where) = 0;
};

enum class Signal {
  Missing,          // the file that runs does not exist
  Unsigned,         // it carries no signature
  BadSignature,     // its signature does not verify
  UserFolder,       // the user may change it or its folder (by the user's rights)
  Unquoted,         // an unquoted path with blanks: another file could take it over
  ScriptHost,       // it runs through a script host (cmd, PowerShell, mshta, wscript, cscript)
  RunsCode,         // the type is one whose opening runs code (.exe, .bat, .lnk, .ps1 ...)
  CommandChanged,   // a class whose standard command is known (exefile "%1" %*) no longer has it
  NotVerifiable,    // signed, but its chain cannot be completed here without the network
  NoProgram,        // the command is not empty but names no program ("", " "): nothing runs
};

// The short word of a signal in the list and the reports ("missing",
// "unsigned", "bad-signature", "user-folder", "unquoted", "script-host",
// "runs-code", "command-changed", "not-verifiable", "no-program").
const char* SignalWord(Signal signal);

// Whether a health check counts the signal: a handler that is merely
// unsigned is common, a type's running code is no fault of its handler, and
// a signature this machine cannot verify offline is no fault at all, so
// those three are told but not counted.
bool CountsForHealth(Signal signal);

struct Assessment {
  CommandTarget target;
  // What opens the type when it is no command: a verb's COM handler
  // (DelegateExecute, its CLSID) or a packaged app (its name).
  std::string delegateExecute, packagedApp;
  std::vector<Signal> signals;
  std::string signer, company, product;
  std::string folder;  // the folder (or file) the user may change (UserFolder)

  bool Has(Signal s) const;
  // The signals' words, separated by blanks ("unsigned user-folder").
  // The panel's lines are msg::RiskPanel's.
  std::string Words() const;
};

// The standard command of a class whose command is known ("exefile" ->
// "\"%1\" %*"); nullptr for any other.
const char* StandardCommandOf(std::string_view progId);

// Assesses what opens entry's type now. reg is read for a verb's
// DelegateExecute where the entry names no command. Facts of one file, a
// command's resolution and a handler's server are asked once per Assessor
// (one check).
class Assessor {
 public:
  Assessor(IRegistry& reg, IFileFacts& facts);
  Assessment Assess(const AssocEntry& entry);

 private:
  struct FileFacts {
    bool exists = false;
    IFileFacts::Trust trust = IFileFacts::Trust::Unknown;
    std::string signer, company, product;
  };
  const FileFacts& Facts(const std::string& path);
  // A command resolved, and a handler's server read, once per Assessor:
  // thousands of types share a few programs.
  const CommandTarget& Target(const std::string& command);
  const std::string& Server(const std::string& clsid);
  IRegistry& reg_;
  IFileFacts& facts_;
  ResolveContext context_;
  std::map<std::string, FileFacts> cache_;
  std::map<std::string, CommandTarget> targets_;
  std::map<std::string, std::string> servers_;
  struct Writability {
    IFileFacts::Writable writable = IFileFacts::Writable::Unknown;
    std::string where;
  };
  std::map<std::string, Writability> writable_;
};

}  // namespace hollin
