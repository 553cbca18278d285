// libFuzzer target for the registry store's file loader. Any bytes either are
// refused with RegFileError, leaving the store as it was, or load into a
// store whose text the writer can always write and which reads back to the
// same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "registry/reg_file.h"
#include "registry/registry_store.h"

namespace {

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "loader fault: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  hollin::RegistryStore store;
  store.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\before]\n@=\"x\"\n", "before.reg");
  const std::string before = store.ToText();
  try {
    store.LoadText(bytes, "fuzz.reg");
  } catch (const hollin::RegFileError& e) {
    Require(e.source() == "fuzz.reg", "an error that does not name the file");
    Require(store.ToText() == before, "a refused file changed the store");
    return 0;
  }
  std::string text;
  try {
    text = store.ToText();
  } catch (const hollin::RegFileError&) {
    Require(false, "the loader accepted what the writer cannot write");
  }
  hollin::RegistryStore again;
  again.LoadText(text, "written.reg");
  Require(again.ToText() == text, "the written text does not read back to itself");
  return 0;
}
