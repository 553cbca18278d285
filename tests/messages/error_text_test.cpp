// The core's errors carry their kind and facts; the messages word every
// kind as the user has always read it.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/atomic_file.h"
#include "registry/reg_entry.h"
#include "messages/shared_texts.h"

namespace hollin {
namespace {

using K = FileError::Kind;

TEST(ErrorText, EveryKindIsWordedAsTheErrorSaysIt) {
  const struct {
    FileError error;
    const char* text;
  } cases[] = {
      {{"C:\\b.isd", K::NotReadable, 5, "Access is denied."},
       "The file \"C:\\b.isd\" cannot be opened for reading (error 5): Access is denied."},
      {{"C:\\b.isd", K::NotPlainFile}, "The file \"C:\\b.isd\" is not a plain file"},
      {{"/b.isd", K::ReadFailed, 0, "Input/output error"}, "The file \"/b.isd\" cannot be read: Input/output error"},
      {{"r.json", K::TemporaryNotWritten, 112, "There is not enough space on the disk."},
       "The file \"r.json\" cannot be written (temporary file) (error 112): There is not enough space on the disk."},
      {{"r.json", K::WriteFailed, 0, "No space left on device"},
       "The file \"r.json\" cannot be written: No space left on device"},
      {{"r.json", K::NotFlushed, 0, "Input/output error"},
       "The file \"r.json\" cannot be flushed to the disk: Input/output error"},
      {{"r.json", K::NotClosed, 0, "Input/output error"}, "The file \"r.json\" cannot be closed: Input/output error"},
      {{"r.json", K::NotReplaced, 32, ""}, "The file \"r.json\" cannot be replaced (error 32)"},
      {{"r.json", K::ReplacedIsFolder}, "The file \"r.json\" cannot be replaced: it is a folder"},
      {{"r.json", K::ReplacedIsReadOnly}, "The file \"r.json\" cannot be replaced: it is write-protected"},
      {{"x.reg", K::NotFound}, "The file \"x.reg\" does not exist"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(msg::FileErrorText(c.error), c.text);
    // what() says the same, for the callers that read it still.
    EXPECT_EQ(c.error.what(), std::string(c.text));
  }
}

TEST(ErrorText, TheCollectionsErrorsAreWordedByCode) {
  using C = AssocEntriesError::Code;
  EXPECT_EQ(msg::ErrorText(AssocEntriesError(C::NoSuchKey, ".txt")), "Invalid procedure call or argument");
  EXPECT_EQ(msg::ErrorText(AssocEntriesError(C::OutOfRange, "4")), "Subscript out of range");
  EXPECT_EQ(msg::ErrorText(AssocEntriesError(C::DuplicateKey, ".TXT")),
            "This key is already associated with an element of this collection: .TXT");
}

TEST(ErrorText, AnErrorNothingForesawIsToldAsItSaysItself) {
  EXPECT_EQ(msg::ErrorText(std::runtime_error("a registry value of no known type")),
            "a registry value of no known type");
  const std::bad_alloc memory;
  EXPECT_EQ(msg::ErrorText(memory), memory.what());
}

}  // namespace
}  // namespace hollin
