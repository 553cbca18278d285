#include "registry/reg_entry.h"

#include "common/text.h"

namespace hollin {
namespace {

size_t HashOf(const std::string& s) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h ^ (h >> 29));
}

AssocEntriesError MissingKey(std::string_view key) {
  return AssocEntriesError(AssocEntriesError::Code::NoSuchKey, std::string(key));
}

AssocEntriesError OutOfRange(std::int32_t at) {
  return AssocEntriesError(AssocEntriesError::Code::OutOfRange, std::to_string(at));
}

}  // namespace

bool IsTypeName(std::string_view name) { return name.size() >= 2 && name[0] == '.' && IsKeyName(name); }

bool IsProtocolName(std::string_view name) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (name.empty() || name.size() > 255 || !letter(name[0])) return false;
  for (const char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  return true;
}

bool AssocEntry::VerbIsNotOpen() const { return verbsRead_ && !verb_.empty() && !EqualsNoCase(verb_, "open"); }

const std::string& AssocEntry::RunCommand() const {
  if (VerbIsNotOpen()) return verbCommand_;
  return layered_ ? openerCommand_ : programFullPath_;
}

bool NamesOnlyItsOwnKeys(const AssocEntry& e) {
  const std::string_view key = e.OpenCmdRegKey();
  const auto isOpenCommandOf = [key](std::string_view name) {
    return key.size() == name.size() + kOpenCommandKey.size() && EqualsNoCase(key.substr(0, name.size()), name) &&
           EqualsNoCase(key.substr(name.size()), kOpenCommandKey);
  };
  return IsEntryName(e.Ext()) && (e.Verb().empty() || IsVerbName(e.Verb())) &&
         (e.Handler().empty() || IsClassId(e.Handler())) &&
         (key.empty() || isOpenCommandOf(e.Ext()) || (IsKeyName(e.ProgramID()) && isOpenCommandOf(e.ProgramID())));
}

bool IsClassId(std::string_view name) {
  constexpr std::string_view kForm = "{########-####-####-####-############}";
  if (name.size() != kForm.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (kForm[i] == '#' ? !hex : c != kForm[i]) return false;
  }
  return true;
}

// A zero character ends a name where the registry's functions take it: a
// name holding one (the system's native calls can make it) would be read and
// written as the key its name stops at.
bool IsKeyName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\\\0", 2)) == std::string_view::npos;
}

std::shared_ptr<AssocEntries> AssocEntry::Collection() {
  if (!collection_) collection_ = std::make_shared<hollin::AssocEntries>();
  return collection_;
}

void AssocEntry::Collection(std::shared_ptr<hollin::AssocEntries> vData) {
  collection_ = std::move(vData);
}

size_t AssocEntries::Find(const std::string& folded) const {
  if (slots_.empty()) return kNone;
  const size_t mask = slots_.size() - 1;
  for (size_t i = HashOf(folded) & mask;; i = (i + 1) & mask) {
    const std::uint32_t slot = slots_[i];
    if (slot == 0) return kNone;
    if (keys_[slot - 1] == folded) return slot - 1;
  }
}

size_t AssocEntries::SlotOf(size_t member) const {
  const size_t mask = slots_.size() - 1;
  size_t i = hashes_[member] & mask;
  while (slots_[i] != member + 1) i = (i + 1) & mask;
  return i;
}

void AssocEntries::Index(size_t member) {
  const size_t mask = slots_.size() - 1;
  size_t i = hashes_[member] & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = static_cast<std::uint32_t>(member + 1);
}

