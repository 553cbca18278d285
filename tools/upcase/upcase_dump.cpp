// upcase_dump: prints the system's upper-case table, the one the registry
// compares key names with (ntdll's RtlUpcaseUnicodeChar), for every UTF-16
// unit, as ranges. make_case_table turns that text into the case tables of
// src/common (see the head of src/common/case_table.cpp).
//
//   upcase_dump              the table, one range a line:
//                              FIRST LAST STEP DELTA   (hexadecimal)
//                            every STEP-th unit u from FIRST to LAST upcases
//                            to u + DELTA (modulo 0x10000); units not listed
//                            upcase to themselves
//   upcase_dump --registry   checks the table against the registry itself:
//                            for every unit that upcases to another, and for
//                            a few letters that other case mappings fold,
//                            creates a key with one spelling and then with
//                            the other under HKCU\Software\HollinUpcaseCheck
//                            and sees whether the second create opened the
//                            first key. Prints each disagreement; exit code 1
//                            if there is any.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using CaseFn = WCHAR(WINAPI*)(WCHAR);

CaseFn Ntdll(const char* name) {
  return reinterpret_cast<CaseFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// Where the table came from: Wine and its version under Wine, else the
// system's version.
void PrintOrigin() {
  using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  using WineVersionFn = const char*(CDECL*)();
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (auto wine = reinterpret_cast<WineVersionFn>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))) {
    std::printf("# RtlUpcaseUnicodeChar of Wine %s\n", wine());
    return;
  }
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (auto get = reinterpret_cast<GetVersionFn>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion"))))
    get(&v);
  std::printf("# RtlUpcaseUnicodeChar of Windows %lu.%lu.%lu\n", v.dwMajorVersion, v.dwMinorVersion,
              v.dwBuildNumber);
}

int Dump(CaseFn upcase) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in a line feed alone
  PrintOrigin();
  std::printf("# FIRST LAST STEP DELTA\n");
  std::vector<int> delta(0x10000);
  for (unsigned u = 0; u < 0x10000; ++u) delta[u] = (upcase(static_cast<WCHAR>(u)) - u) & 0xFFFF;
  // From each unit that changes, the longer of the run of neighbours and the
  // run of every other unit (with the units between unchanged) that change by
  // the same delta.
  for (unsigned u = 0; u < 0x10000;) {
    const int d = delta[u];
    if (d == 0) {
      ++u;
      continue;
    }
    unsigned byOne = u, byTwo = u;
    while (byOne + 1 < 0x10000 && delta[byOne + 1] == d) ++byOne;
    while (byTwo + 2 < 0x10000 && delta[byTwo + 2] == d && delta[byTwo + 1] == 0) byTwo += 2;
    const unsigned last = byTwo > byOne ? byTwo : byOne;
    std::printf("%04X %04X %u %04X\n", u, last, byTwo > byOne ? 2u : 1u, static_cast<unsigned>(d));
    u = last + 1;
  }
  return 0;
}

// Whether creating b after a opens the key a made.
bool SameKey(HKEY parent, const std::wstring& a, const std::wstring& b) {
  HKEY k = nullptr;
  DWORD disposition = 0;
  RegCreateKeyExW(parent, a.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  RegCloseKey(k);
  RegCreateKeyExW(parent, b.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &disposition);
  RegCloseKey(k);
  RegDeleteKeyW(parent, a.c_str());
  RegDeleteKeyW(parent, b.c_str());
  return disposition == REG_OPENED_EXISTING_KEY;
}

int CheckRegistry(CaseFn upcase) {
  const wchar_t* path = L"Software\\HollinUpcaseCheck";
  RegDeleteTreeW(HKEY_CURRENT_USER, path);
  HKEY parent = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent,
                      nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create HKCU\\%ls\n", path);
    return 2;
  }
  std::vector<std::pair<WCHAR, WCHAR>> pairs;
  for (unsigned u = 1; u < 0x10000; ++u)
    if (upcase(static_cast<WCHAR>(u)) != u) pairs.push_back({WCHAR(u), upcase(WCHAR(u))});
  // Letters that Unicode's other case mappings (full or simple folding,
  // special casing) pair with a letter the table may keep apart.
  const std::pair<WCHAR, WCHAR> others[] = {
      {0x130, 'i'},     {0x130, 'I'},    {0x131, 'i'},   {0x131, 'I'},     {0x17F, 's'},
      {0x17F, 'S'},     {0x212A, 'k'},   {0x212A, 'K'},  {0x212B, 0xE5},   {0x212B, 0xC5},
      {0xB5, 0x3BC},    {0xB5, 0x39C},   {0x1E9E, 0xDF}, {0x3C2, 0x3C3},   {0x3C2, 0x3A3},
      {0x1C5, 0x1C4},   {0x1C5, 0x1C6},  {0x345, 0x3B9}, {0x1FBE, 0x3B9},  {0x3D0, 0x3B2},
      {0x1E9B, 0x1E61}, {0x2126, 0x3C9}, {0xFF, 0x178},  {0x10D0, 0x1C90}, {0x13A0, 0xAB70}};
  pairs.insert(pairs.end(), std::begin(others), std::end(others));
  int disagreements = 0, same = 0;
  for (const auto& [a, b] : pairs) {
    const std::wstring x = std::wstring(L"k") + a, y = std::wstring(L"k") + b;
    const bool expected = upcase(a) == upcase(b);
    const bool actual = SameKey(parent, x, y);
    same += actual;
    if (actual != expected) {
      ++disagreements;
      std::printf("U+%04X U+%04X: the table says %s, the registry %s\n", a, b,
                  expected ? "same" : "apart", actual ? "same" : "apart");
    }
  }
  RegCloseKey(parent);
  RegDeleteTreeW(HKEY_CURRENT_USER, path);
  RegDeleteKeyW(HKEY_CURRENT_USER, path);
  std::printf("%zu pairs checked, %d the same key, %d disagreements\n", pairs.size(), same,
              disagreements);
  return disagreements ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const CaseFn upcase = Ntdll("RtlUpcaseUnicodeChar");
  if (!upcase) {
    std::fprintf(stderr, "no RtlUpcaseUnicodeChar in ntdll\n");
    return 2;
  }
  if (argc == 2 && std::string(argv[1]) == "--registry") return CheckRegistry(upcase);
  if (argc != 1) {
    std::fprintf(stderr, "usage: upcase_dump [--registry]\n");
    return 2;
  }
  return Dump(upcase);
}
