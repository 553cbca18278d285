// What the base file's errors say, wherever they are shown: the window's
// boxes, the command line, the guard's notice and records, the reports.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "base/associations.h"
#include "base/base_file_error.h"

namespace hollin::msg {

// "The base file "<path>" <what is wrong>", as a sentence ended; the
// history's own reasons (a folder not made, no serial left, a copy not
// written) name their place and end without a stop.
std::string BaseFileText(const BaseFileError& e);
// The same, or "" for none (a sound generation, a base kept in the history).
std::string BaseFileText(const std::optional<BaseFileError>& e);

// The base file in use, as the user is shown it: BaseFileRead and, while
// that is a former base, where the next save goes.
std::string DescribeBaseFile(const Associations& g);

// The base file's error, the associations file's, the XML reader's or the
// system XML library's, worded as above; none for any other error
// (ErrorText words every error).
std::optional<std::string> CoreErrorText(const std::exception& e);

}  // namespace hollin::msg
