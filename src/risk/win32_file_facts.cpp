#include "risk/win32_file_facts.h"

#include <optional>
#include <vector>

#include "risk/signature.h"

#include "common/win32_system_dll.h"
#include "common/win32_text.h"
// After windows.h (through win32_text.h): the trust and certificate headers
// need its types.
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>
// After the two above: the catalog header needs their types.
#include <mscat.h>

namespace hollin {
namespace {

// The functions of wintrust.dll, crypt32.dll and version.dll, from the
// system folder (common/win32_system_dll.h); each null where missing.
struct SystemCalls {
#define HOLLIN_CALL(dll, name) decltype(name)* name##_ = SystemFunction<decltype(name)>(dll, #name);
  HOLLIN_CALL(L"wintrust.dll", WinVerifyTrust)
  HOLLIN_CALL(L"wintrust.dll", WTHelperProvDataFromStateData)
  HOLLIN_CALL(L"wintrust.dll", WTHelperGetProvSignerFromChain)
  HOLLIN_CALL(L"wintrust.dll", CryptCATAdminAcquireContext)
  HOLLIN_CALL(L"wintrust.dll", CryptCATAdminCalcHashFromFileHandle)
  HOLLIN_CALL(L"wintrust.dll", CryptCATAdminEnumCatalogFromHash)
  HOLLIN_CALL(L"wintrust.dll", CryptCATCatalogInfoFromContext)
  HOLLIN_CALL(L"wintrust.dll", CryptCATAdminReleaseCatalogContext)
  HOLLIN_CALL(L"wintrust.dll", CryptCATAdminReleaseContext)
  HOLLIN_CALL(L"crypt32.dll", CertGetNameStringW)
  HOLLIN_CALL(L"version.dll", GetFileVersionInfoSizeW)
  HOLLIN_CALL(L"version.dll", GetFileVersionInfoW)
  HOLLIN_CALL(L"version.dll", VerQueryValueW)
#undef HOLLIN_CALL
  bool Trust() const {
    return WinVerifyTrust_ && WTHelperProvDataFromStateData_ && WTHelperGetProvSignerFromChain_ && CertGetNameStringW_;
  }
  bool Catalogs() const {
    return CryptCATAdminAcquireContext_ && CryptCATAdminCalcHashFromFileHandle_ && CryptCATAdminEnumCatalogFromHash_ &&
           CryptCATCatalogInfoFromContext_ && CryptCATAdminReleaseCatalogContext_ && CryptCATAdminReleaseContext_;
  }
  bool Versions() const { return GetFileVersionInfoSizeW_ && GetFileVersionInfoW_ && VerQueryValueW_; }
};

const SystemCalls& Calls() {
  static const SystemCalls calls;
  return calls;
}

// The statuses of risk/signature.h are the SDK's.
static_assert(kTrustNoSignature == static_cast<long>(TRUST_E_NOSIGNATURE));
static_assert(kTrustSubjectFormUnknown == static_cast<long>(TRUST_E_SUBJECT_FORM_UNKNOWN));
static_assert(kTrustProviderUnknown == static_cast<long>(TRUST_E_PROVIDER_UNKNOWN));
static_assert(kTrustBadDigest == static_cast<long>(TRUST_E_BAD_DIGEST));
static_assert(kTrustCertSignature == static_cast<long>(TRUST_E_CERT_SIGNATURE));
static_assert(kCertUntrustedRoot == static_cast<long>(CERT_E_UNTRUSTEDROOT));
static_assert(kCertChaining == static_cast<long>(CERT_E_CHAINING));
static_assert(kTrustExplicitDistrust == static_cast<long>(TRUST_E_EXPLICIT_DISTRUST));
static_assert(kCertRevoked == static_cast<long>(CERT_E_REVOKED));
static_assert(kCertExpired == static_cast<long>(CERT_E_EXPIRED));
static_assert(kTrustNoSignerCert == static_cast<long>(TRUST_E_NO_SIGNER_CERT));
static_assert(kTrustSubjectNotTrusted == static_cast<long>(TRUST_E_SUBJECT_NOT_TRUSTED));
static_assert(kCertUntrustedTestRoot == static_cast<long>(CERT_E_UNTRUSTEDTESTROOT));
static_assert(kCertRevocationFailure == static_cast<long>(CERT_E_REVOCATION_FAILURE));
static_assert(kCryptRevocationOffline == static_cast<long>(CRYPT_E_REVOCATION_OFFLINE));

// The simple display name of the certificate that signed the file whose
// trust state data holds, "" where it cannot be told.
std::string SignerName(HANDLE state) {
  CRYPT_PROVIDER_DATA* data = Calls().WTHelperProvDataFromStateData_(state);
  if (!data) return std::string();
  CRYPT_PROVIDER_SGNR* signer = Calls().WTHelperGetProvSignerFromChain_(data, 0, FALSE, 0);
  if (!signer || !signer->pasCertChain || signer->csCertChain == 0) return std::string();
  const CERT_CONTEXT* cert = signer->pasCertChain[0].pCert;
  if (!cert) return std::string();
  wchar_t name[256];
  const DWORD n = Calls().CertGetNameStringW_(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
  return n > 1 ? Utf8(name) : std::string();
}

// WinVerifyTrust on a file or a catalog member (choice: WTD_CHOICE_FILE or
// WTD_CHOICE_CATALOG, subject the matching structure), and the signer's
// name where it verifies.
IFileFacts::Trust Verify(DWORD choice, void* subject, std::string& signer) {
  if (!Calls().Trust()) return IFileFacts::Trust::Unknown;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = choice;
  if (choice == WTD_CHOICE_FILE) data.pFile = static_cast<WINTRUST_FILE_INFO*>(subject);
  else data.pCatalog = static_cast<WINTRUST_CATALOG_INFO*>(subject);
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  // Nothing fetched from the network, revocation not asked: the same answer
  // offline and on.
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = Calls().WinVerifyTrust_(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  const IFileFacts::Trust trust = TrustOfStatus(status);
  if (trust == IFileFacts::Trust::Signed) signer = SignerName(data.hWVTStateData);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  Calls().WinVerifyTrust_(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return trust;
}

// The file's hash looked up in the system's catalogs, and the catalog that
// holds it verified: Signed (with the catalog's signer), BadSignature, or
// Unsigned where no catalog holds it. SHA-256 catalogs first where the
// system has them (Windows 8 and later: the functions are looked up, so that
// the program still starts on Windows 7), then SHA-1 ones.
IFileFacts::Trust CatalogTrust(const std::wstring& path, std::string& signer) {
  using Trust = IFileFacts::Trust;
  using Acquire2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA, DWORD);
  using Hash2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
  if (!Calls().Catalogs()) return Trust::Unknown;
  const HMODULE wintrust = SystemLibrary(L"wintrust.dll");
  const auto acquire2 =
      wintrust ? reinterpret_cast<Acquire2>(reinterpret_cast<void (*)()>(GetProcAddress(wintrust, "CryptCATAdminAcquireContext2"))) : nullptr;
  const auto hash2 =
      wintrust ? reinterpret_cast<Hash2>(
                     reinterpret_cast<void (*)()>(GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2"))) : nullptr;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Trust::Unsigned;
  Trust trust = Trust::Unsigned;
  for (const bool sha256 : {true, false}) {
    if (sha256 && !(acquire2 && hash2)) continue;
    GUID driver = DRIVER_ACTION_VERIFY;
    HCATADMIN admin = nullptr;
    if (!(sha256 ? acquire2(&admin, &driver, L"SHA256", nullptr, 0) : Calls().CryptCATAdminAcquireContext_(&admin, &driver, 0)))
      continue;
    const auto hash = [&](DWORD* size, BYTE* into) {
      SetFilePointer(file, 0, nullptr, FILE_BEGIN);
      return sha256 ? hash2(admin, file, size, into, 0) : Calls().CryptCATAdminCalcHashFromFileHandle_(file, size, into, 0);
    };
    DWORD size = 0;
    hash(&size, nullptr);
    std::vector<BYTE> bytes(size);
    HCATINFO catalog = nullptr;
    if (size > 0 && hash(&size, bytes.data()))
      catalog = Calls().CryptCATAdminEnumCatalogFromHash_(admin, bytes.data(), size, 0, nullptr);
    if (catalog) {
      CATALOG_INFO info{};
      info.cbStruct = sizeof info;
      if (Calls().CryptCATCatalogInfoFromContext_(catalog, &info, 0)) {
        // A member of a catalog is named by its hash in hexadecimal.
        std::wstring tag;
        for (const BYTE b : bytes) {
          tag.push_back(L"0123456789ABCDEF"[b >> 4]);
          tag.push_back(L"0123456789ABCDEF"[b & 15]);
        }
        WINTRUST_CATALOG_INFO member{};
        member.cbStruct = sizeof member;
        member.pcwszCatalogFilePath = info.wszCatalogFile;
        member.pcwszMemberTag = tag.c_str();
        member.pcwszMemberFilePath = path.c_str();
        member.hMemberFile = file;
        member.pbCalculatedFileHash = bytes.data();
        member.cbCalculatedFileHash = size;
        member.hCatAdmin = admin;
        trust = Verify(WTD_CHOICE_CATALOG, &member, signer);
        if (trust == Trust::Unsigned) trust = Trust::BadSignature;  // in a catalog, but not signed by it
      }
      Calls().CryptCATAdminReleaseCatalogContext_(admin, catalog, 0);
    }
    Calls().CryptCATAdminReleaseContext_(admin, 0);
    if (trust != Trust::Unsigned) break;
  }
  CloseHandle(file);
  return trust;
}

// The token AccessCheck is asked with: the user's as a process of theirs
// that is not elevated has it (an elevated administrator's limited token,
// else the process's own), as an identification token; null where none.
HANDLE UserToken() {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) return nullptr;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  if (GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) && type == TokenElevationTypeFull) {
    TOKEN_LINKED_TOKEN linked{};
    if (GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size) && linked.LinkedToken) {
      CloseHandle(own);
      return linked.LinkedToken;  // an identification token: what AccessCheck needs
    }
  }
  HANDLE token = nullptr;
  if (!DuplicateToken(own, SecurityIdentification, &token)) token = nullptr;
  CloseHandle(own);
  return token;
}

// Whether token is granted any of wanted on the file or folder at path;
// nullopt where its security cannot be read or checked.
std::optional<bool> Granted(HANDLE token, const std::wstring& path, DWORD wanted) {
  DWORD info = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
               LABEL_SECURITY_INFORMATION;
  std::vector<unsigned char> descriptor(512);
  for (int attempt = 0;; ++attempt) {
    if (attempt == 4) return std::nullopt;
    DWORD needed = 0;
    if (GetFileSecurityW(path.c_str(), info, descriptor.data(), static_cast<DWORD>(descriptor.size()), &needed)) break;
    const DWORD error = GetLastError();
    if (error == ERROR_INSUFFICIENT_BUFFER && needed > descriptor.size()) descriptor.resize(needed);
    else if (info & LABEL_SECURITY_INFORMATION) info &= ~static_cast<DWORD>(LABEL_SECURITY_INFORMATION);
    else return std::nullopt;
  }
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  PRIVILEGE_SET privileges{};
  DWORD privilegesSize = sizeof privileges, granted = 0;
  BOOL status = FALSE;
  if (!AccessCheck(descriptor.data(), token, MAXIMUM_ALLOWED, &mapping, &privileges, &privilegesSize, &granted, &status))
    return std::nullopt;
  return status && (granted & wanted) != 0;
}

}  // namespace

Win32FileFacts::~Win32FileFacts() {
  if (token_) CloseHandle(static_cast<HANDLE>(token_));
}

IFileFacts::Writable Win32FileFacts::UserWritable(const std::string& path, std::string& where) {
  if (!tokenTried_) {
    tokenTried_ = true;
    token_ = UserToken();
  }
  if (!token_) return Writable::Unknown;
  const HANDLE token = static_cast<HANDLE>(token_);
  const std::wstring wide = Wide(path);
  const size_t slash = wide.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return Writable::Unknown;
  // A drive's root keeps its backslash ("C:\\").
  const std::wstring folder = wide.substr(0, slash == 2 && wide[1] == L':' ? 3 : slash);
  // Its folder: a file added (one planted in its place) or one deleted.
  const std::optional<bool> inFolder = Granted(token, folder, FILE_ADD_FILE | FILE_DELETE_CHILD);
  if (inFolder == true) {
    where = Utf8(folder);
    return Writable::Yes;
  }
  // The file itself, where it is there: written, deleted, or its
  // permissions or owner changed.
  std::optional<bool> inFile = false;
  if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
    inFile = Granted(token, wide, FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER);
  if (inFile == true) {
    where = path;
    return Writable::Yes;
  }
  return inFolder && inFile ? Writable::No : Writable::Unknown;
}

bool Win32FileFacts::Exists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

IFileFacts::Trust Win32FileFacts::Signature(const std::string& path, std::string& signer) {
  const std::wstring wide = Wide(path);
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = wide.c_str();
  const Trust own = Verify(WTD_CHOICE_FILE, &file, signer);
  // Most of Windows' own programs carry no signature of their own: their
  // hashes are signed in the system's catalogs.
  return own == Trust::Unsigned ? CatalogTrust(wide, signer) : own;
}

void Win32FileFacts::Version(const std::string& path, std::string& company, std::string& product) {
  const SystemCalls& calls = Calls();
  if (!calls.Versions()) return;
  const std::wstring wide = Wide(path);
  DWORD ignored = 0;
  const DWORD size = calls.GetFileVersionInfoSizeW_(wide.c_str(), &ignored);
  if (size == 0) return;
  std::vector<unsigned char> block(size);
  if (!calls.GetFileVersionInfoW_(wide.c_str(), 0, size, block.data())) return;
  struct Translation {
    WORD language, codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!calls.VerQueryValueW_(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation))
    return;
  // "\StringFileInfo\<language><code page>\<name>", both in four hex digits.
  std::wstring prefix = L"\\StringFileInfo\\";
  for (const WORD part : {translations[0].language, translations[0].codePage})
    for (int shift = 12; shift >= 0; shift -= 4) prefix.push_back(L"0123456789abcdef"[(part >> shift) & 15]);
  prefix.push_back(L'\\');
  const auto read = [&](const wchar_t* name) {
    const std::wstring key = prefix + name;
    wchar_t* value = nullptr;
    UINT chars = 0;
    if (!calls.VerQueryValueW_(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || !value || chars == 0)
      return std::string();
    return Utf8(std::wstring_view(value, wcsnlen(value, chars)));
  };
  company = read(L"CompanyName");
  product = read(L"ProductName");
}

std::optional<std::string> Win32FileFacts::Variable(std::string_view name) {
  const std::wstring wide = Wide(name);
  std::wstring value(256, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < value.size()) return Utf8(std::wstring_view(value.data(), n));
    value.assign(n, L'\0');
  }
  return std::nullopt;
}

std::vector<std::string> Win32FileFacts::SearchFolders() {
  // As CreateProcess searches for a program Explorer starts: Explorer's own
  // folder (the Windows folder), its current folder (the system folder),
  // the system folder, the 16-bit system folder, the Windows folder, PATH.
  std::vector<std::string> folders;
  wchar_t folder[MAX_PATH];
  std::string windows, system;
  if (const UINT n = GetWindowsDirectoryW(folder, MAX_PATH); n > 0 && n < MAX_PATH)
    windows = Utf8(std::wstring_view(folder, n));
  if (const UINT n = GetSystemDirectoryW(folder, MAX_PATH); n > 0 && n < MAX_PATH)
    system = Utf8(std::wstring_view(folder, n));
  if (!windows.empty()) folders.push_back(windows);
  if (!system.empty()) folders.push_back(system);
  if (!windows.empty()) folders.push_back(windows + "\\System");
  if (const auto path = Variable("PATH")) {
    size_t from = 0;
    while (from <= path->size()) {
      size_t end = path->find(';', from);
      if (end == std::string::npos) end = path->size();
      std::string part = path->substr(from, end - from);
      if (part.size() >= 2 && part.front() == '"' && part.back() == '"') part = part.substr(1, part.size() - 2);
      if (!part.empty()) folders.push_back(std::move(part));
      from = end + 1;
    }
  }
  return folders;
}

}  // namespace hollin
