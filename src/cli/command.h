// A run for scripts: the check the window runs, without a window, ending in
// an exit code (options.h) and a report. Nothing in it waits for input.
#pragma once

#include <atomic>
#include <string>

#include "records/event_log.h"
#include "cli/options.h"
#include "common/account.h"
#include "common/platform.h"
#include "risk/risk.h"
#include "registry/registry.h"

namespace hollin::cli {

// Where a run writes: standard output (the report, unless --report names a
// file) and standard error (what went wrong). UTF-8.
class IConsole {
 public:
  virtual ~IConsole() = default;
  // Returns "" once all of text is written (or where there is no standard
  // output at all), else why it was not.
  virtual std::string Out(const std::string& text) = 0;
  virtual void Err(const std::string& text) = 0;
};

// A request to stop from the console (Ctrl+C, Ctrl+Break, its window
// closed). A restore honours it between two types: the type it is writing
// is finished, the others are left as they are, and the run reports what
// was done and ends with exit code 4. Other runs are ended by the console
// as any program is (nothing they write is left half done).
struct StopRequest {
  std::atomic<bool> requested{false};
  std::atomic<bool> honoured{false};  // a restore is under way: the request goes to it
};

struct RunEnvironment {
  IRegistry& reg;
  IPlatform& platform;
  IConsole& console;
  std::string programFolder;  // where the program's own base lives
  std::string currentFolder;  // what paths on the command line are relative to
  std::string machine, user;
  long long now = 0;  // seconds since 1970, UTC
  // Where a check that finds changes, a restore, an accept, a first run and
  // a failure leave one event each (with the report's text); none: no events.
  // A failure to write one never fails the run.
  IEventLog* events = nullptr;
  // The account the run is for (common/account.h): a service account or
  // the default profile is refused before anything is read or written; the
  // report names another account than the one signed in.
  AccountFacts account;
  // The facts of files for the risk signals of changed types (and of every
  // type with --health); none: no signals, and --health fails.
  IFileFacts* facts = nullptr;
  // Where the console's request to stop arrives; none: a restore runs
  // through.
  StopRequest* stop = nullptr;
};

// What a run for scripts that the account refuses says, and what to do.
std::string RefusedAccountText(const AccountCheck& check);

// Runs what the options ask for and returns the exit code.
int RunCommandLine(const Options& options, RunEnvironment& env);

}  // namespace hollin::cli
