// Whether the guard runs with the token it was started with, from the
// token's facts and the desktop shell's: a full token of a split pair never
// runs where the shell runs lower, and a start handed to the shell can never
// come back elevated.
#include <gtest/gtest.h>

#include <optional>

#include "guard/start_rights.h"
#include "messages/guard_texts.h"

namespace hollin::guard {
namespace {

constexpr unsigned long kLow = 0x1000, kSystem = 0x4000;

TEST(StartRights, EachTokenAgainstTheShell) {
  const std::optional<unsigned long> none;
  struct Case {
    Elevation elevation;
    std::optional<unsigned long> own, shell;
    GuardStart expected;
    const char* what;
  } cases[] = {
      // A user's ordinary token, whatever the shell says (and nothing read).
      {Elevation::Limited, kIntegrityMedium, none, GuardStart::Here, "limited, no shell read"},
      {Elevation::Limited, kIntegrityMedium, kIntegrityHigh, GuardStart::Here, "limited, shell higher"},
      // No split: a standard account, the built-in Administrator, or user
      // account control off (the shell is elevated too).
      {Elevation::Default, kIntegrityHigh, none, GuardStart::Here, "default, elevated, no shell"},
      {Elevation::Default, kIntegrityMedium, kLow, GuardStart::Here, "default, shell lower"},
      // An installation or a prompt run as administrator beside the user's
      // shell.
      {Elevation::Full, kIntegrityHigh, kIntegrityMedium, GuardStart::ThroughShell, "full, shell medium"},
      {Elevation::Full, kSystem, kIntegrityHigh, GuardStart::ThroughShell, "full at system level, shell high"},
      {Elevation::Full, none, kIntegrityMedium, GuardStart::ThroughShell, "full, own level unknown"},
      // The shell itself runs with the full token: nothing is isolated.
      {Elevation::Full, kIntegrityHigh, kIntegrityHigh, GuardStart::Here, "full, shell as high"},
      {Elevation::Full, kIntegrityHigh, kSystem, GuardStart::Here, "full, shell higher"},
      // No shell whose level is known: nothing to hand the start to that
      // would not run it as it is.
      {Elevation::Full, kIntegrityHigh, none, GuardStart::NotAtAll, "full, no shell"},
      {Elevation::Full, none, none, GuardStart::NotAtAll, "full, nothing known"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecideGuardStart({c.elevation, c.own, c.shell}), c.expected) << c.what;
}

TEST(StartRights, TheRecordSaysWhyItDidNotRun) {
  const std::string refused = msg::GuardNotStarted(static_cast<long>(0x80004005UL));
  EXPECT_NE(refused.find("(error 0x80004005)"), std::string::npos) << refused;
  const std::string unread = msg::GuardNotStarted(0);
  EXPECT_EQ(unread.find("0x"), std::string::npos) << unread;
  EXPECT_NE(unread.find("next logon"), std::string::npos) << unread;
}

}  // namespace
}  // namespace hollin::guard
