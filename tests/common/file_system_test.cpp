// The file system helpers where the base store's own tests do not reach
// them: the fallback copy, the link, a link to nothing, the time a report
// shows, and paths typed on a command line.
#include "common/file_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/test_support.h"

namespace hollin::test {
namespace {

namespace fs = std::filesystem;

TEST(FileSystem, ACopyReplacesAndALinkNamesTheFileOrTellsItIsMissing) {
  TempDir d;
  const std::string a = d.File("a"), b = d.File("b"), link = d.File("link");
  WriteFileBytes(a, "new");
  WriteFileBytes(b, "older and longer");
  EXPECT_EQ(CopyFileReplacing(a, b), std::error_code());
  EXPECT_EQ(ReadFileBytes(b), "new");
  EXPECT_EQ(MakeHardLink(b, link), std::error_code());
  EXPECT_EQ(ReadFileBytes(link), "new");
  EXPECT_TRUE(RemoveFile(a));
  EXPECT_FALSE(RemoveFile(a));
  EXPECT_EQ(MakeHardLink(a, d.File("other")), std::errc::no_such_file_or_directory);
}

TEST(FileSystem, TheLastWriteIsInSecondsSince1970) {
  TempDir d;
  const std::string f = d.File("f");
  std::int64_t seconds = 0;
  EXPECT_FALSE(LastWriteSeconds(f, seconds));
  WriteFileBytes(f, "x");
  const auto when = std::chrono::sys_seconds(std::chrono::seconds(1700000000));
  fs::last_write_time(f, std::chrono::file_clock::from_sys(when));
  ASSERT_TRUE(LastWriteSeconds(f, seconds));
  EXPECT_EQ(seconds, 1700000000);
}

TEST(FileSystem, PathsAreReadAsTheSystemReadsThem) {
  const std::string here = fs::current_path().string();
  EXPECT_EQ(AbsolutePath("Prev.isd"), JoinPath(here, "Prev.isd"));
  EXPECT_EQ(FileNameOf(SiblingPath(JoinPath(here, "Prev.isd"), "b.isd")), "b.isd");
#ifdef _WIN32
  const std::string folder = "C:\\work\\";
  const std::pair<const char*, const char*> resolved[] = {
      {"a/./b/../c.isd", "C:\\work\\a\\c.isd"}, {"..\\..\\..\\x", "C:\\x"},
      {"\\x", "C:\\x"},                         {"D:\\x/y", "D:\\x\\y"},
      {"\\\\server\\share\\x", "\\\\server\\share\\x"}};
#else
  const std::string folder = "/work/";
  const std::pair<const char*, const char*> resolved[] = {
      {"a/./b/../c.isd", "/work/a/c.isd"}, {"../../../x", "/x"}, {"//x//y/", "/x/y/"}};
#endif
  for (const auto& [typed, path] : resolved) EXPECT_EQ(ResolvePath(folder, typed), path) << typed;
}

}  // namespace
}  // namespace hollin::test
