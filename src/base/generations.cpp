#include "base/generations.h"

#include <algorithm>
#include <cstdio>
#include <map>
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

constexpr std::uint32_t kLastSerial = 99999999;

struct Named {
  std::uint32_t serial;
  std::int64_t recorded;  // the name's time, or the file's last write where earlier
  std::string name;
};

// Older first: by the time recorded, then by serial.
bool Older(const Named& a, const Named& b) {
  if (a.recorded != b.recorded) return a.recorded < b.recorded;
  return a.serial != b.serial ? a.serial < b.serial : a.name < b.name;
}

// The files of generations' names in folder, oldest first.
std::vector<Named> NamedIn(const std::string& folder) {
  std::vector<Named> out;
  for (const std::string& name : FileNamesIn(folder)) {
    Named n{0, 0, name};
    if (!ParseName(name, n.serial, n.recorded)) continue;
    std::int64_t written = 0;
    if (LastWriteSeconds(JoinPath(folder, name), written) && written < n.recorded) n.recorded = written;
    out.push_back(std::move(n));
  }
  std::sort(out.begin(), out.end(), Older);
  return out;
}

// The records of the base file at path, as a load reads them; throws the
// load's BaseFileError. False for a table that no save has filled.
bool LoadFile(const std::string& path, std::shared_ptr<AssocEntries>& entries) {
  Associations g;
  g.BaseFile = path;
  g.BaseExtension.clear();
  BaseStore file;
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

namespace {

// Each file of a generation's name read as a load reads a base: entries set
// where it loads, problem where it does not.
struct Read {
  Named named;
  std::shared_ptr<AssocEntries> entries;
  std::optional<BaseFileError> problem;
  bool foreign = false;
};

std::vector<Read> ReadAll(const std::string& folder) {
  std::vector<Read> all;
  for (Named& n : NamedIn(folder)) {
    Read r{std::move(n), nullptr, std::nullopt};
    const std::string path = JoinPath(folder, r.named.name);
    try {
      if (!LoadFile(path, r.entries)) r.problem = BaseFileError(BaseFileReason::GenerationHoldsNoBase, path);
    } catch (const BaseFileError& e) {
      r.problem = e;
      r.entries = nullptr;
    }
    all.push_back(std::move(r));
  }
  // A file that fails to load is one Hollin kept (and that was damaged since)
  // where its serial continues the run of serials that load, and its time
  // fits between its neighbours' in that run; any other is foreign. With
  // none that loads, there is no run to go by.
  std::map<std::uint32_t, std::int64_t> run;  // serial, time recorded
  for (const Read& r : all)
    if (!r.problem) run.emplace(r.named.serial, r.named.recorded);
  if (run.empty()) return all;
  const auto continues = [&run](const Named& n) {
    const auto below = n.serial > 0 ? run.find(n.serial - 1) : run.end();
    const auto above = run.find(n.serial + 1);
    if (below == run.end() && above == run.end()) return false;
    return (below == run.end() || below->second <= n.recorded) && (above == run.end() || n.recorded <= above->second);
  };
  for (bool grew = true; grew;) {
    grew = false;
    for (const Read& r : all)
      if (r.problem && !run.count(r.named.serial) && continues(r.named)) {
        run.emplace(r.named.serial, r.named.recorded);
        grew = true;
      }
  }
  for (Read& r : all) r.foreign = r.problem && !run.count(r.named.serial);
  return all;
}

// Gives the file from the name to, never over another file: a second name
// first, then the first one dropped, so that at every moment the file has
// a name.
bool MoveAside(const std::string& from, const std::string& to) {
  if (NameTaken(to)) return false;
  if (!MakeHardLink(from, to)) {
    RemoveFile(from);
    return true;
  }
  // A file system without hard links: a rename, the name just seen free.
  return !NameTaken(to) && !RenameReplacing(from, to);
}

// Renames the generations (oldest first) to the serials 1, 2, ... and the
// times they were recorded at, where their names say otherwise. A name that
// is taken stays as it was: the order is the times', whatever the names.
void Renumber(const std::string& folder, std::vector<Read>& numbered) {
  for (size_t i = 0; i < numbered.size(); ++i) {
    Named& n = numbered[i].named;
    const std::string name = GenerationName(static_cast<std::uint32_t>(i + 1), n.recorded);
    if (name == n.name) continue;
    if (MoveAside(JoinPath(folder, n.name), JoinPath(folder, name))) {
      n.name = name;
      n.serial = static_cast<std::uint32_t>(i + 1);
    }
  }
}

}  // namespace

std::vector<Generation> ReadGenerations(const std::string& folder, std::vector<Generation>* foreign) {
  std::vector<Read> all = ReadAll(folder);
  std::vector<Generation> out;
  int number = 0;
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    Generation gen;
    gen.path = JoinPath(folder, it->named.name);
    gen.recorded = it->named.recorded;
    gen.entries = std::move(it->entries);
    gen.problem = std::move(it->problem);
    if (it->foreign) {
      if (foreign) foreign->push_back(std::move(gen));
      continue;
    }
    gen.number = ++number;
    out.push_back(std::move(gen));
  }
  return out;
}

