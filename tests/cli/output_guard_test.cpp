// What no output may land on, judged by the identity of folders: every
// spelling of the base's folder and of its history (a short name, a folder
// link or junction, a drive alias, "\\?\") is the same folder, told by a
// stand-in of the file system.
#include <gtest/gtest.h>

#include <map>

#include "cli/output_guard.h"

namespace hollin::cli {
namespace {

// The folders a stand-in file system holds, each under every spelling
// that leads to it.
class Folders {
 public:
  void Add(const std::string& path, FileIdentity id) { ids_[Key(path)] = id; }
  IdentityLookup Lookup() {
    return [this](const std::string& path, FileIdentity& id) {
      ++asked;
      const auto it = ids_.find(Key(path));
      if (it == ids_.end()) return false;
      id = it->second;
      return true;
    };
  }
  int asked = 0;

 private:
  static std::string Key(std::string p) {
    while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
    return p;
  }
  std::map<std::string, FileIdentity> ids_;
};

TEST(OutputGuard, AFolderIsKnownByItsIdentityHoweverItIsSpelled) {
  const FileIdentity baseFolder{1, 5}, history{1, 7}, elsewhere{1, 9};
  Folders fs;
  fs.Add("/u/ada/Hollin", baseFolder);
  fs.Add("/u/ada/Hollin/Prev.history", history);
  fs.Add("/u/ada/Documents", elsewhere);
  const char* const historySpellings[] = {"/u/ada/Hollin/PREV~1.HIS", "/u/ada/link-to-history",
                                          "X:/Prev.history", "//?/u/ada/Hollin/Prev.history"};
  const char* const baseSpellings[] = {"/u/ada/HOLLIN~1", "/u/ada/base-link", "Y:/", "//?/u/ada/Hollin"};
  for (const char* h : historySpellings) fs.Add(h, history);
  for (const char* b : baseSpellings) fs.Add(b, baseFolder);
  fs.Add("X:/", baseFolder);

  const std::vector<GuardedFile> guarded = {{"/u/ada/Hollin/Prev.isd", true, "the base file"}};
  const std::string inHistory = "/u/ada/Hollin/Prev.history";
  const struct {
    std::string target;
    bool refused;
    bool history;
  } cases[] = {
      // Nothing of these exists yet: only the folder tells.
      {"/u/ada/Hollin/PREV~1.HIS/00000050-20300101T000000Z.isd", true, true},
      {"/u/ada/link-to-history/00000050-20300101T000000Z.isd", true, true},
      {"X:/Prev.history/notes.txt", true, true},
      {"//?/u/ada/Hollin/Prev.history/00000001-20261208T101500Z.isd", true, true},
      {"/u/ada/HOLLIN~1/Prev.isd.bak", true, false},
      {"/u/ada/base-link/prev.damaged-20261208-101500.isd", true, false},
      {"Y:/PREV.ISD.4242.1.tmp", true, false},
      {"//?/u/ada/Hollin/Prev.isd", true, false},
      // The history by its own name, also while it does not exist.
      {"/u/ada/Hollin/prev.HISTORY./x.isd", true, true},
      // Other names in the base's folder, and other folders, take output.
      {"/u/ada/HOLLIN~1/report.txt", false, false},
      {"/u/ada/link-to-history.txt", false, false},
      {"/u/ada/Documents/00000050-20300101T000000Z.isd", false, false},
      {"/u/ada/Documents/Prev.isd", false, false},
      {"/u/ada/Documents/prev.ISD.bak", false, false},
      {"/u/ada/nowhere/Prev.history/x.isd", false, false},
  };
  for (const auto& c : cases) {
    std::string history;
    const GuardedFile* hit = Clobbers(c.target, guarded, &history, fs.Lookup());
    EXPECT_EQ(hit != nullptr, c.refused) << c.target;
    EXPECT_EQ(!history.empty(), c.history) << c.target << " -> " << history;
    if (c.history) {
      EXPECT_EQ(history, inHistory);
    }
  }
  EXPECT_GT(fs.asked, 0);
}

}  // namespace
}  // namespace hollin::cli
