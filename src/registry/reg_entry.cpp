#include "registry/reg_entry.h"

#include "common/text.h"

namespace hollin {

std::shared_ptr<cRegEntries> cRegEntry::cRegEntries() {
  if (!collection_) collection_ = std::make_shared<hollin::cRegEntries>();
  return collection_;
}

void cRegEntry::cRegEntries(std::shared_ptr<hollin::cRegEntries> vData) {
  collection_ = std::move(vData);
}

void cRegEntries::Add(EntryPtr objNewMember, const std::string& sKey) {
  if (sKey.empty()) {
    entries_.push_back(std::move(objNewMember));
    keys_.emplace_back();
    return;
  }
  std::string folded = FoldCase(sKey);
  auto [it, inserted] = byKey_.try_emplace(folded, entries_.size());
  if (!inserted)
    throw CollectionError(CollectionError::kDuplicateKey,
                          "This key is already associated with an element of "
                          "this collection: " + sKey);
  try {
    entries_.push_back(std::move(objNewMember));
    keys_.push_back(std::move(folded));
  } catch (...) {
    byKey_.erase(it);
    if (entries_.size() > keys_.size()) entries_.pop_back();
    throw;
  }
}

const cRegEntries::EntryPtr& cRegEntries::Item(std::int32_t vntIndexKey) const {
  if (vntIndexKey < 1 || vntIndexKey > Count())
    throw CollectionError(CollectionError::kOutOfRange, "Subscript out of range");
  return entries_[static_cast<size_t>(vntIndexKey - 1)];
}

const cRegEntries::EntryPtr& cRegEntries::Item(std::string_view vntIndexKey) const {
  const auto it = byKey_.find(FoldCase(vntIndexKey));
  if (it != byKey_.end()) return entries_[it->second];
  throw CollectionError(CollectionError::kInvalidArgument,
                        "Invalid procedure call or argument");
}

void cRegEntries::Remove(std::int32_t vntIndexKey) {
  if (vntIndexKey < 1 || vntIndexKey > Count())
    throw CollectionError(CollectionError::kOutOfRange, "Subscript out of range");
  RemoveAt(static_cast<size_t>(vntIndexKey - 1));
}

void cRegEntries::Remove(std::string_view vntIndexKey) {
  const auto it = byKey_.find(FoldCase(vntIndexKey));
  if (it != byKey_.end()) return RemoveAt(it->second);
  throw CollectionError(CollectionError::kInvalidArgument,
                        "Invalid procedure call or argument");
}

void cRegEntries::RemoveAt(size_t index) {
  if (!keys_[index].empty()) byKey_.erase(keys_[index]);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(index));
  for (size_t i = index; i < keys_.size(); ++i)
    if (!keys_[i].empty()) byKey_[keys_[i]] = i;
}

void cRegEntries::Reserve(size_t n) {
  entries_.reserve(n);
  keys_.reserve(n);
  byKey_.reserve(n);
}

}  // namespace hollin
