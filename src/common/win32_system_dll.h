// The system's DLLs that are not KnownDLLs (version, wtsapi32, wintrust,
// crypt32, ...): Windows looks for such a DLL in the program's folder before
// the system folder, so a DLL of that name planted beside the program would
// run inside it. The program imports none of them; each is loaded from the
// system folder when first called, and every entry point first limits the
// process's DLL search to the system folder.
#pragma once

#include "common/windows_api.h"

namespace hollin {

// The process's DLL search limited to the system folder, for every later
// LoadLibrary (of the program and of the system's own DLLs). The first thing
// each entry point does.
void SearchSystemFolderOnly();

// The system DLL of that name ("version.dll"), from the system folder only;
// null where it cannot be loaded. Stays loaded.
HMODULE SystemLibrary(const wchar_t* name);

// A function of a system DLL, typed as its declaration in the SDK headers
// (SystemFunction<decltype(GetFileVersionInfoW)>(L"version.dll",
// "GetFileVersionInfoW")); null where the DLL or the function is missing.
template <typename F>
F* SystemFunction(const wchar_t* dll, const char* name) {
  const HMODULE module = SystemLibrary(dll);
  return module ? reinterpret_cast<F*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace hollin
