#include "base/checksum.h"

#include <bit>
#include <cstring>

namespace hollin {
namespace {

constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kP2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kP3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kP4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kP5 = 0x27D4EB2F165667C5ULL;

inline std::uint64_t Rotl(std::uint64_t x, int r) {
  return (x << r) | (x >> (64 - r));
}

// Little-endian loads, whatever the machine's byte order.
inline std::uint64_t Load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i, v >>= 8) r = (r << 8) | (v & 0xFF);
    v = r;
  }
  return v;
}
inline std::uint64_t Load32(const unsigned char* p) {
  return static_cast<std::uint64_t>(p[0]) | (static_cast<std::uint64_t>(p[1]) << 8) |
         (static_cast<std::uint64_t>(p[2]) << 16) |
         (static_cast<std::uint64_t>(p[3]) << 24);
}

inline std::uint64_t Round(std::uint64_t acc, std::uint64_t input) {
  acc += input * kP2;
  acc = Rotl(acc, 31);
  return acc * kP1;
}

inline std::uint64_t Merge(std::uint64_t acc, std::uint64_t v) {
  acc ^= Round(0, v);
  return acc * kP1 + kP4;
}

}  // namespace

std::uint64_t Xxh64(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t len = bytes.size();
  const unsigned char* const end = p + len;
  std::uint64_t h;
  if (len >= 32) {
    std::uint64_t v1 = kP1 + kP2, v2 = kP2, v3 = 0, v4 = 0 - kP1;
    const unsigned char* const limit = end - 32;
    do {
      v1 = Round(v1, Load64(p));
      v2 = Round(v2, Load64(p + 8));
      v3 = Round(v3, Load64(p + 16));
      v4 = Round(v4, Load64(p + 24));
      p += 32;
    } while (p <= limit);
    h = Rotl(v1, 1) + Rotl(v2, 7) + Rotl(v3, 12) + Rotl(v4, 18);
    h = Merge(h, v1);
    h = Merge(h, v2);
    h = Merge(h, v3);
    h = Merge(h, v4);
  } else {
    h = kP5;
  }
  h += static_cast<std::uint64_t>(len);
  for (; p + 8 <= end; p += 8) {
    h ^= Round(0, Load64(p));
    h = Rotl(h, 27) * kP1 + kP4;
  }
  if (p + 4 <= end) {
    h ^= Load32(p) * kP1;
    h = Rotl(h, 23) * kP2 + kP3;
    p += 4;
  }
  for (; p < end; ++p) {
    h ^= (*p) * kP5;
    h = Rotl(h, 11) * kP1;
  }
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  h *= kP3;
  h ^= h >> 32;
  return h;
}

}  // namespace hollin
