// A console that keeps what a run for scripts writes to each stream.
#pragma once

#include <string>

#include "cli/command.h"

namespace hollin::test {

struct FakeConsole : cli::IConsole {
  std::string out, err;
  void Out(const std::string& t) override { out += t; }
  void Err(const std::string& t) override { err += t; }
};

}  // namespace hollin::test
