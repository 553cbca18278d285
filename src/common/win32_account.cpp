#include "common/win32_account.h"

#include "common/windows_api.h"
#include "common/win32_system_dll.h"
#include "common/win32_text.h"

#include <sddl.h>
#include <wtsapi32.h>

#include <vector>

namespace hollin {
namespace {

// A session's text (WTSUserName, WTSDomainName); "" when not told.
std::string SessionText(WTS_INFO_CLASS which) {
  static const auto query =
      SystemFunction<decltype(WTSQuerySessionInformationW)>(L"wtsapi32.dll", "WTSQuerySessionInformationW");
  static const auto release = SystemFunction<decltype(WTSFreeMemory)>(L"wtsapi32.dll", "WTSFreeMemory");
  LPWSTR text = nullptr;
  DWORD bytes = 0;
  if (!query || !release || !query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, which, &text, &bytes)) return {};
  std::string out = Utf8(text);
  release(text);
  return out;
}

}  // namespace

AccountFacts ReadAccountFacts() {
  AccountFacts facts;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return facts;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    LPWSTR text = nullptr;
    if (ConvertSidToStringSidW(sid, &text)) {
      facts.sid = Utf8(text);
      LocalFree(text);
    }
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
      facts.name = domainSize && domain[0] ? Utf8(domain) + "\\" + Utf8(name) : Utf8(name);
  }
  TOKEN_ELEVATION elevation{};
  DWORD got = 0;
  if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &got))
    facts.elevated = elevation.TokenIsElevated != 0;
  CloseHandle(token);
  // HKEY_CURRENT_USER is the user's own hive where it is loaded under
  // HKEY_USERS by the identifier, else the default profile.
  if (!facts.sid.empty()) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(HKEY_USERS, Wide(facts.sid).c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    facts.defaultProfile = status == ERROR_FILE_NOT_FOUND;
  }
  const std::string user = SessionText(WTSUserName);
  if (!user.empty()) {
    const std::string domain = SessionText(WTSDomainName);
    facts.signedIn = domain.empty() ? user : domain + "\\" + user;
  }
  return facts;
}

}  // namespace hollin
