// The one error the base store raises. It names the base file and says what
// is wrong with it, and tells its kind so that the caller can choose what to
// offer (a damaged file can be set aside and a new base recorded; a file that
// cannot be written leaves the old base as it was).
#pragma once

#include <stdexcept>
#include <string>

namespace hollin {

enum class BaseFileProblem {
  Damaged,        // torn, truncated, bad checksum, garbage, duplicate types
  NewerFormat,    // written in a format version this program does not know
  Unreadable,     // a folder of that name, no right to read, an I/O error
  Unwritable,     // full disk, write-protected, no right to write the folder
  AlreadyExists,  // a new base file was asked for where one exists
  Misuse,         // an operation out of its order (a fault of the caller)
};

class BaseFileError : public std::runtime_error {
 public:
  // what() is "The base file "<path>" <detail>".
  BaseFileError(BaseFileProblem problem, std::string path,
                const std::string& detail);
  BaseFileProblem problem() const { return problem_; }
  const std::string& path() const { return path_; }

 private:
  BaseFileProblem problem_;
  std::string path_;
};

}  // namespace hollin
