// The checksum of the base file: XXH64 with seed 0, a published 64-bit hash
// that runs at memory speed, so a person can check a file with any xxh64 tool.
#pragma once

#include <cstdint>
#include <string_view>

namespace hollin {

std::uint64_t Xxh64(std::string_view bytes);

}  // namespace hollin
