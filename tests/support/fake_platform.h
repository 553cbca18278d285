// The process and screen as the tests see them: what the program asks of
// them is recorded, and what it may find is set by the test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/platform.h"

namespace hollin::test {

struct FakePlatform : IPlatform {
  bool otherInstance = false;
  std::string folder = ".";
  std::string commandLine = "C:\\Hollin\\hollin.exe";
  // The folder changes, pointers, beeps and ends, in order.
  std::vector<std::string> calls;
  int beeps = 0, ends = 0, notices = 0;  // notices: that associations changed, to the shell
  MousePointer pointer = MousePointer::Default;
  bool AnotherInstanceRunning() override { return otherInstance; }
  // The session's turns, shared by every FakePlatform as processes share
  // them: each held by one platform, as often as it took it. A test holds
  // one with another FakePlatform (another process); whileWaiting is called
  // where a take would wait, and may give that back (the other process
  // ends its work within the wait). waits: the waits asked, in ms.
  static std::map<std::string, std::pair<const FakePlatform*, int>>& Turns() {
    static std::map<std::string, std::pair<const FakePlatform*, int>> turns;
    return turns;
  }
  std::function<void(const std::string& name)> whileWaiting;
  std::vector<unsigned> waits;
  bool TakeTurn(const std::string& name, unsigned waitMs) override {
    auto& turns = Turns();
    auto it = turns.find(name);
    if (it != turns.end() && it->second.first != this && waitMs > 0) {
      waits.push_back(waitMs);
      if (whileWaiting) whileWaiting(name);
      it = turns.find(name);
    }
    if (it == turns.end()) {
      turns[name] = {this, 1};
      return true;
    }
    if (it->second.first != this) return false;
    ++it->second.second;
    return true;
  }
  void GiveTurn(const std::string& name) override {
    auto it = Turns().find(name);
    if (it != Turns().end() && it->second.first == this && --it->second.second == 0) Turns().erase(it);
  }
  ~FakePlatform() override {
    std::erase_if(Turns(), [this](const auto& t) { return t.second.first == this; });
  }
  std::string ProgramFolder() override { return folder; }
  void ChangeCurrentFolder(const std::string& f) override { calls.push_back("cd " + f); }
  void SetMousePointer(MousePointer p) override {
    pointer = p;
    calls.push_back("pointer " + std::to_string(static_cast<int>(p)));
  }
  std::string CommandLine() override { return commandLine; }
  void Beep() override {
    ++beeps;
    calls.push_back("beep");
  }
  void AssociationsChanged() override { ++notices; }
  std::string ErrorText(long status) override { return status == 5 ? "Access is denied." : ""; }
  // Programs started, as "style: command line"; those that start.
  std::vector<std::string> started;
  std::vector<std::string> startable;
  bool StartProcess(const std::string& line, WindowStyle style) override {
    started.push_back(std::to_string(static_cast<int>(style)) + ": " + line);
    for (const auto& s : startable)
      if (line.rfind(s, 0) == 0) return true;
    return false;
  }
  bool OpenDocument(const std::string& path) override {
    started.push_back("open: " + path);
    return openable;
  }
  bool openable = false;
  std::vector<std::string> files;
  bool FileExists(const std::string& path) override {
    return std::find(files.begin(), files.end(), path) != files.end();
  }
  // The folders and files as the base's location sees them: the user's data
  // folder, the folders that may be written (and those made), the files
  // that may be written and when each file was written.
  std::string localAppData;
  std::vector<std::string> writableFolders{"*"};  // "*": every folder
  std::vector<std::string> madeFolders;
  std::vector<std::string> readOnlyFiles;
  std::map<std::string, std::int64_t> times;
  std::string LocalAppDataFolder() override { return localAppData; }
  bool CanWriteFolder(const std::string& f, bool make) override {
    const bool ok = std::find(writableFolders.begin(), writableFolders.end(), "*") != writableFolders.end() ||
                    std::find(writableFolders.begin(), writableFolders.end(), f) != writableFolders.end();
    if (ok && make) madeFolders.push_back(f);
    return ok;
  }
  bool CanWriteFile(const std::string& f) override {
    return std::find(readOnlyFiles.begin(), readOnlyFiles.end(), f) == readOnlyFiles.end();
  }
  std::int64_t LastWriteTime(const std::string& f) override {
    const auto it = times.find(f);
    return it == times.end() ? 0 : it->second;
  }
  ProgramIdentity Identity() override { return {"Hollin", "Brellmark", "File association guard", 1, 2, 30}; }
  std::map<std::string, std::string> indirect;  // indirect strings the system resolves
  std::string LoadIndirectString(const std::string& s) override {
    const auto it = indirect.find(s);
    return it == indirect.end() ? std::string() : it->second;
  }
  // What the system says opens a type (".txt") or a link ("http"). As on
  // Windows, a link is answered only when asked as a protocol: without the
  // flag a name without a dot is a program identifier, which names itself
  // (and runs what opensProgId gives it, "" where the test gives nothing).
  std::map<std::string, std::pair<std::string, std::string>> opens;
  std::map<std::string, std::string> opensProgId;
  std::vector<std::string> asked;  // "name" or "name (protocol)", in order
  bool AskWhatOpens(const std::string& name, bool protocol, std::string& progId, std::string& command) override {
    asked.push_back(protocol ? name + " (protocol)" : name);
    const bool dotted = !name.empty() && name[0] == '.';
    if (!protocol && !dotted) {
      progId = name;
      const auto it = opensProgId.find(name);
      command = it == opensProgId.end() ? std::string() : it->second;
      return true;
    }
    if (protocol && dotted) return false;
    const auto it = opens.find(name);
    if (it == opens.end()) return false;
    std::tie(progId, command) = it->second;
    return true;
  }
  std::vector<std::string> pages;  // settings pages asked for, by address
  long pageStatus = 0;              // what opening one gives: 0, opened
  long OpenSettingsPage(const std::string& uri) override {
    pages.push_back(uri);
    return pageStatus;
  }
  int windowsVersion = 0;  // the system's real major version; 0: not told
  int WindowsVersion() override { return windowsVersion; }
  // HTML Help opens the file at the topic (recorded as "htmlhelp: N path")
  // where htmlHelpOpens.
  bool htmlHelpOpens = false;
  bool OpenHtmlHelp(const std::string& path, int topic) override {
    started.push_back("htmlhelp: " + std::to_string(topic) + " " + path);
    return htmlHelpOpens;
  }
  void EndProcess() override {
    ++ends;
    calls.push_back("end");
  }
};

}  // namespace hollin::test
