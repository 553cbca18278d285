// Runs for scripts on the stand-in registry, as the command line makes
// them: in a fresh folder, with a platform, an event log and a console
// that keep what each run did.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "support/fake_file_facts.h"
#include "support/fake_platform.h"
#include "support/registry_store.h"
#include "support/test_support.h"
#include "text_holds.h"

namespace hollin::test {

// A console that keeps what a run writes to each stream.
struct FakeConsole : cli::IConsole {
  std::string out, err;
  std::string outFails;  // where set, standard output takes nothing and says this
  std::string Out(const std::string& t) override {
    if (outFails.empty()) out += t;
    return outFails;
  }
  void Err(const std::string& t) override { err += t; }
};

struct CommandRun {
  // Runs the command line on reg (or on another view of it); the console
  // then holds what this run alone wrote.
  int Run(std::vector<std::string> args, IRegistry* on = nullptr) {
    console.out.clear();
    console.err.clear();
    cli::RunEnvironment env{on ? *on : reg, platform, console, dir.path().string(), dir.path().string(), "PC-7", "ada",
                            1796673600, &events, account, withFacts ? &files : nullptr, stop};
    return cli::RunCommandLine(cli::ParseOptions(args), env);
  }

  TempDir dir;
  RegistryStore reg;
  FakePlatform platform;
  FakeConsole console;
  cli::RecordingEventLog events;
  AccountFacts account{"PC-7\\ada", "S-1-5-21-1-2-3-1001", "PC-7\\ada"};
  FakeFileFacts files;
  bool withFacts = false;
  cli::StopRequest* stop = nullptr;
};

}  // namespace hollin::test
