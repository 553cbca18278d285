#include "base/base_file_error.h"

namespace hollin {

BaseFileError::BaseFileError(BaseFileProblem problem, std::string path,
                             const std::string& detail)
    : std::runtime_error("The base file \"" + path + "\" " + detail),
      problem_(problem),
      path_(std::move(path)) {}

}  // namespace hollin
