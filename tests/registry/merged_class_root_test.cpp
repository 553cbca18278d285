// The class root as Windows merges it, over the stand-in's two classes
// layers: what a read sees, and where a write through the root lands.
#include <gtest/gtest.h>

#include "registry/layers.h"
#include "registry/merged_class_root.h"
#include "support/registry_store.h"

namespace hollin {
namespace {

std::string Names(IRegistry& reg) {
  std::string out;
  char name[64];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (reg.RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return out;
    out += std::string(name, size) + " ";
  }
}

TEST(MergedClassRoot, ReadsMergeAndWritesLandWhereWindowsPutsThem) {
  RegistryStore store;
  store.LoadText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\n@=\"txtfile\"\n\"Content Type\"=\"text/plain\"\n"
      "[HKEY_CURRENT_USER\\Software\\Classes\\.TXT\\OpenWithProgids]\n\"Grab.Doc\"=\"\"\n"
      "[HKEY_CURRENT_USER\\Software\\Classes\\.usr]\n@=\"ufile\"\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.usr]\n"
      "@=\"mfile\"\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.mach]\n@=\"m\"\n",
      "layers");
  MergedClassRoot root(store);
  DWORD type;
  // Value by value: the user classes' where they have it.
  EXPECT_EQ(ReadValue(root, HKEY_CLASSES_ROOT, ".txt", "", type), "txtfile");
  EXPECT_EQ(ReadValue(root, HKEY_CLASSES_ROOT, ".txt", "Content Type", type), "text/plain");
  EXPECT_EQ(ReadValue(root, HKEY_CLASSES_ROOT, ".usr", "", type), "ufile");
  EXPECT_EQ(Names(root), ".mach .TXT .usr ");  // each once, in the registry's order

  // A value through the root goes to the user classes where the key is
  // there (a per-user setting nobody asked for), else the machine's; a new
  // key goes to the machine classes; a refusal is never made good elsewhere.
  auto set = [&](const char* path, const char* text) {
    HKEY key = nullptr;
    LONG r = root.RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return r;
    r = root.RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 2);
    root.RegCloseKey(key);
    return r;
  };
  EXPECT_EQ(set(".txt", "a"), ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(store, HKEY_CURRENT_USER, "Software\\Classes\\.txt", "", type), "a");
  EXPECT_EQ(ReadValue(store, HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", "", type), "txtfile");
  EXPECT_EQ(set(".mach", "b"), ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(store, HKEY_LOCAL_MACHINE, "Software\\Classes\\.mach", "", type), "b");
  EXPECT_EQ(set(".new\\shell", "c"), ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(store, HKEY_LOCAL_MACHINE, "Software\\Classes\\.new\\shell", "", type), "c");
  store.DenyAccess(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mach", KEY_SET_VALUE);
  const std::string before = store.ToText();
  EXPECT_EQ(set(".mach", "d"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(store.ToText(), before);
}

}  // namespace
}  // namespace hollin
