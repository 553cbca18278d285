// The data-file component: values survive a round trip byte for byte, the
// file stays readable text, and every kind of damage is refused by name.
#include <algorithm>
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "base_test_util.h"
#ifdef _WIN32
#include <windows.h>
#endif
#include "common/atomic_file.h"

namespace hollin::test {
namespace {

// Sets a file's size without writing its bytes (a sparse file where the
// file system has them).
void ResizeSparse(const std::string& path, std::uintmax_t size) {
#ifdef _WIN32
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  const bool done = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  ASSERT_TRUE(done) << size;
#else
  std::filesystem::resize_file(path, size);
#endif
}

void ReadBase() {
  DataFile vsd;
  vsd.FileName("Prev");
  vsd.Open();
  vsd.FirstRecord();
}

TEST(DataFile, EveryKindOfValueSurvivesAndTheFileStaysText) {
  InFreshFolder here;
  std::string allBytes, big(64 * 1024, '\0');
  for (int c = 0; c < 256; ++c) allBytes += static_cast<char>(c);
  std::mt19937 rng(7);
  for (char& c : big) c = static_cast<char>(rng());
  const std::string command = "\"C:\\Program Files\\App\\app.exe\" /dde \"%1\" %*";
  const std::string values[] = {"", "a\tb", "line\nbreak", "cr\rlf\r\n", std::string("n\0l", 3),
                                allBytes, "\xE9t\xE9 \x80\xFF", "lone \xED\xA0\x80 and \xF0\x9F\x98\x80", "`60`", " spaced ", big, command};
  auto entries = std::make_shared<AssocEntries>();
  // Every byte in a type too, but the backslash, which no key's name holds.
  auto asType = [](std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
  };
  for (size_t i = 0; i < std::size(values); ++i)
    for (const std::string& ext : {".v" + std::to_string(i), asType(values[i]) + "#" + std::to_string(i)}) {
      auto e = std::make_shared<AssocEntry>();
      e->Ext(ext);
      e->ProgramFullPath(values[i]);
      e->OpenCmdRegKey(values[(i + 1) % std::size(values)]);
      e->ProgramID(values[i]);
      entries->Add(e, ext);
    }
  SaveBase(entries);
  EXPECT_EQ(LoadBase(), Flatten(*entries));

  const std::string file = ReadFileBytes("Prev.isd");
  EXPECT_EQ(file.rfind("HOLLINBASE\t4\nlayout\t$*256$$$$$$$$$$$$$$$\nfields\tExt\tPath\tKey\tProgID\tMachine\tUser\t"
                       "Choice\tCommand\tOpener\tTypes\tVerb\tVerbCommand\tHandler\tVerbAt\tChoiceAt\tNotHonoured\n",
                       0),
            0u);
  EXPECT_NE(file.find("\t" + command + "\t"), std::string::npos) << "commands stand as they are";
  for (char c : file) ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n');
}

TEST(DataFile, EveryTruncationAndEveryFlippedBitIsRefusedAndKept) {
  InFreshFolder here;
  SaveBase(MakeEntries(2, 0));
  const std::string good = ReadFileBytes("Prev.isd");
  const size_t magic = std::string("HOLLINBASE\t").size();
  for (size_t n = 0; n < good.size(); ++n) {
    WriteFileBytes("Prev.isd", good.substr(0, n));
    const char* says = n == 0 ? "it is empty" : n < magic ? "does not begin with HOLLINBASE" : "truncated";
    ASSERT_EQ(ProblemOf(ReadBase, says), BaseFileProblem::Damaged) << "cut at " << n;
    ASSERT_EQ(ReadFileBytes("Prev.isd"), good.substr(0, n));
  }
  for (size_t i = 0; i < good.size(); ++i)
    for (int bit = 0; bit < 8; bit += 3) {
      std::string bad = good;
      bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
      WriteFileBytes("Prev.isd", bad);
      // The version digit 4 turned into 5 names a version that is not read,
      // into 0 or 6 one that is: either way the checksum tells.
      ASSERT_EQ(ProblemOf(ReadBase, "is damaged"), BaseFileProblem::Damaged) << i << " bit " << bit;
    }
}

TEST(DataFile, ContentWrittenWrongIsRefusedEvenWithAGoodChecksum) {
  InFreshFolder here;
  SaveBase(MakeEntries(1, 0));
  const std::string good = ReadFileBytes("Prev.isd");
  auto edited = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    return Reseal(s.replace(s.find(from), from.size(), to));
  };
  const std::tuple<std::string, BaseFileProblem, std::string> cases[] = {
      {edited("HOLLINBASE\t4", "HOLLINBASE\t5"), BaseFileProblem::NewerFormat, "version 5"},
      {"HOLLINBASE\t5\nthat ends another way\n", BaseFileProblem::NewerFormat, "version 5"},
      {edited("HOLLINBASE\t4", "HOLLINBASE\t5").replace(20, 1, "#"), BaseFileProblem::Damaged, "checksum"},
      {edited("HOLLINBASE\t4", "HOLLINBASE\t0"), BaseFileProblem::Damaged, "version is unreadable"},
      {edited("command\t", "command\tz\t"), BaseFileProblem::Damaged, "more values"},
      {edited("command\t", "comm`41nd\t"), BaseFileProblem::Damaged, "needs none"},
      {edited("command\t", "command\r\t"), BaseFileProblem::Damaged, "not escaped"},
      {edited("1 records", "2 records"), BaseFileProblem::Damaged, "counts 2 records"},
      {edited("1 records", "01 records"), BaseFileProblem::Damaged, "unreadable"},
      {edited("$*256$$$$$$$$$$$$$$$", "$*256$$$$$$$$$$$$$$"), BaseFileProblem::Damaged, "more fields than the layout"},
      {edited("\tKey\t", "\tPath\t"), BaseFileProblem::Damaged, "twice"},
      {good + "\n", BaseFileProblem::Damaged, "empty lines after its end line"},
      {"MZ\x90\0\3 garbage", BaseFileProblem::Damaged, "does not begin with"},
  };
  for (const auto& [bytes, problem, mention] : cases) {
    WriteFileBytes("Prev.isd", bytes);
    EXPECT_EQ(ProblemOf(ReadBase, mention), problem) << bytes;
  }
  // Files too large to be a base are refused by their size, before a read.
  for (const std::uintmax_t size : {(std::uintmax_t{1} << 32) + 1, std::uintmax_t{1} << 41}) {
    ResizeSparse("Prev.isd", size);
    EXPECT_EQ(ProblemOf(ReadBase, "too large"), BaseFileProblem::Damaged) << size;
  }
}

TEST(DataFile, AWriteProtectedBaseStaysAsItWas) {
  InFreshFolder here;
  SaveBase(MakeEntries(1, 0));
  const std::string before = ReadFileBytes("Prev.isd");
  namespace fs = std::filesystem;
  fs::permissions("Prev.isd", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(ProblemOf([] { SaveBase(MakeEntries(1, 1)); }, "is write-protected"), BaseFileProblem::Unwritable);
  fs::permissions("Prev.isd", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadFileBytes("Prev.isd"), before);
  EXPECT_EQ(here.Files(), 1u);  // the base (a first run keeps no backup), no temporary
}

TEST(DataFile, ALoadChangesNothingAndStaleTemporariesAreRemoved) {
  InFreshFolder here;
  SaveBase(MakeEntries(2, 0));
  DataFile vsd;
  vsd.FileName("Prev");
  vsd.Open();
  EXPECT_THROW(vsd.NewRecord(), BaseFileError);  // read-only unless Updatable
  EXPECT_THROW(vsd.Create(), BaseFileError);     // never made over a base
  const std::string first = ReadFileBytes("Prev.isd");
  const std::string stale = TemporaryNameFor("Prev.isd", 0x7FFFFFF0UL, 0);
  WriteFileBytes(stale, "HOLLINBASE\t1\ntorn");
  EXPECT_EQ(LoadBase(), Flatten(*MakeEntries(2, 0)));
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_EQ(ReadFileBytes("Prev.isd"), first);
  for (int save = 0; save < 2; ++save) {  // the same base again keeps that backup
    SaveBase(MakeEntries(2, 1));
    EXPECT_EQ(ReadFileBytes("Prev.isd.bak"), first) << save;
  }
}

}  // namespace
}  // namespace hollin::test
