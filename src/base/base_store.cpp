#include "base/base_store.h"

#include <ctime>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "common/text.h"

namespace hollin {
namespace {

constexpr std::string_view kFieldExt = "Ext";
constexpr std::string_view kFieldPath = "Path";
constexpr std::string_view kFieldKey = "Key";
constexpr std::string_view kFieldProgID = "ProgID";

// A table that MakeNewDB made and no save has named and filled yet.
bool NeverFilled(const VsData& vsd) {
  for (int n = 1; n <= 4; ++n)
    if (!vsd.FieldName(n).empty()) return false;
  return true;
}

bool HasBaseFields(const VsData& vsd) {
  return vsd.Layout() == kBaseLayout && vsd.FieldName(1) == kFieldExt &&
         vsd.FieldName(2) == kFieldPath && vsd.FieldName(3) == kFieldKey &&
         vsd.FieldName(4) == kFieldProgID;
}

[[noreturn]] void ThrowDamaged(const VsData& vsd, const std::string& detail) {
  std::error_code ec;
  const auto full = std::filesystem::absolute(vsd.FilePath(), ec);
  throw BaseFileError(BaseFileProblem::Damaged, ec ? vsd.FilePath() : full.string(),
                      "is damaged: " + detail);
}

[[noreturn]] void ThrowTwoRecords(const VsData& vsd, std::string_view ext) {
  ThrowDamaged(vsd, "it holds two records for the file type \"" + std::string(ext) + "\".");
}

[[noreturn]] void ThrowNoType(const VsData& vsd) {
  ThrowDamaged(vsd, "it holds a record without a file type.");
}

// Reads every record of an open base as a load would, raising the load's
// error for a base that cannot be loaded.
void RequireLoadable(VsData& vsd) {
  std::unordered_set<std::string> types;
  for (vsd.FirstRecord(); !vsd.EndOfRecords(); vsd.NextRecord()) {
    const std::string_view ext = vsd.FieldValue(kFieldExt);
    if (ext.empty()) ThrowNoType(vsd);
    if (!types.insert(FoldCase(ext)).second) ThrowTwoRecords(vsd, ext);
  }
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm parts = *std::localtime(&now);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
  return text;
}

}  // namespace

void GetAllPrevious(Associations& g, VsData& vsdMain, IStatusSink& status,
                    bool& NewDBCreated) {
  vsdMain.FileName(kBaseFileName);
  vsdMain.Open();
  if (vsdMain.Status() == VsData::kStatusNoSuchFile) {
    MakeNewDB(g, vsdMain, status, NewDBCreated);
    vsdMain.Open();
  } else if (vsdMain.Layout() == kBaseLayout && NeverFilled(vsdMain)) {
    NewDBCreated = true;
    SaveCurrentAsDefault(g, vsdMain, status);
    vsdMain.FileName(kBaseFileName);
    vsdMain.Open();
  }
  if (!HasBaseFields(vsdMain))
    ThrowDamaged(vsdMain, "its table does not have the fields Ext, Path, Key and ProgID.");
  status.ShowLed(Led::Yellow);
  if (!g.RestoreConfirmed) status.ShowText("Reading BASE entries...");

  vsdMain.FirstRecord();
  auto entries = std::make_shared<cRegEntries>();
  while (!vsdMain.EndOfRecords()) {
    auto entry = std::make_shared<cRegEntry>();
    g.BaseEntry = entry;
    entry->Ext(std::string(vsdMain.FieldValue(kFieldExt)));
    entry->ProgramFullPath(std::string(vsdMain.FieldValue(kFieldPath)));
    entry->OpenCmdRegKey(std::string(vsdMain.FieldValue(kFieldKey)));
    entry->ProgramID(std::string(vsdMain.FieldValue(kFieldProgID)));
    if (entry->Ext().empty()) ThrowNoType(vsdMain);
    try {
      entries->Add(entry, entry->Ext());
    } catch (const CollectionError& e) {
      if (e.code() != CollectionError::kDuplicateKey) throw;
      ThrowTwoRecords(vsdMain, entry->Ext());
    }
    vsdMain.NextRecord();
  }
  vsdMain.Close();
  g.BaseEntries = std::move(entries);
}

void SaveCurrentAsDefault(Associations& g, VsData& vsdMain, IStatusSink& status) {
  status.ShowText("Building new BASE record from CURRENT entries...");
  status.RepaintNow();
  vsdMain.FileName(kBaseFileName);
  vsdMain.Open();
  if (vsdMain.Status() != VsData::kStatusNoSuchFile &&
      (vsdMain.Layout() != kBaseLayout || !(NeverFilled(vsdMain) || HasBaseFields(vsdMain))))
    ThrowDamaged(vsdMain, "its table does not have the fields Ext, Path, Key and ProgID.");
  // A base that a load would refuse is not saved over either: only setting
  // it aside replaces it.
  if (vsdMain.Status() != VsData::kStatusNoSuchFile && HasBaseFields(vsdMain))
    RequireLoadable(vsdMain);
  vsdMain.FieldName(1, std::string(kFieldExt));
  vsdMain.FieldName(2, std::string(kFieldPath));
  vsdMain.FieldName(3, std::string(kFieldKey));
  vsdMain.FieldName(4, std::string(kFieldProgID));
  vsdMain.Updatable(true);
  vsdMain.KeepBackup(true);
  vsdMain.Clear();
  for (const auto& entry : *g.CurrentEntries) {
    g.CurrentEntry = entry;
    vsdMain.NewRecord();
    vsdMain.FieldValue(kFieldExt, entry->Ext());
    vsdMain.FieldValue(kFieldPath, entry->ProgramFullPath());
    vsdMain.FieldValue(kFieldKey, entry->OpenCmdRegKey());
    vsdMain.FieldValue(kFieldProgID, entry->ProgramID());
    vsdMain.StoreRecord();
  }
  vsdMain.Close();
}

void MakeNewDB(Associations& g, VsData& vsdMain, IStatusSink& status,
               bool& NewDBCreated) {
  vsdMain.FileName(kBaseFileName);
  vsdMain.Create();
  vsdMain.Layout(kBaseLayout);
  vsdMain.MakeTable();
  vsdMain.Close();
  NewDBCreated = true;
  SaveCurrentAsDefault(g, vsdMain, status);
}

std::string SetAsideAndMakeNewDB(Associations& g, VsData& vsdMain, IStatusSink& status,
                                 bool& NewDBCreated) {
  namespace fs = std::filesystem;
  vsdMain.FileName(kBaseFileName);
  const fs::path current = vsdMain.FilePath();
  const std::string stem = std::string(kBaseFileName) + ".damaged-" + Timestamp();
  std::error_code ec;
  fs::path aside;
  for (int n = 1;; ++n) {
    std::string leaf = stem;
    if (n > 1) leaf.append("-").append(std::to_string(n));
    leaf.append(VsData::kExtension);
    aside = current.parent_path() / leaf;
    if (!fs::exists(fs::symlink_status(aside, ec))) break;
  }
  fs::rename(current, aside, ec);
  if (ec) {
    std::error_code ignored;
    const auto full = fs::absolute(current, ignored);
    throw BaseFileError(BaseFileProblem::Unwritable, ignored ? current.string() : full.string(),
                        "cannot be set aside as \"" + aside.filename().string() +
                            "\" (" + ec.message() + "); nothing was changed.");
  }
  MakeNewDB(g, vsdMain, status, NewDBCreated);
  return aside.filename().string();
}

}  // namespace hollin
