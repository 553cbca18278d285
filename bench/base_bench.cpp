// Saving and loading a base of 10,000 associations with realistic commands,
// against the floor of writing and reading the same bytes with plain stdio
// and one flush to the disk. Target: within 1.5 times the floor.
//
// Run in a scratch folder: base_bench [folder]
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/base_store.h"
#include "base/data_file.h"
#include "bench_util.h"
#include "common/atomic_file.h"
#include "disk_flush.h"

namespace {

using namespace hollin;

constexpr int kEntries = 10000;

// Associations as a real machine has them: office, media and system types,
// most through a program ID, some with the command under the extension.
std::shared_ptr<AssocEntries> RealisticEntries(int variant) {
  static const char* const kPrograms[] = {
      "\"C:\\Program Files\\Microsoft Office\\Root\\Office16\\WINWORD.EXE\" /n \"%1\"",
      "\"C:\\Program Files\\Microsoft Office\\Root\\Office16\\EXCEL.EXE\" /dde",
      "%SystemRoot%\\system32\\NOTEPAD.EXE %1",
      "\"C:\\Program Files (x86)\\VideoLAN\\VLC\\vlc.exe\" --started-from-file \"%1\"",
      "\"%1\" %*",
      "C:\\Windows\\System32\\rundll32.exe \"C:\\Program Files\\Windows Photo Viewer\\PhotoViewer.dll\", ImageView_Fullscreen %1",
      "\"C:\\Program Files\\7-Zip\\7zFM.exe\" \"%1\"",
      "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\""};
  static const char* const kClasses[] = {"Word.Document.12", "Excel.Sheet.12", "txtfile",
                                         "VLC.mp4", "batfile", "PhotoViewer.FileAssoc.Tiff",
                                         "7-Zip.7z", "FirefoxHTML-308046B0AF4A39CB"};
  auto entries = std::make_shared<AssocEntries>();
  entries->Reserve(kEntries);
  for (int i = 0; i < kEntries; ++i) {
    auto e = std::make_shared<AssocEntry>();
    const int k = (i * 7 + variant) % 8;
    std::string ext(1, '.');
    ext.append(1, static_cast<char>('a' + i % 26)).append(std::to_string(i));
    e->Ext(ext);
    if (i % 9 == 4) {
      e->OpenCmdRegKey(ext.append("\\shell\\open\\command"));
    } else {
      std::string progId = kClasses[k];
      if (i % 3 == 0) progId.append(".").append(std::to_string(i % 50));
      e->ProgramID(progId);
      e->OpenCmdRegKey(progId.append("\\shell\\open\\command"));
    }
    e->ProgramFullPath(kPrograms[k]);
    entries->Add(e, e->Ext());
  }
  return entries;
}

// The component alone: the save and load orders of the base store, values
// taken into strings as a reader does.
void ComponentSave(DataFile& vsd, const AssocEntries& entries) {
  vsd.FileName("Prev");
  vsd.Open();
  const char* names[] = {"Ext", "Path", "Key", "ProgID"};
  for (int n = 1; n <= 4; ++n) vsd.FieldName(n, names[n - 1]);
  vsd.Updatable(true);
  vsd.KeepBackup(true);
  vsd.Clear();
  for (const auto& e : entries) {
    vsd.NewRecord();
    vsd.FieldValue("Ext", e->Ext());
    vsd.FieldValue("Path", e->ProgramFullPath());
    vsd.FieldValue("Key", e->OpenCmdRegKey());
    vsd.FieldValue("ProgID", e->ProgramID());
    vsd.StoreRecord();
  }
  vsd.Close();
}

size_t ComponentLoad(DataFile& vsd) {
  std::string v[4];
  size_t total = 0;
  vsd.FileName("Prev");
  vsd.Open();
  for (vsd.FirstRecord(); !vsd.EndOfRecords(); vsd.NextRecord()) {
    v[0] = vsd.FieldValue("Ext");
    v[1] = vsd.FieldValue("Path");
    v[2] = vsd.FieldValue("Key");
    v[3] = vsd.FieldValue("ProgID");
    total += v[0].size() + v[1].size() + v[2].size() + v[3].size();
  }
  vsd.Close();
  return total;
}

size_t StdioFloor(const std::string& bytes) {
  std::FILE* f = std::fopen("floor.bin", "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
      !bench::FlushToDisk(f) || std::fclose(f) != 0) {
    std::perror("floor write");
    std::exit(1);
  }
  f = std::fopen("floor.bin", "rb");
  std::string back(bytes.size(), '\0');
  const size_t n = std::fread(back.data(), 1, back.size(), f);
  std::fclose(f);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "hollin-bench";
  fs::create_directories(folder);
  fs::current_path(folder);
  for (const char* f : {"Prev.isd", "Prev.isd.bak"}) fs::remove(f);
  fs::remove_all("Prev.history");

  const std::shared_ptr<AssocEntries> bases[2] = {RealisticEntries(0), RealisticEntries(1)};
  DataFile vsd;
  BaseStore baseStore;
  Associations g;
  g.CurrentEntries = bases[0];
  LoadBase(g, baseStore);  // the first run makes the base file
  std::string bytes;
  ReadWholeFile("Prev.isd", bytes);
  std::printf("%d entries, base file %zu bytes\n", kEntries, bytes.size());

  constexpr int kReps = 31;
  int turn = 0;  // every save writes the other base, so no save repeats the last
  const auto [component, floor] = bench::MeasurePair(
      [&] {
        ComponentSave(vsd, *bases[++turn % 2]);
        if (ComponentLoad(vsd) == 0) std::exit(1);
      },
      [&] {
        if (StdioFloor(bytes) != bytes.size()) std::exit(1);
      },
      kReps);
  bench::Report("floor: stdio write + flush + read", floor);
  bench::Report("component save + load", component);
  bench::ReportRatio("component save + load", component, floor, 1.5);

  // The whole road: collections in and out, as the check cycle runs it.
  const auto [store, floor2] = bench::MeasurePair(
      [&] {
        g.CurrentEntries = bases[++turn % 2];
        SaveCurrentAsDefault(g, baseStore);
        LoadBase(g, baseStore);
      },
      [&] { StdioFloor(bytes); }, kReps);
  bench::Report("SaveCurrentAsDefault + LoadBase", store);
  bench::ReportRatio("SaveCurrentAsDefault + LoadBase", store, floor2, 1.5);
  if (g.BaseEntries->Count() != kEntries) return 1;
  for (const char* f : {"Prev.isd", "Prev.isd.bak", "floor.bin"}) fs::remove(f);
  fs::remove_all("Prev.history");
  return 0;
}
