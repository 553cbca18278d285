// The base file's checksum is XXH64 with seed 0 exactly: every base a user
// has on the disk carries it, so any other value would make them all read as
// damaged. The values below were computed once with xxhsum -H1 (XXH64), not
// with this program.
#include "base/checksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace hollin::test {
namespace {

TEST(Checksum, MatchesPublishedXxh64ValuesForEveryLengthPath) {
  EXPECT_EQ(Xxh64("abc"), 0x44BC2CF5AD770999ULL);

  // Prefixes of one byte pattern that takes every byte value. The lengths
  // reach each way through the function: below one 32-byte stripe, whole
  // stripes, and the 8-byte, 4-byte and single-byte rests after either.
  std::string pattern(4127, '\0');
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>((i * 131 + 17) & 0xFF);
  const struct {
    size_t length;
    std::uint64_t sum;
  } vectors[] = {
      {0, 0xEF46DB3751D8E999ULL},    {1, 0xAD10CD9780AC4FF7ULL},    {3, 0x40626D96276E4594ULL},
      {4, 0x882207C122C76E23ULL},    {7, 0xCFC90033AA9DAC4FULL},    {8, 0x90FDA2F089FA86DEULL},
      {14, 0x4DF943FE248C8BBAULL},   {31, 0x44CC9EFE5D2D0233ULL},   {32, 0x0E1AAB1D173CF196ULL},
      {33, 0x5C820B4B4FE28FDCULL},   {63, 0x1153D36CADE87066ULL},   {64, 0xD4C20EF54CBC9F67ULL},
      {100, 0x7F8375F3E09D8123ULL},  {3072, 0x9C005960FF963E5AULL}, {4127, 0xD12FFB94B5F0FC61ULL},
  };
  for (const auto& v : vectors)
    EXPECT_EQ(Xxh64(std::string_view(pattern).substr(0, v.length)), v.sum) << v.length << " bytes";

  // Where the bytes sit in memory does not matter.
  const std::string shifted = "." + pattern;
  EXPECT_EQ(Xxh64(std::string_view(shifted).substr(1, 100)), 0x7F8375F3E09D8123ULL);
}

}  // namespace
}  // namespace hollin::test
