// libFuzzer target for the command parser that finds what an open command
// runs (ResolveCommand), which reads commands any program could have
// written. An input is "existing files, separated by '|'", a line break,
// then the command; the environment knows SystemRoot and TEMP. Every command
// resolves, and resolved twice it gives the same target. A program or
// payload said to be found is one of the files that exist, a takeover names
// both the file that runs and the one meant, and an empty command runs
// nothing.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "risk/command_target.h"
#include "common/text.h"
#include "require.h"

namespace {

bool Same(const hollin::CommandTarget& a, const hollin::CommandTarget& b) {
  return a.kind == b.kind && a.program == b.program && a.found == b.found && a.takeover == b.takeover &&
         a.takenOver == b.takenOver && a.meant == b.meant && a.host == b.host && a.payload == b.payload &&
         a.payloadKind == b.payloadKind && a.payloadFound == b.payloadFound;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nl = input.find('\n');
  const std::string_view listed = nl == std::string_view::npos ? std::string_view() : input.substr(0, nl);
  const std::string_view command = nl == std::string_view::npos ? input : input.substr(nl + 1);
  std::set<std::string> files;  // compared without regard to case, as Windows names are
  for (size_t at = 0; at <= listed.size();) {
    size_t end = listed.find('|', at);
    if (end == std::string_view::npos) end = listed.size();
    if (end > at) files.insert(hollin::FoldCase(listed.substr(at, end - at)));
    at = end + 1;
  }
  hollin::ResolveContext ctx;
  ctx.exists = [&](const std::string& path) { return files.count(hollin::FoldCase(path)) > 0; };
  ctx.variable = [](std::string_view name) -> std::optional<std::string> {
    if (hollin::FoldCase(name) == "systemroot") return "C:\\Windows";
    if (hollin::FoldCase(name) == "temp") return "C:\\Users\\u\\AppData\\Local\\Temp";
    return std::nullopt;
  };
  ctx.searchFolders = {"C:\\Windows\\System32", "C:\\Windows"};

  const auto first = hollin::ResolveCommand(command, ctx);
  const auto second = hollin::ResolveCommand(command, ctx);
  Require(Same(first, second), "the same command resolved twice gives two targets");
  using Kind = hollin::CommandTarget::Kind;
  Require(first.kind == Kind::Program || first.program.empty() || first.kind == Kind::Document,
          "a program where nothing runs");
  if (first.found) Require(ctx.exists(first.program), "a program found that does not exist");
  if (first.payloadFound) Require(ctx.exists(first.payload), "a payload found that does not exist");
  if (first.takenOver) {
    Require(!first.takeover.empty() && !first.meant.empty(), "a takeover without both names");
    Require(first.found, "a takeover by a file not found");
  }
  if (first.host == hollin::CommandHost::None)
    Require(first.payload.empty(), "a payload without a host");
  bool blank = true;
  for (char c : command) blank = blank && (c == ' ' || c == '\t');
  if (blank) Require(first.kind == Kind::Nothing, "an empty command runs something");
  return 0;
}
