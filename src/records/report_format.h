// The formats a report is written in.
#pragma once

namespace hollin::cli {

enum class Format { Text, Json, Csv };

}  // namespace hollin::cli
