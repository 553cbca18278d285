// One file-type association (cRegEntry) and the keyed collection of them
// (cRegEntries). Both are plain data holders: values are stored exactly as
// given, with no trimming, folding or checking.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hollin {

class cRegEntries;

class cRegEntry {
 public:
  // Extension listed in Registry - ID'd by leading "."
  const std::string& Ext() const { return ext_; }
  void Ext(std::string vData) { ext_ = std::move(vData); }

  // Full path spec to the app that opens files of type  Ext
  const std::string& ProgramFullPath() const { return programFullPath_; }
  void ProgramFullPath(std::string vData) { programFullPath_ = std::move(vData); }

  // Default application name for Ext
  const std::string& OpenCmdRegKey() const { return openCmdRegKey_; }
  void OpenCmdRegKey(std::string vData) { openCmdRegKey_ = std::move(vData); }

  // Abbreviated Default App name that opens files of type Ext
  const std::string& ProgramID() const { return programID_; }
  void ProgramID(std::string vData) { programID_ = std::move(vData); }

  // Back-reference to a collection; a new empty one is made on first read.
  std::shared_ptr<hollin::cRegEntries> cRegEntries();
  void cRegEntries(std::shared_ptr<hollin::cRegEntries> vData);

 private:
  std::string ext_;
  std::string programFullPath_;
  std::string openCmdRegKey_;
  std::string programID_;
  std::shared_ptr<hollin::cRegEntries> collection_;
};

// An error of the collection, with the code that callers test for.
class CollectionError : public std::runtime_error {
 public:
  static constexpr int kInvalidArgument = 5;   // Item: no member with that key
  static constexpr int kOutOfRange = 9;        // position outside 1..Count
  static constexpr int kDuplicateKey = 457;    // Add: key already present

  CollectionError(int code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

class cRegEntries {
 public:
  using EntryPtr = std::shared_ptr<cRegEntry>;
  using const_iterator = std::vector<EntryPtr>::const_iterator;

  // Appends the entry; under sKey unless sKey is empty. A key that is already
  // present (compared without regard to case) fails and changes nothing.
  void Add(EntryPtr objNewMember, const std::string& sKey);

  // The member at a 1-based position, or the member with a key.
  const EntryPtr& Item(std::int32_t vntIndexKey) const;
  const EntryPtr& Item(std::string_view vntIndexKey) const;

  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }

  // Removes a member; later members move down one place. Costs what moves:
  // removing the last member is cheap, the first one costs a step per member.
  void Remove(std::int32_t vntIndexKey);
  void Remove(std::string_view vntIndexKey);

  // Enumeration in insertion order (for-each over the collection).
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  const std::vector<EntryPtr>& NewEnum() const { return entries_; }

  void Reserve(size_t n);

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  size_t Find(const std::string& folded) const;
  size_t SlotOf(size_t member) const;  // the slot of a keyed member
  void Index(size_t member);
  void Unindex(size_t slot);
  void Rebuild(size_t slotCount);
  void RemoveAt(size_t index);

  std::vector<EntryPtr> entries_;
  std::vector<std::string> keys_;  // folded key of each member, "" for none
  std::vector<size_t> hashes_;     // hash of each member's folded key
  // The key index: open addressing over keys_, each slot 0 (free) or a
  // member's position + 1. No allocation per member, which keeps building
  // the CURRENT collection close to the cost of the registry reads.
  std::vector<std::uint32_t> slots_;
  size_t keyed_ = 0;
};

}  // namespace hollin
