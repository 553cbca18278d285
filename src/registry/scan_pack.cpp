#include "registry/scan_pack.h"

#include <cstdint>
#include <memory>

namespace hollin {
namespace {

constexpr std::string_view kMagic{"HollinScan\x01", 11};
constexpr size_t kTrailer = 16;  // the length before it and the checksum, 8 bytes each

// FNV-1a, 64 bits: enough to tell bytes changed or lost on the way.
std::uint64_t Checksum(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ULL;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h;
}

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  void Number(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void U32(std::uint32_t v) { Number(v, 4); }
  void Byte(unsigned v) { out_.push_back(static_cast<char>(v)); }
  void Text(const std::string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    out_ += s;
  }

 private:
  std::string& out_;
};

// Reads what Writer wrote; every read fails (and all later ones) once the
// bytes run out.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  bool ok() const { return ok_; }
  size_t left() const { return in_.size() - at_; }
  std::uint64_t Number(int bytes) {
    if (!Take(static_cast<size_t>(bytes))) return 0;
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t{static_cast<unsigned char>(in_[at_ - bytes + i])} << (8 * i);
    return v;
  }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
  // A byte of at most most; a larger one fails the read.
  unsigned Byte(unsigned most) {
    const unsigned v = static_cast<unsigned>(Number(1));
    if (v > most) ok_ = false;
    return v;
  }
  std::string Text() {
    const size_t n = U32();
    if (!Take(n)) return std::string();
    return std::string(in_.substr(at_ - n, n));
  }

 private:
  bool Take(size_t n) {
    if (!ok_ || n > left()) return ok_ = false;
    at_ += n;
    return true;
  }
  std::string_view in_;
  size_t at_ = 0;
  bool ok_ = true;
};

constexpr unsigned kLayered = 1, kVerbsRead = 2, kIgnoredRead = 4, kUnreadable = 8, kFlags = 15;

void PackEntry(Writer& w, const AssocEntry& e) {
  for (const std::string* s :
       {&e.Ext(), &e.ProgramFullPath(), &e.OpenCmdRegKey(), &e.ProgramID(), &e.MachineProgID(), &e.UserProgID(),
        &e.ChoiceProgID(), &e.IgnoredChoice(), &e.OpenerCommand(), &e.OpenerName(), &e.Verb(), &e.VerbCommand(),
        &e.Handler(), &e.UnreadablePath()})
    w.Text(*s);
  for (int slot = 0; slot < AssocEntry::kTypeSlots; ++slot)
    w.U32(e.ValueType(static_cast<AssocEntry::TypeSlot>(slot)));
  w.Byte((e.Layered() ? kLayered : 0) | (e.VerbsRead() ? kVerbsRead : 0) | (e.IgnoredRead() ? kIgnoredRead : 0) |
         (e.Unreadable() ? kUnreadable : 0));
  w.Byte(static_cast<unsigned>(e.ChoiceAt()));
  w.Byte(static_cast<unsigned>(e.VerbAt()));
  w.Byte(static_cast<unsigned>(e.UnreadableAt()));
}

std::shared_ptr<AssocEntry> UnpackEntry(Reader& r) {
  auto e = std::make_shared<AssocEntry>();
  e->Ext(r.Text());
  e->ProgramFullPath(r.Text());
  e->OpenCmdRegKey(r.Text());
  e->ProgramID(r.Text());
  e->MachineProgID(r.Text());
  e->UserProgID(r.Text());
  e->ChoiceProgID(r.Text());
  e->IgnoredChoice(r.Text());
  e->OpenerCommand(r.Text());
  e->OpenerName(r.Text());
  e->Verb(r.Text());
  e->VerbCommand(r.Text());
  e->Handler(r.Text());
  std::string unreadablePath = r.Text();
  for (int slot = 0; slot < AssocEntry::kTypeSlots; ++slot) e->ValueType(static_cast<AssocEntry::TypeSlot>(slot), r.U32());
  const unsigned flags = r.Byte(kFlags);
  e->Layered(flags & kLayered);
  e->VerbsRead(flags & kVerbsRead);
  e->IgnoredRead(flags & kIgnoredRead);
  e->ChoiceAt(static_cast<AssocEntry::ChoicePlace>(r.Byte(static_cast<unsigned>(AssocEntry::ChoicePlace::Legacy))));
  e->VerbAt(static_cast<AssocEntry::VerbSource>(r.Byte(static_cast<unsigned>(AssocEntry::VerbSource::User))));
  const auto at = static_cast<AssocEntry::Layer>(r.Byte(static_cast<unsigned>(AssocEntry::Layer::Classes)));
  if (flags & kUnreadable) e->Unreadable(at, std::move(unreadablePath));
  // A readable entry carries neither a place nor a path of a refusal.
  else if (at != AssocEntry::Layer::Classes || !unreadablePath.empty()) return nullptr;
  return e;
}

}  // namespace

std::string PackScan(const ScanResult& scan) {
  std::string out(kMagic);
  Writer w(out);
  const AssocEntries empty;
  const AssocEntries& entries = scan.entries ? *scan.entries : empty;
  w.U32(static_cast<std::uint32_t>(entries.Count()));
  for (const auto& e : entries) PackEntry(w, *e);
  w.U32(static_cast<std::uint32_t>(scan.unreadableNames.size()));
  for (const auto& u : scan.unreadableNames) {
    w.Text(u.name);
    w.Byte(static_cast<unsigned>(u.at));
  }
  w.U32(static_cast<std::uint32_t>(scan.skipped.size()));
  for (const auto& s : scan.skipped) {
    w.U32(s.index);
    w.Text(s.name);
    w.U32(static_cast<std::uint32_t>(s.status));
  }
  const std::uint64_t length = out.size(), sum = Checksum(out);
  w.Number(length, 8);
  w.Number(sum, 8);
  return out;
}

bool UnpackScan(std::string_view bytes, ScanResult& out) {
  if (bytes.size() < kMagic.size() + kTrailer || bytes.substr(0, kMagic.size()) != kMagic) return false;
  const std::string_view body = bytes.substr(0, bytes.size() - kTrailer);
  Reader trailer(bytes.substr(body.size()));
  if (trailer.Number(8) != body.size() || trailer.Number(8) != Checksum(body)) return false;
  Reader r(body.substr(kMagic.size()));
  ScanResult scan;
  scan.entries = std::make_shared<AssocEntries>();
  const std::uint32_t count = r.U32();
  // Each entry takes more than 64 bytes: a count beyond that is no pack's.
  if (count > r.left() / 64) return false;
  scan.entries->Reserve(count);
  try {
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
      auto e = UnpackEntry(r);
      if (!e || !r.ok()) return false;
      const std::string key = e->Ext();
      scan.entries->Add(std::move(e), key);
    }
  } catch (const AssocEntriesError&) {
    return false;  // a name twice
  }
  const std::uint32_t names = r.U32();
  for (std::uint32_t i = 0; i < names && r.ok(); ++i) {
    UnreadableName u;
    u.name = r.Text();
    u.at = static_cast<AssocEntry::Layer>(r.Byte(static_cast<unsigned>(AssocEntry::Layer::Classes)));
    scan.unreadableNames.push_back(std::move(u));
  }
  const std::uint32_t skipped = r.U32();
  for (std::uint32_t i = 0; i < skipped && r.ok(); ++i) {
    SkippedSubkey s;
    s.index = r.U32();
    s.name = r.Text();
    s.status = static_cast<LONG>(r.U32());
    scan.skipped.push_back(std::move(s));
  }
  if (!r.ok() || r.left() != 0) return false;
  out = std::move(scan);
  return true;
}

}  // namespace hollin
