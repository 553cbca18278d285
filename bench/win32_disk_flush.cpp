#include <io.h>

#include "disk_flush.h"

namespace hollin::bench {

bool FlushToDisk(std::FILE* f) { return std::fflush(f) == 0 && _commit(_fileno(f)) == 0; }

}  // namespace hollin::bench
