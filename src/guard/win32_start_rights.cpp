#include "guard/win32_start_rights.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

#include <optional>
#include <vector>

namespace hollin::guard {
namespace {

// Releases a COM interface when it goes.
template <typename T>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (p_) p_->Release();
  }
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// A string the automation calls take, freed when it goes.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

VARIANT Text(const Bstr& text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = text.get();  // borrowed: never cleared
  return v;
}

std::optional<unsigned long> IntegrityOf(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) return std::nullopt;
  const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  if (!IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0) return std::nullopt;
  return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
}

// The level of the process that owns window; nothing where there is no
// window, or its process or token cannot be opened for a query.
std::optional<unsigned long> IntegrityOfWindow(HWND window) {
  DWORD pid = 0;
  if (!window || !GetWindowThreadProcessId(window, &pid) || pid == 0) return std::nullopt;
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return std::nullopt;
  std::optional<unsigned long> level;
  HANDLE token = nullptr;
  if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
    level = IntegrityOf(token);
    CloseHandle(token);
  }
  CloseHandle(process);
  return level;
}

}  // namespace

StartRights ReadStartRights() {
  StartRights rights;
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size))
      rights.elevation = type == TokenElevationTypeFull      ? Elevation::Full
                         : type == TokenElevationTypeLimited ? Elevation::Limited
                                                             : Elevation::Default;
    rights.integrity = IntegrityOf(token);
    CloseHandle(token);
  }
  // Only a full token asks who else is on the desktop.
  if (rights.elevation == Elevation::Full) {
    rights.shellIntegrity = IntegrityOfWindow(FindWindowW(L"Shell_TrayWnd", nullptr));
    if (!rights.shellIntegrity) rights.shellIntegrity = IntegrityOfWindow(GetShellWindow());
  }
  return rights;
}

HRESULT StartThroughShell(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
  Held<IShellWindows> windows;
  HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                reinterpret_cast<void**>(windows.out()));
  if (FAILED(hr)) return hr;
  VARIANT desktop, none;
  VariantInit(&desktop);
  VariantInit(&none);
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  long window = 0;
  Held<IDispatch> found;
  hr = windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, found.out());
  if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;  // S_FALSE: no desktop among the shell's windows
  if (!found.get()) return E_FAIL;
  Held<IServiceProvider> provider;
  if (FAILED(hr = found->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(provider.out())))) return hr;
  Held<IShellBrowser> browser;
  if (FAILED(hr = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                         reinterpret_cast<void**>(browser.out()))))
    return hr;
  Held<IShellView> view;
  if (FAILED(hr = browser->QueryActiveShellView(view.out()))) return hr;
  Held<IDispatch> background;
  if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.out()))))
    return hr;
  Held<IShellFolderViewDual> folderView;
  if (FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual,
                                             reinterpret_cast<void**>(folderView.out()))))
    return hr;
  Held<IDispatch> application;
  if (FAILED(hr = folderView->get_Application(application.out()))) return hr;
  Held<IShellDispatch2> shell;
  if (FAILED(hr = application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell.out())))) return hr;
  const Bstr file(program), args(arguments), dir(folder), verb(L"open");
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return shell->ShellExecute(file.get(), Text(args), Text(dir), Text(verb), show);
}

}  // namespace hollin::guard
