// A DLL planted beside the program under the name of a system DLL that is
// no KnownDLL: loaded, it leaves a mark file beside itself ("<its path>.loaded")
// and does nothing else. Its exports (the .def of each name) are stubs that
// fail, under the names the program once imported, so that a program that
// binds to it still starts.
#include <windows.h>

extern "C" __declspec(noinline) LONG_PTR PlantedStub() { return 0; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 16];
  const DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  lstrcatW(path, L".loaded");
  const HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return TRUE;
}