std::optional<BaseFileError> KeepGeneration(const std::string& folder, const std::string& held,
                                            std::int64_t recorded) {
  if (const std::error_code ec = MakeFolder(folder))
    return BaseFileError(BaseFileReason::HistoryFolderNotMade, AbsolutePath(folder), BaseFileFacts().Cause(ec.message()));
  std::vector<Read> numbered;
  std::vector<std::uint32_t> taken;  // every serial present, foreign files' too
  for (Read& r : ReadAll(folder)) {
    taken.push_back(r.named.serial);
    if (!r.foreign) numbered.push_back(std::move(r));
  }
  std::uint32_t highest = 0;
  bool inOrder = true;
  for (size_t i = 0; i < numbered.size(); ++i) {
    highest = std::max(highest, numbered[i].named.serial);
    if (i > 0 && numbered[i].named.serial <= numbered[i - 1].named.serial) inOrder = false;
  }
  // The new one is the newest: where its serial would pass the digits, or
  // the serials are not in the order of the times, the generations are
  // numbered anew from their times first.
  const auto unused = [&taken](std::uint32_t serial) {
    return std::find(taken.begin(), taken.end(), serial) == taken.end();
  };
  std::uint32_t serial = highest + 1;
  while (serial <= kLastSerial && !unused(serial)) ++serial;
  if (serial > kLastSerial || !inOrder) {
    Renumber(folder, numbered);
    taken.clear();
    for (const std::string& name : FileNamesIn(folder)) {
      std::uint32_t s = 0;
      std::int64_t t = 0;
      if (ParseName(name, s, t)) taken.push_back(s);
    }
    highest = 0;
    for (const Read& r : numbered) highest = std::max(highest, r.named.serial);
    serial = highest + 1;
    while (serial <= kLastSerial && !unused(serial)) ++serial;
    if (serial > kLastSerial) return BaseFileError(BaseFileReason::NoSerialLeft, AbsolutePath(folder));
  }
  std::string path;
  std::error_code ec;
  for (int attempt = 0; attempt < 100 && serial <= kLastSerial; ++attempt, ++serial) {
    if (!unused(serial)) continue;
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
  if (path.empty()) return BaseFileError(BaseFileReason::NoSerialLeft, AbsolutePath(folder));
  if (ec) return BaseFileError(BaseFileReason::GenerationNotWritten, AbsolutePath(path), BaseFileFacts().Cause(ec.message()));
  // Whole and sound, as a load will read it, or not kept at all.
  try {
    std::shared_ptr<AssocEntries> entries;
    if (!LoadFile(path, entries)) throw BaseFileError(BaseFileReason::HoldsNoBase, AbsolutePath(path));
  } catch (const BaseFileError& e) {
    RemoveFile(path);
    return e;
  }
  // The oldest beyond the newest kGenerationsKept go; foreign files stay.
  Named kept{serial, recorded, FileNameOf(path)};
  std::vector<Named> order;
  for (const Read& r : numbered) order.push_back(r.named);
  order.push_back(kept);
  std::sort(order.begin(), order.end(), Older);
  for (size_t i = 0; i + kGenerationsKept < order.size(); ++i) RemoveFile(JoinPath(folder, order[i].name));
  return std::nullopt;
}

}  // namespace hollin
