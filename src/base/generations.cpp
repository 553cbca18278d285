#include "base/generations.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "base/base_store.h"
#include "base/data_file.h"
#include "common/atomic_file.h"
#include "common/file_system.h"

namespace hollin {
namespace {

constexpr std::string_view kFolderSuffix = ".history";
// "00000012-20261208T101400Z.isd"
constexpr size_t kSerialDigits = 8;
constexpr size_t kNameLength = kSerialDigits + 1 + 16 + DataFile::kExtension.size();

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back (H. Hinnant's algorithms): no time zone, no C library in between.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

bool Digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::int64_t Number(std::string_view s) {
  std::int64_t n = 0;
  for (char c : s) n = n * 10 + (c - '0');
  return n;
}

// The serial and time a generation's name tells; false for any other name.
bool ParseName(const std::string& name, std::uint32_t& serial, std::int64_t& recorded) {
  const std::string_view n = name;
  if (n.size() != kNameLength || n[kSerialDigits] != '-' || n[kSerialDigits + 9] != 'T' ||
      n[kSerialDigits + 16] != 'Z' || n.substr(kSerialDigits + 17) != DataFile::kExtension)
    return false;
  const std::string_view s = n.substr(0, kSerialDigits), date = n.substr(kSerialDigits + 1, 8),
                         time = n.substr(kSerialDigits + 10, 6);
  if (!Digits(s) || !Digits(date) || !Digits(time)) return false;
  serial = static_cast<std::uint32_t>(Number(s));
  const std::int64_t ymd = Number(date), hms = Number(time);
  recorded = DaysFromCivil(ymd / 10000, static_cast<unsigned>(ymd / 100 % 100), static_cast<unsigned>(ymd % 100)) *
                 86400 +
             hms / 10000 * 3600 + hms / 100 % 100 * 60 + hms % 100;
  return true;
}

struct Named {
  std::uint32_t serial;
  std::int64_t recorded;
  std::string name;
};

// The generations' files in folder, oldest first.
std::vector<Named> NamedIn(const std::string& folder) {
  std::vector<Named> out;
  for (const std::string& name : FileNamesIn(folder)) {
    Named n{0, 0, name};
    if (ParseName(name, n.serial, n.recorded)) out.push_back(std::move(n));
  }
  std::sort(out.begin(), out.end(), [](const Named& a, const Named& b) {
    return a.serial != b.serial ? a.serial < b.serial : a.name < b.name;
  });
  return out;
}

// The records of the base file at path, as a load reads them; throws the
// load's BaseFileError. False for a table that no save has filled.
bool LoadFile(const std::string& path, std::shared_ptr<AssocEntries>& entries) {
  Associations g;
  g.BaseFile = path;
  g.BaseExtension.clear();
  DataFile file;
  if (!LoadRecordedBase(g, file)) return false;
  entries = g.BaseEntries;
  return true;
}

}  // namespace

std::string GenerationsFolder(const std::string& baseFile) { return baseFile + std::string(kFolderSuffix); }

std::string GenerationName(std::uint32_t serial, std::int64_t recorded) {
  std::int64_t y = 1970;
  unsigned m = 1, d = 1;
  const std::int64_t days = recorded >= 0 ? recorded / 86400 : 0, secs = recorded >= 0 ? recorded % 86400 : 0;
  CivilFromDays(days, y, m, d);
  char name[48];
  std::snprintf(name, sizeof name, "%08u-%04lld%02u%02uT%02lld%02lld%02lldZ", static_cast<unsigned>(serial % 100000000u),
                static_cast<long long>(y % 10000), m, d, static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  return name + std::string(DataFile::kExtension);
}

std::vector<Generation> ReadGenerations(const std::string& folder) {
  std::vector<Named> named = NamedIn(folder);
  std::vector<Generation> out;
  int number = 0;
  for (auto it = named.rbegin(); it != named.rend(); ++it) {
    Generation gen;
    gen.number = ++number;
    gen.path = JoinPath(folder, it->name);
    gen.recorded = it->recorded;
    try {
      if (!LoadFile(gen.path, gen.entries)) gen.problem = "The file \"" + gen.path + "\" holds no base.";
    } catch (const BaseFileError& e) {
      gen.problem = e.what();
      gen.entries = nullptr;
    }
    out.push_back(std::move(gen));
  }
  return out;
}

std::string KeepGeneration(const std::string& folder, const std::string& held, std::int64_t recorded) {
  if (const std::error_code ec = MakeFolder(folder))
    return "the folder \"" + AbsolutePath(folder) + "\" cannot be made (" + ec.message() + ")";
  std::vector<Named> named = NamedIn(folder);
  std::uint32_t serial = named.empty() ? 1 : named.back().serial + 1;
  std::string path;
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt, ++serial) {
    path = JoinPath(folder, GenerationName(serial, recorded));
    // A second name for the held file keeps its bytes without a copy; where
    // the file system has none, a flushed copy under a temporary name is
    // moved into place.
    ec = MakeHardLink(held, path);
    if (ec && !NameTaken(path)) {
      const std::string tmp = TemporaryNameFor(path, detail::CurrentProcessId(), detail::NextTemporarySerial());
      ec = CopyFileReplacing(held, tmp);
      if (!ec) ec = FlushFileToDisk(tmp);
      if (!ec && !NameTaken(path)) ec = RenameReplacing(tmp, path);
      else if (!ec) ec = std::make_error_code(std::errc::file_exists);
      if (ec) RemoveFile(tmp);
    }
    if (!ec || !NameTaken(path)) break;
  }
  if (ec) return "it cannot be written to \"" + AbsolutePath(path) + "\" (" + ec.message() + ")";
  // Whole and sound, as a load will read it, or not kept at all.
  try {
    std::shared_ptr<AssocEntries> entries;
    if (!LoadFile(path, entries)) throw BaseFileError(BaseFileProblem::Damaged, AbsolutePath(path), "holds no base.");
  } catch (const BaseFileError& e) {
    RemoveFile(path);
    return e.what();
  }
  named = NamedIn(folder);
  for (size_t i = 0; i + kGenerationsKept < named.size(); ++i) RemoveFile(JoinPath(folder, named[i].name));
  return std::string();
}

}  // namespace hollin
