// A scan (ScanResult) as bytes, for a scan made in another process of the
// program's own to be handed back whole: every field of every entry, the
// names that could not be read and the keys skipped, closed by the length
// of what came before and a checksum of it.
#pragma once

#include <string>
#include <string_view>

#include "registry/scan.h"

namespace hollin {

std::string PackScan(const ScanResult& scan);

// The scan packed in bytes, into out; false (out left as it was) where
// bytes are not one whole pack: cut short, longer, changed, or naming an
// entry twice. A scan that is not whole never stands for one.
bool UnpackScan(std::string_view bytes, ScanResult& out);

}  // namespace hollin