void AssocEntries::Unindex(size_t slot) {
  // Linear probing without tombstones: each later slot of the run that the
  // hole would cut off from its home moves into the hole.
  const size_t mask = slots_.size() - 1;
  size_t hole = slot;
  for (size_t j = (slot + 1) & mask; slots_[j] != 0; j = (j + 1) & mask) {
    const size_t home = hashes_[slots_[j] - 1] & mask;
    const bool reachable = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (!reachable) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = 0;
}

void AssocEntries::Rebuild(size_t slotCount) {
  size_t size = 16;
  while (size < slotCount) size *= 2;
  slots_.assign(size, 0);
  for (size_t m = 0; m < keys_.size(); ++m)
    if (!keys_[m].empty()) Index(m);
}

void AssocEntries::Add(EntryPtr objNewMember, const std::string& sKey) {
  if (sKey.empty()) {
    if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() * 2 + 16);
    if (keys_.size() == keys_.capacity()) keys_.reserve(keys_.size() * 2 + 16);
    if (hashes_.size() == hashes_.capacity()) hashes_.reserve(hashes_.size() * 2 + 16);
    keys_.emplace_back();
    hashes_.push_back(0);
    entries_.push_back(std::move(objNewMember));
    return;
  }
  std::string folded = FoldCase(sKey);
  if (Find(folded) != kNone)
    throw AssocEntriesError(AssocEntriesError::Code::DuplicateKey, sKey);
  // Make room first, so that nothing below can fail half-way.
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() * 2 + 16);
  if (keys_.size() == keys_.capacity()) keys_.reserve(keys_.size() * 2 + 16);
  if (hashes_.size() == hashes_.capacity()) hashes_.reserve(hashes_.size() * 2 + 16);
  if ((keyed_ + 1) * 2 > slots_.size()) Rebuild((keyed_ + 1) * 4);
  hashes_.push_back(HashOf(folded));
  keys_.push_back(std::move(folded));
  entries_.push_back(std::move(objNewMember));
  Index(keys_.size() - 1);
  ++keyed_;
}

const AssocEntries::EntryPtr& AssocEntries::Item(std::int32_t vntIndexKey) const {
  if (vntIndexKey < 1 || vntIndexKey > Count()) throw OutOfRange(vntIndexKey);
  return entries_[static_cast<size_t>(vntIndexKey - 1)];
}

const AssocEntries::EntryPtr& AssocEntries::Item(std::string_view vntIndexKey) const {
  const size_t at = Find(FoldCase(vntIndexKey));
  if (at == kNone) throw MissingKey(vntIndexKey);
  return entries_[at];
}

const AssocEntry* AssocEntries::Lookup(std::string_view key) const {
  const size_t at = Find(FoldCase(key));
  return at == kNone ? nullptr : entries_[at].get();
}

void AssocEntries::Remove(std::int32_t vntIndexKey) {
  if (vntIndexKey < 1 || vntIndexKey > Count()) throw OutOfRange(vntIndexKey);
  RemoveAt(static_cast<size_t>(vntIndexKey - 1));
}

void AssocEntries::Remove(std::string_view vntIndexKey) {
  const size_t at = Find(FoldCase(vntIndexKey));
  if (at == kNone) throw MissingKey(vntIndexKey);
  RemoveAt(at);
}

void AssocEntries::RemoveAt(size_t index) {
  // Only the members after index move, and only their slots change: a few
  // are found by their stored hashes, many by one pass over the slots.
  if (!keys_[index].empty()) {
    Unindex(SlotOf(index));
    --keyed_;
  }
  const size_t moved = keys_.size() - index - 1;
  if (moved * 8 >= slots_.size()) {
    const auto last = static_cast<std::uint32_t>(index + 1);
    for (std::uint32_t& slot : slots_) slot -= slot > last ? 1 : 0;
  } else {
    for (size_t m = index + 1; m < keys_.size(); ++m)
      if (!keys_[m].empty()) slots_[SlotOf(m)] = static_cast<std::uint32_t>(m);
  }
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(index));
  hashes_.erase(hashes_.begin() + static_cast<std::ptrdiff_t>(index));
}

void AssocEntries::Reserve(size_t n) {
  entries_.reserve(n);
  keys_.reserve(n);
  hashes_.reserve(n);
  if (n * 2 > slots_.size()) Rebuild(n * 2);
}

}  // namespace hollin
