// The contract of the atomic file helpers that the base store relies on.
#include "common/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/test_support.h"

namespace hollin::test {
namespace {

TEST(AtomicFile, OnlyTemporariesOfEndedWritersAreRemoved) {
  TempDir d;
  const std::string path = d.File("base");
  const unsigned long self = detail::CurrentProcessId();
  // Left by an earlier process that had our id: a replacement steps over them.
  for (unsigned serial = 0; serial < 40; ++serial)
    WriteFileBytes(TemporaryNameFor(path, self, serial), "stale");
  ReplaceFileAtomically(path, "new");
  EXPECT_EQ(ReadFileBytes(path), "new");

  const std::string stale[] = {TemporaryNameFor(path, 0x7FFFFFF0UL, 3),
                               TemporaryNameFor(path, self, 4000000000u)};  // never issued
  const std::string kept[] = {path + ".bak", path + ".12.x.tmp", d.File("other.1.1.tmp"),
                              TemporaryNameFor(path, self, 0)};  // issued: may be in flight
  for (const auto& f : stale) WriteFileBytes(f, "stale");
  for (const auto& f : kept) WriteFileBytes(f, "keep");
  RemoveStaleTemporaries(path);
  for (const auto& f : stale) EXPECT_FALSE(std::filesystem::exists(f)) << f;
  for (const auto& f : kept) EXPECT_TRUE(std::filesystem::exists(f)) << f;

  // Into a folder that is not there: said so, not as a temporary's failure.
  try {
    ReplaceFileAtomically(d.File("gone") + "/base", "new");
    ADD_FAILURE() << "written into a missing folder";
  } catch (const FileError& e) {
    EXPECT_EQ(e.kind(), FileError::Kind::FolderMissing);
  }
}

#ifdef _WIN32
// A writer or a scanner that holds the base for a moment does not make it
// unreadable: the read waits for it.
TEST(AtomicFile, ReadWaitsOutAMomentaryHolder) {
  TempDir d;
  const std::string path = d.File("base");
  WriteFileBytes(path, "recorded");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    Sleep(200);
    CloseHandle(held);
  });
  std::string out = "unwritten";
  ReadResult read = ReadResult::NotFound;
  EXPECT_NO_THROW(read = ReadWholeFile(path, out));
  release.join();
  EXPECT_EQ(read, ReadResult::Ok);
  EXPECT_EQ(out, "recorded");
}
#endif

}  // namespace
}  // namespace hollin::test
