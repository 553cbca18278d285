// Helpers of the base store tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/base_store.h"
#include "base/checksum.h"
#include "base/data_file.h"
#include "messages/base_texts.h"
#include "support/test_support.h"

namespace hollin::test {

// Makes a fresh folder the current folder for the life of the object.
class InFreshFolder {
 public:
  InFreshFolder() : old_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.path()); }
  ~InFreshFolder() { std::filesystem::current_path(old_); }
  std::string path() const { return dir_.path().string(); }
  // The plain files (the generations' folder is not one of them).
  size_t Files() const {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) n += entry.is_regular_file();
    return n;
  }

 private:
  TempDir dir_;
  std::filesystem::path old_;
};

// Makes the file name (its extension given apart) a table no save has
// filled, as a crash between the two halves of RecordNewBase leaves it.
inline void MakeNeverFilled(const std::string& name, std::string_view extension = DataFile::kExtension) {
  DataFile made;
  made.FileName(name, extension);
  made.Create();
  made.Layout(kBaseLayout);
  made.MakeTable();
  made.Close();
}

// The steps the base store tells, in order.
struct RecordingProgress : IBaseProgress {
  void Step(BaseStep step) override { steps.push_back(step); }
  std::vector<BaseStep> steps;
};

// count associations with realistic commands; variant changes every command.
inline std::shared_ptr<AssocEntries> MakeEntries(int count, int variant) {
  auto entries = std::make_shared<AssocEntries>();
  for (int i = 0; i < count; ++i) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(".t" + std::to_string(i));
    if (i % 7 != 3)  // else the command sits under the extension itself
      e->ProgramID("Vendor" + std::to_string(i % 40) + ".Document." + std::to_string(i));
    e->OpenCmdRegKey((e->ProgramID().empty() ? e->Ext() : e->ProgramID()) + "\\shell\\open\\command");
    e->ProgramFullPath("\"C:\\Program Files\\Vendor\\viewer.exe\" /v" + std::to_string(variant) + " \"%1\"");
    entries->Add(e, e->Ext());
  }
  return entries;
}

inline std::vector<std::string> Flatten(const AssocEntries& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries)
    out.insert(out.end(), {e->Ext(), e->ProgramFullPath(), e->OpenCmdRegKey(), e->ProgramID()});
  return out;
}

// The base store's state as the window keeps it, with its two procedures.
struct Store {
  Associations g;
  BaseStore vsd;
  RecordingProgress progress;
  bool created = false;
  void Load() { created = hollin::LoadBase(g, vsd, &progress) == BaseLoad::RecordedNew; }
  void Save() { SaveCurrentAsDefault(g, vsd, &progress); }
};

// Saves entries as the base of the current folder, making it if need be.
inline void SaveBase(const std::shared_ptr<AssocEntries>& entries) {
  Store s;
  s.g.CurrentEntries = entries;
  DataFile probe;
  probe.FileName(kBaseFileName);
  probe.Open();
  if (probe.Status() == DataFile::kStatusNoSuchFile) RecordNewBase(s.g, s.vsd);
  else s.Save();
}

inline std::vector<std::string> LoadBase() {
  Store s;
  s.Load();
  return Flatten(*s.g.BaseEntries);
}

// The kind of error that f raises, whose message must name the base file and
// say mention (which cannot be empty); a test failure when f raises none.
inline BaseFileProblem ProblemOf(const std::function<void()>& f, const std::string& mention) {
  EXPECT_FALSE(mention.empty()) << "the test must say what the message says";
  try {
    f();
  } catch (const BaseFileError& e) {
    const std::string what = msg::BaseFileText(e);
    EXPECT_NE(what.find("Prev.isd"), std::string::npos) << what;
    EXPECT_NE(what.find(mention), std::string::npos) << what << " (expected: " << mention << ")";
    return e.problem();
  }
  ADD_FAILURE() << "no error";
  return BaseFileProblem::Misuse;
}

// Recomputes the end line's checksum after a deliberate edit.
inline std::string Reseal(std::string bytes) {
  char hex[17];
  const size_t at = bytes.size() - 17;
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Xxh64(bytes.substr(0, at))));
  return bytes.replace(at, 16, hex);
}

constexpr int kChildEntries = 3000;  // about six 64 KiB chunks

// The command that starts this test executable as a child that saves the
// base of variant in folder times times, ending itself before write step
// killAt (0: never) and pausing pauseMs milliseconds at each step it does
// not end at, which keeps each save in progress for longer. See main.cpp.
std::string ChildCommand(const std::string& folder, int variant, int times, int killAt, int pauseMs = 0);

}  // namespace hollin::test
