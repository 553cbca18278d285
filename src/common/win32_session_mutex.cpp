#include "common/win32_session_mutex.h"

#include <sddl.h>

#include <string>
#include <vector>

namespace hollin {
namespace {

// The SDDL form of the process's user ("S-1-5-21-..."), "" where unknown.
std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  std::wstring out;
  if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    LPWSTR text = nullptr;
    if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
      out = text;
      LocalFree(text);
    }
  }
  CloseHandle(token);
  return out;
}

}  // namespace

SessionMutexState ClaimSessionMutex(const wchar_t* name, HANDLE& held, CreateMutexCall create) {
  held = nullptr;
  // The system and the administrators all rights, the user SYNCHRONIZE and
  // MUTANT_QUERY_STATE: an elevated copy's mutex is found by the user's
  // other processes (the default descriptor of an elevated process lets only
  // the administrators open it).
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const std::wstring sid = UserSid();
  if (!sid.empty()) {
    const std::wstring sddl = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;" + sid + L")";
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
      attributes.lpSecurityDescriptor = descriptor;
  }
  SetLastError(ERROR_SUCCESS);
  held = create(attributes.lpSecurityDescriptor ? &attributes : nullptr, name, 0, SYNCHRONIZE);
  const DWORD error = GetLastError();
  if (descriptor) LocalFree(descriptor);
  return SessionMutexStateOf(held != nullptr, error);
}

}  // namespace hollin
