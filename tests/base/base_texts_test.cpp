// The base file's errors as the messages word them: every reason says
// something of its own, and the sentences users have seen read as before.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/base_file_error.h"
#include "messages/messages.h"

namespace hollin {
namespace {

BaseFileError Sample(BaseFileReason reason) {
  return BaseFileError(reason, "C:\\b\\Prev.isd",
                       BaseFileFacts().Line(7).Number(3).Count(5).Name("N").Other("O").Cause("Cause"));
}

// A reason the wording misses falls to a text another reason has too, or to
// the bare file name; a damaged file says so, as the boxes that offer to set
// it aside expect. What catches any error words it the same.
TEST(BaseTexts, EveryReasonIsWordedAndSaysItsKind) {
  std::map<std::string, int> seen;
  for (int r = 0; r < kBaseFileReasons; ++r) {
    const auto reason = static_cast<BaseFileReason>(r);
    SCOPED_TRACE(r);
    const std::string text = msg::BaseFileText(Sample(reason));
    EXPECT_EQ(msg::ErrorText(Sample(reason)), text) << "as a front end's last catch shows it";
    EXPECT_NE(text.find("\\b"), std::string::npos) << text;
    EXPECT_GT(text.size(), std::string("The base file \"C:\\b\\Prev.isd\" ").size() + 5) << text;
    const auto [other, isNew] = seen.emplace(text, r);
    EXPECT_TRUE(isNew) << text << " is also the text of reason " << other->second;
    const bool holdsNone = reason == BaseFileReason::HoldsNoBase || reason == BaseFileReason::GenerationHoldsNoBase;
    if (ProblemOf(reason) == BaseFileProblem::Damaged && !holdsNone) {
      EXPECT_NE(text.find("\" is damaged: "), std::string::npos) << text;
    }
  }
  EXPECT_EQ(msg::BaseFileText(std::optional<BaseFileError>()), "");
}

// Sentences as they read before the errors carried reasons, one of each
// family: a line's fault, counts, the system's cause, a misuse, the history.
TEST(BaseTexts, SentencesReadAsBefore) {
  using R = BaseFileReason;
  const struct {
    R reason;
    const char* text;
  } rows[] = {
      {R::FieldCount, "The base file \"C:\\b\\Prev.isd\" is damaged: line 7 names 3 fields instead of 5."},
      {R::FewerValues, "The base file \"C:\\b\\Prev.isd\" is damaged: line 7 holds fewer values than the 5 fields."},
      {R::RecordCount, "The base file \"C:\\b\\Prev.isd\" is damaged: its end line counts 3 records, but it holds 5."},
      {R::BadVerb,
       "The base file \"C:\\b\\Prev.isd\" is damaged: the record of \"N\" names the verb \"O\", which is not one "
       "key's name. Nothing was restored."},
      {R::NewerFormat,
       "The base file \"C:\\b\\Prev.isd\" was written in format version 3, which this version of Hollin cannot read."},
      {R::NotSaved, "The base file \"C:\\b\\Prev.isd\" Cause; the base was not saved and the file is as it was."},
      {R::Locked,
       "The base file \"C:\\b\\Prev.isd\" is being saved by another program, which has not finished in 3 seconds; "
       "the base was not saved and the file is as it was."},
      {R::ReadOnly, "The base file \"C:\\b\\Prev.isd\" is open read-only (Updatable is off), so N cannot be done."},
      {R::GenerationHoldsNoBase, "The file \"C:\\b\\Prev.isd\" holds no base."},
      {R::HistoryFolderNotMade, "the folder \"C:\\b\\Prev.isd\" cannot be made (Cause)"},
  };
  for (const auto& row : rows) EXPECT_EQ(msg::BaseFileText(Sample(row.reason)), row.text);
}

}  // namespace
}  // namespace hollin
