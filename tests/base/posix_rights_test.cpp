// Failures that need POSIX to stage: a full disk (a file size limit), a
// user without rights (a child process that gives up root) and a FIFO.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base_test_util.h"

namespace hollin::test {
namespace {

// Runs action in a forked child (after prepare); true when it raised
// BaseFileError of that kind.
bool FailsInChild(void (*prepare)(), void (*action)(), BaseFileProblem problem) {
  const pid_t pid = fork();
  if (pid == 0) {
    prepare();
    try {
      action();
    } catch (const BaseFileError& e) {
      _exit(e.problem() == problem ? 0 : 1);
    }
    _exit(2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void FullDisk() {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{100000, 100000};
  setrlimit(RLIMIT_FSIZE, &limit);
}
void Nobody() {
  if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
}

TEST(Rights, AFullDiskOrMissingRightsGiveTypedErrorsAndKeepTheBase) {
  InFreshFolder here;
  SaveBase(MakeEntries(10, 0));
  const std::string v1 = ReadFileBytes("Prev.isd");
  SaveBase(MakeEntries(10, 2));
  const std::string before = ReadFileBytes("Prev.isd");
  // A save that does not fit keeps the base and its backup as they were.
  EXPECT_TRUE(FailsInChild(FullDisk, [] { SaveBase(MakeEntries(3000, 1)); },
                           BaseFileProblem::Unwritable));
  EXPECT_EQ(ReadFileBytes("Prev.isd.bak"), v1);
  EXPECT_TRUE(FailsInChild(Nobody, [] { SaveBase(MakeEntries(3, 1)); },  // not the user's folder
                           BaseFileProblem::Unwritable));
  std::filesystem::permissions("Prev.isd", std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_write);
  EXPECT_TRUE(FailsInChild(Nobody, [] { LoadBase(); }, BaseFileProblem::Unreadable));
  EXPECT_EQ(ReadFileBytes("Prev.isd"), before);
  EXPECT_EQ(here.Files(), 2u);  // base and backup, no temporaries
}

// A FIFO of the base file's name is refused at once, not waited on.
TEST(Rights, AFifoForABaseIsRefusedWithoutWaiting) {
  InFreshFolder here;
  const std::string what = ReadOfFifo("Prev.isd", [] {
    try {
      LoadBase();
    } catch (const BaseFileError& e) {
      throw std::runtime_error(msg::BaseFileText(e));
    }
  });
  EXPECT_NE(what.find("Prev.isd\" is damaged: it is a device or a pipe"), std::string::npos) << what;
}

}  // namespace
}  // namespace hollin::test
