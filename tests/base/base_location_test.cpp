// Where the base lives: the decision over the folders' facts, a base moved
// from a folder that can no longer be written (the old file never changes),
// and, in the Windows build, the system's answers the decision rests on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/base_location.h"
#include "base_test_util.h"
#include "support/fake_platform.h"

#ifdef _WIN32
#include "common/win32_platform.h"
#endif

namespace hollin {
namespace {

namespace fs = std::filesystem;

std::string Join(const std::string& a, const std::string& b) { return (fs::path(a) / b).string(); }

const std::string kProgram = Join("C:", "Program Files");
const std::string kLocal = Join("C:", "Local");
const std::string kBeside = Join(kProgram, "Prev");
const std::string kUserFolder = Join(Join(kLocal, "Nordane"), "Hollin");
const std::string kUser = Join(kUserFolder, "Prev");

TEST(BaseLocation, PortableCopiesKeepTheirBaseAndOthersMoveToTheUsersFolder) {
  struct Case {
    const char* what;
    bool besideBase, folderWritable, fileWritable, userBase;
    long long besideTime, userTime;
    const char* localAppData;  // "" none; "-" one that cannot be written
    BaseLocation want;
    bool userFolderMade;
  };
  const Case cases[] = {
      {"portable, first run", false, true, true, false, 0, 0, "L", {kBeside, ""}, false},
      {"portable, with its base", true, true, true, false, 0, 0, "L", {kBeside, ""}, false},
      {"installed, first run", false, false, true, false, 0, 0, "L", {kUser, ""}, true},
      {"base beside a read-only program", true, false, true, false, 0, 0, "L", {kUser, kBeside}, true},
      {"read-only base file", true, true, false, false, 0, 0, "L", {kUser, kBeside}, true},
      {"moved before, folder writable again", true, true, true, true, 5, 9, "L", {kUser, ""}, false},
      {"user's base, no base beside (elevated run)", false, true, true, true, 0, 9, "L",
       {kUser, ""}, false},
      {"portable base newer than the user's", true, true, true, true, 9, 5, "L", {kBeside, ""}, false},
      {"both equally new: the user's", true, true, true, true, 7, 7, "L", {kUser, ""}, false},
      {"no local app data, read-only folder", false, false, true, false, 0, 0, "", {kBeside, ""}, false},
      {"no local app data, base beside", true, false, true, false, 0, 0, "", {kBeside, ""}, false},
      {"local app data unwritable", true, false, true, false, 0, 0, "-", {kBeside, ""}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::FakePlatform p;
    p.localAppData = *c.localAppData ? kLocal : "";
    p.writableFolders = {};
    if (c.folderWritable) p.writableFolders.push_back(kProgram);
    if (std::string(c.localAppData) == "L") p.writableFolders.push_back(kUserFolder);
    if (c.besideBase) p.files.push_back(kBeside + ".isd");
    if (c.userBase) p.files.push_back(kUser + ".isd");
    if (!c.fileWritable) p.readOnlyFiles.push_back(kBeside + ".isd");
    p.times = {{kBeside + ".isd", c.besideTime}, {kUser + ".isd", c.userTime}};
    const BaseLocation got = LocateBase(p, kProgram);
    EXPECT_EQ(got.file, c.want.file);
    EXPECT_EQ(got.readFirst, c.want.readFirst);
    EXPECT_EQ(p.madeFolders, c.userFolderMade ? std::vector<std::string>{kUserFolder} : std::vector<std::string>{});
  }
}

// A program folder the platform says cannot be written (the files in it are
// real): the old base is read until the first save, which goes to the user's
// folder, and neither that nor a damaged old base ever changes the old file.
TEST(BaseLocation, ABaseMovedOutOfAReadOnlyFolderIsReadThenSavedElsewhere) {
  test::TempDir program, local;
  test::InFreshFolder elsewhere;
  const std::string beside = program.File("Prev");
  {
    test::Store s;
    s.g.BaseFile = beside;
    s.g.CurrentEntries = test::MakeEntries(30, 1);
    test::MakeNeverFilled(beside);
    s.Save();
  }
  fs::remove(beside + ".isd.bak");
  const std::string old = test::ReadFileBytes(beside + ".isd");

  test::FakePlatform p;
  p.localAppData = local.path().string();
  const std::string userFolder = UserBaseFolder(p.localAppData);
  p.writableFolders = {userFolder};
  p.files = {beside + ".isd"};
  const BaseLocation where = LocateBase(p, program.path().string());
  fs::create_directories(userFolder);  // as the platform would have made it

  test::Store s;
  s.g.BaseFile = where.file;
  s.g.FormerBaseFile = where.readFirst;
  EXPECT_EQ(msg::DescribeBaseFile(s.g), beside + ".isd (read only: the next save writes " + where.file + ".isd)");
  // A first save into the new place that a crash left unfilled.
  test::MakeNeverFilled(where.file);
  s.Load();
  EXPECT_FALSE(s.created);
  EXPECT_EQ(test::Flatten(*s.g.BaseEntries), test::Flatten(*test::MakeEntries(30, 1)));
  s.g.CurrentEntries = test::MakeEntries(30, 2);
  s.Save();
  test::Store next;
  next.g.BaseFile = where.file;
  next.g.FormerBaseFile = where.readFirst;
  next.Load();
  EXPECT_EQ(test::Flatten(*next.g.BaseEntries), test::Flatten(*test::MakeEntries(30, 2)));
  EXPECT_EQ(test::ReadFileBytes(beside + ".isd"), old);

  // A damaged old base: the new base is recorded in the user's folder, and
  // the old file keeps its name and bytes.
  fs::remove(where.file + ".isd");
  fs::remove(where.file + ".isd.bak");
  std::string damaged = old;
  damaged[damaged.size() / 2] ^= 0x20;
  std::ofstream(beside + ".isd", std::ios::binary | std::ios::trunc) << damaged;
  test::Store again;
  again.g.BaseFile = where.file;
  again.g.FormerBaseFile = where.readFirst;
  EXPECT_EQ(test::ProblemOf([&] { again.Load(); }, "damaged"), BaseFileProblem::Damaged);
  again.g.CurrentEntries = test::MakeEntries(3, 3);
  EXPECT_EQ(SetAsideAndRecordNewBase(again.g, again.vsd), "Prev.isd");
  EXPECT_EQ(test::ReadFileBytes(beside + ".isd"), damaged);
  EXPECT_EQ(std::distance(fs::directory_iterator(program.path()), {}), 1);
  again.Load();
  EXPECT_EQ(again.g.BaseEntries->Count(), 3);
}

#ifdef _WIN32
// The answers of the real system the decision rests on.
TEST(BaseLocation, TheSystemsFolderAnswers) {
  Win32Platform p;
  test::TempDir dir;
  const std::string folder = dir.path().string();
  EXPECT_FALSE(p.LocalAppDataFolder().empty());
  EXPECT_TRUE(p.CanWriteFolder(folder, false));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 0) << "the probe file stays behind";
  const std::string deep = dir.File("a\\b\\c");
  EXPECT_FALSE(p.CanWriteFolder(deep, false));
  EXPECT_FALSE(fs::exists(deep));
  EXPECT_TRUE(p.CanWriteFolder(deep, true));
  EXPECT_TRUE(fs::is_directory(deep));

  const std::string file = dir.File("f.isd");
  EXPECT_FALSE(p.CanWriteFile(file));
  EXPECT_EQ(p.LastWriteTime(file), 0);
  std::ofstream(file) << "x";
  EXPECT_TRUE(p.CanWriteFile(file));
  EXPECT_EQ(test::ReadFileBytes(file), "x");
  const auto before = p.LastWriteTime(file);
  EXPECT_GT(before, 0);
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::hours(1));
  EXPECT_GT(p.LastWriteTime(file), before);
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(p.CanWriteFile(file));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

}  // namespace
}  // namespace hollin
