#include "base/base_file_error.h"

#include <utility>

namespace hollin {

BaseFileProblem ProblemOf(BaseFileReason reason) {
  using R = BaseFileReason;
  if (reason == R::NewerFormat) return BaseFileProblem::NewerFormat;
  if (reason == R::CannotRead) return BaseFileProblem::Unreadable;
  if (reason == R::AlreadyExists) return BaseFileProblem::AlreadyExists;
  if (reason >= R::WriteProtected && reason <= R::GenerationNotWritten) return BaseFileProblem::Unwritable;
  if (reason >= R::LayoutNotNow) return BaseFileProblem::Misuse;
  return BaseFileProblem::Damaged;
}

BaseFileError::BaseFileError(BaseFileReason reason, std::string path, BaseFileFacts facts)
    : std::runtime_error(path), reason_(reason), path_(std::move(path)), facts_(std::move(facts)) {}

}  // namespace hollin
