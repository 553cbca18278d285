// The core's errors carry their kind and facts; the messages word every
// kind as the user has always read it.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/atomic_file.h"
#include "compare/restore.h"
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
      {{"C:\\b.isd", K::NotPlainFile}, "The file \"C:\\b.isd\" is not a plain file."},
      {{"/b.isd", K::ReadFailed, 0, "Input/output error"}, "The file \"/b.isd\" cannot be read: Input/output error."},
      {{"r.json", K::TemporaryNotWritten, 112, "There is not enough space on the disk."},
       "The file \"r.json\" cannot be written (temporary file) (error 112): There is not enough space on the disk."},
      {{"r.json", K::WriteFailed, 0, "No space left on device"},
       "The file \"r.json\" cannot be written: No space left on device."},
      {{"r.json", K::NotFlushed, 0, "Input/output error"},
       "The file \"r.json\" cannot be flushed to the disk: Input/output error."},
      {{"r.json", K::NotClosed, 0, "Input/output error"}, "The file \"r.json\" cannot be closed: Input/output error."},
      {{"r.json", K::NotReplaced, 32, ""}, "The file \"r.json\" cannot be replaced (error 32)."},
      {{"r.json", K::ReplacedIsFolder}, "The file \"r.json\" cannot be replaced: it is a folder."},
      {{"r.json", K::ReplacedIsReadOnly}, "The file \"r.json\" cannot be replaced: it is write-protected."},
      {{"x.reg", K::NotFound}, "The file \"x.reg\" does not exist."},
      {{"r.json", K::FolderMissing}, "The file \"r.json\" cannot be written: its folder does not exist."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(msg::FileErrorText(c.error), c.text);
    EXPECT_EQ(msg::ErrorText(c.error), c.text);
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

// Administrator rights are advised only for the keys all users share; a
// refusal in the user's own classes asks for a look at its permissions.
TEST(RefusedWrites, TheAdviceFitsTheLayerThatRefused) {
  using L = AssocEntry::Layer;
  const struct {
    std::vector<L> layers;
    bool administrator, own;
  } cases[] = {
      {{L::Machine}, true, false},
      {{L::Classes}, true, false},
      {{L::User}, false, true},
      {{L::User, L::Machine}, true, true},
  };
  for (const auto& c : cases) {
    std::vector<RestoreFailure> failed;
    for (L layer : c.layers) failed.push_back({".t" + std::to_string(failed.size()), RestoreFailure::What::ProgramId,
                                               ERROR_ACCESS_DENIED, layer});
    const std::string advice = msg::DescribeRefusedWrites(failed, nullptr).advice;
    EXPECT_EQ(advice.find("administrator rights") != std::string::npos, c.administrator) << advice;
    EXPECT_EQ(advice.find("your own settings") != std::string::npos, c.own) << advice;
  }
}

}  // namespace
}  // namespace hollin
