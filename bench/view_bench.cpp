// The Current view filled with 5,000 rows: the real main and status windows
// over a registry store that holds the class root of class_root.h, in a fresh
// temporary folder (the first check records the base there). Times the
// switch to the Current view (optView1.Value(true): the list is filled and,
// in the Windows build, mirrored onto the real list view) and back to the
// changes view. The Windows build runs on real windows (under Wine); the
// native build on the headless backend.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "bench_util.h"
#include "class_root.h"
#include "support/registry_store.h"
#include "ui/frm_main.h"
#ifdef _WIN32
#include "ui/win32_backend.h"
#else
#include "ui/headless_backend.h"
#endif

namespace hollin::bench {
namespace {

struct FakePlatform : IPlatform {
  bool AnotherInstanceRunning() override { return false; }
  bool TakeTurn(const std::string&, unsigned) override { return true; }  // one process only
  void GiveTurn(const std::string&) override {}
  std::string ProgramFolder() override { return "."; }
  void ChangeCurrentFolder(const std::string&) override {}
  void SetMousePointer(MousePointer) override {}
  std::string CommandLine() override { return "C:\\Hollin\\hollin.exe"; }
  void Beep() override {}
  void AssociationsChanged() override {}
  std::string ErrorText(long) override { return ""; }
  bool StartProcess(const std::string&, WindowStyle) override { return false; }
  bool OpenDocument(const std::string&) override { return false; }
  bool FileExists(const std::string&) override { return false; }
  std::string LocalAppDataFolder() override { return ""; }
  bool CanWriteFolder(const std::string&, bool) override { return true; }
  bool CanWriteFile(const std::string&) override { return true; }
  std::int64_t LastWriteTime(const std::string&) override { return 0; }
  ProgramIdentity Identity() override { return {}; }
  std::string LoadIndirectString(const std::string&) override { return ""; }
  bool AskWhatOpens(const std::string&, bool, std::string&, std::string&) override { return false; }
  int WindowsVersion() override { return 0; }
  bool OpenHtmlHelp(const std::string&, int) override { return false; }
  long OpenSettingsPage(const std::string&) override { return 1155; }
  void EndProcess() override {}
};

// A message box would stop the run: its text is shown, and it is answered No.
struct NoBox : IMessageBox {
  MbAnswer Show(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "message box: %s\n", request.text.c_str());
    return MbAnswer::No;
  }
};

class InTempFolder {
 public:
  InTempFolder() : old_(std::filesystem::current_path()) {
    const auto base = std::filesystem::temp_directory_path();
    std::mt19937 random(std::random_device{}());
    do dir_ = base / ("hollin-view-bench-" + std::to_string(random()));
    while (!std::filesystem::create_directory(dir_));
    std::filesystem::current_path(dir_);
  }
  ~InTempFolder() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }

 private:
  std::filesystem::path old_, dir_;
};

int Run(ui::Backend& backend, const std::function<void()>& pump, const char* label) {
  InTempFolder folder;
  RegistryStore reg;
  FillClassRoot(reg, HKEY_CLASSES_ROOT);
  Associations appState;
  FakePlatform platform;
  NoBox box;
  ui::FrmStatus frmStatus(backend);
  ui::FrmWarning frmWarning(backend, reg);
  ui::FrmMain frmMain(backend, appState, reg, platform, box, frmStatus, frmWarning);
  bool failed = false;
  ui::SetErrorHandler([&](const std::string& where, std::exception_ptr) {
    std::fprintf(stderr, "an error stopped %s\n", where.c_str());
    failed = true;
  });
  frmMain.Load();
  pump();
  int rows = 0;
  std::vector<double> toCurrent, back;
  for (int i = -1; i < 9; ++i) {  // the first round warms up
    const auto t0 = std::chrono::steady_clock::now();
    frmMain.optView1.Value(true);
    const auto t1 = std::chrono::steady_clock::now();
    rows = frmMain.lvwMain.Count();
    pump();
    const auto t2 = std::chrono::steady_clock::now();
    frmMain.optView0.Value(true);
    const auto t3 = std::chrono::steady_clock::now();
    pump();
    if (i < 0) continue;
    toCurrent.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    back.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
  }
  auto summary = [](std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return Timing{ms.front(), ms[ms.size() / 2]};
  };
  std::printf("%s: %d rows in the Current view\n", label, rows);
  const Timing current = summary(toCurrent);
  Report(std::string(label) + " to the Current view", current);
  Report(std::string(label) + " back to the changes view", summary(back));
  std::printf("%-40s %s (median; target < 100 ms)\n", (std::string(label) + " Current view").c_str(),
              current.medianMs < 100 ? "MET" : "MISSED");
  frmMain.flags.ChangesPending = false;
  frmMain.Unload();
  ui::SetErrorHandler(nullptr);
  return !failed && rows >= kExtensions ? 0 : 1;
}

}  // namespace
}  // namespace hollin::bench

int main() {
  using namespace hollin;
#ifdef _WIN32
  ui::Win32Backend backend(GetModuleHandleA(nullptr));
  return bench::Run(backend, [&] { backend.PumpWaiting(); }, "real windows");
#else
  ui::HeadlessBackend backend;
  return bench::Run(backend, [] {}, "headless");
#endif
}
