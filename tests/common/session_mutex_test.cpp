// One copy per session: what creating the session's mutex answered, and
// (on Windows) the mutex itself and a stand-in for the call that refuses it.
#include <gtest/gtest.h>

#include <thread>

#include "common/base_turn.h"
#include "common/session_mutex.h"
#ifdef _WIN32
#include "common/win32_platform.h"
#include "common/win32_session_mutex.h"
#endif

namespace hollin {
namespace {

TEST(SessionMutex, AMutexRefusedToThisProcessIsAnotherCopy) {
  using S = SessionMutexState;
  EXPECT_EQ(SessionMutexStateOf(true, 0), S::First);
  EXPECT_EQ(SessionMutexStateOf(true, kMutexErrorAlreadyExists), S::AnotherRuns);
  // An elevated copy's mutex, refused: no handle, "access denied".
  EXPECT_EQ(SessionMutexStateOf(false, kMutexErrorAccessDenied), S::AnotherRuns);
  EXPECT_EQ(SessionMutexStateOf(false, 6 /* ERROR_INVALID_HANDLE: the name is another kind of object */), S::Unknown);
  EXPECT_EQ(SessionMutexStateOf(false, 8 /* ERROR_NOT_ENOUGH_MEMORY */), S::Unknown);
}

#ifdef _WIN32
HANDLE WINAPI RefusingCreate(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

TEST(SessionMutex, TheRealMutexAndARefusal) {
  const wchar_t* name = L"Local\\Hollin.Test.SessionMutex";
  HANDLE first = nullptr, second = nullptr, refused = nullptr;
  EXPECT_EQ(ClaimSessionMutex(name, first), SessionMutexState::First);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ClaimSessionMutex(name, second), SessionMutexState::AnotherRuns);
  // The user's processes may open it for SYNCHRONIZE.
  const HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, name);
  EXPECT_NE(opened, nullptr);
  EXPECT_EQ(ClaimSessionMutex(name, refused, RefusingCreate), SessionMutexState::AnotherRuns);
  EXPECT_EQ(refused, nullptr);
  for (HANDLE h : {first, second, opened})
    if (h) CloseHandle(h);
}

// The turn of a base file, across the session: one holder at a time (each
// thread here stands for a process), taken again by its holder as often as
// it likes; a holder that ends without giving it back (a process killed)
// hands it on.
TEST(SessionMutex, ABasesTurnHasOneHolderAndOneThatEndsLetsGo) {
  const std::string name = BaseTurnName("C:\\Hollin Test\\Turn\\Prev.isd");
  EXPECT_EQ(name, BaseTurnName("c:\\HOLLIN TEST\\turn\\prev.ISD"));
  EXPECT_NE(name, BaseTurnName("C:\\Hollin Test\\Turn\\Prev2.isd"));
  auto elsewhere = [&name](bool give) {
    bool took = false;
    std::thread([&] {
      Win32Platform other;
      took = other.TakeTurn(name, 0);
      if (took && give) other.GiveTurn(name);
    }).join();
    return took;
  };
  Win32Platform platform;
  ASSERT_TRUE(platform.TakeTurn(name, 0));
  ASSERT_TRUE(platform.TakeTurn(name, 0));
  EXPECT_FALSE(elsewhere(true));
  platform.GiveTurn(name);
  EXPECT_FALSE(elsewhere(true)) << "still held once";
  platform.GiveTurn(name);
  EXPECT_TRUE(elsewhere(false)) << "given back";
  EXPECT_TRUE(platform.TakeTurn(name, 0)) << "left by a holder that ended";
  platform.GiveTurn(name);
}
#endif

}  // namespace
}  // namespace hollin
