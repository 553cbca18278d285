// One guarded association (AssocEntry): a file type (".txt") or a URL
// protocol ("http", the scheme of a link), and the keyed collection of them
// (AssocEntries). Both are plain data holders: values are stored exactly as
// given, with no trimming, folding or checking.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hollin {

class AssocEntries;

// The key of an open command, under a type or a program identifier.
inline constexpr std::string_view kOpenCommandKey = "\\shell\\open\\command";

// Whether name can be a file type's key: a leading dot, then a name that
// is not empty and holds no backslash and no zero character (".txt", not
// "." or ".a\\b").
bool IsTypeName(std::string_view name);

// Whether name is one key's name: not empty, without a backslash or a zero
// character.
bool IsKeyName(std::string_view name);

// Whether name can be a URL protocol's key: a scheme as links spell it, a
// letter, then letters, digits, "+", "-" and "." ("http", "ms-settings",
// "web+app"), at most 255 characters. A file type's name (a leading dot) is
// never one.
bool IsProtocolName(std::string_view name);

// Whether a guarded entry's name is a link's (a URL protocol's) rather than
// a file type's: any name but one with a leading dot.
inline bool IsLinkName(std::string_view name) { return !name.empty() && name[0] != '.'; }

// Whether name can be a guarded entry's: a file type's or a protocol's.
inline bool IsEntryName(std::string_view name) { return IsTypeName(name) || IsProtocolName(name); }

// Whether a verb's name can stand in a key path: one key's name, and not
// "." or "..", which a path could read as this key or its parent.
inline bool IsVerbName(std::string_view name) { return IsKeyName(name) && name != "." && name != ".."; }

// Whether name is a class identifier as the registry spells one: braces
// around 8-4-4-4-12 hexadecimal digits ("{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}").
bool IsClassId(std::string_view name);

class AssocEntry;
// Whether every key a restore of entry writes is one of its own: entry's
// name is a type's or a protocol's, its command key is none, the open
// command of the type, or that of its program identifier, one key's name,
// its default verb is one key's name (IsVerbName), and its handler is none
// or a class identifier (IsClassId). A record of a base that names any
// other key or value (planted for a restore to write it) is damage, never
// something to write.
bool NamesOnlyItsOwnKeys(const AssocEntry& entry);


class AssocEntry {
 public:
  // The entry's name: a file type's extension with its leading "." or a
  // URL protocol's scheme ("http").
  const std::string& Ext() const { return ext_; }
  void Ext(std::string vData) { ext_ = std::move(vData); }
  // A protocol's name has no leading dot.
  bool IsProtocol() const { return !ext_.empty() && ext_[0] != '.'; }

  // Full path spec to the app that opens files of type  Ext
  const std::string& ProgramFullPath() const { return programFullPath_; }
  void ProgramFullPath(std::string vData) { programFullPath_ = std::move(vData); }

  // Default application name for Ext
  const std::string& OpenCmdRegKey() const { return openCmdRegKey_; }
  void OpenCmdRegKey(std::string vData) { openCmdRegKey_ = std::move(vData); }

  // Abbreviated Default App name that opens files of type Ext
  const std::string& ProgramID() const { return programID_; }
  void ProgramID(std::string vData) { programID_ = std::move(vData); }

  // The layers behind the type, each "" where it says nothing: the program
  // identifiers of the machine classes (HKLM\Software\Classes\<ext>), of
  // the user classes (HKCU\Software\Classes\<ext>) and of Explorer's choice
  // (FileExts\<ext>\UserChoiceLatest, else UserChoice: ReadExplorerChoice).
  // A protocol's key is its own program identifier: its classes layers say
  // what they run, so Machine and User hold the open command of the
  // protocol's key in that layer (<protocol>\shell\open\command), and the
  // choice is Explorer's under UrlAssociations\<protocol>.
  const std::string& MachineProgID() const { return machineProgID_; }
  void MachineProgID(std::string v) { machineProgID_ = std::move(v); }
  const std::string& UserProgID() const { return userProgID_; }
  void UserProgID(std::string v) { userProgID_ = std::move(v); }
  const std::string& ChoiceProgID() const { return choiceProgID_; }
  void ChoiceProgID(std::string v) { choiceProgID_ = std::move(v); }
  // An Explorer's choice that Windows does not honour (its hash does not
  // verify, or Windows reset it): it decides nothing, the choice counts as
  // none, but it is recorded and compared (a choice written that Windows
  // sets aside is a takeover tried). IgnoredRead: the record could hold
  // one (a record of a base written before they were recorded cannot).
  const std::string& IgnoredChoice() const { return ignoredChoice_; }
  void IgnoredChoice(std::string v) { ignoredChoice_ = std::move(v); }
  bool IgnoredRead() const { return ignoredRead_; }
  void IgnoredRead(bool v) { ignoredRead_ = v; }

  // What opens the type: the open command of the program identifier in force
  // ("" for a packaged app, which has none) and, where no command names it,
  // the program's name (a packaged app's display name).
  const std::string& OpenerCommand() const { return openerCommand_; }
  void OpenerCommand(std::string v) { openerCommand_ = std::move(v); }
  const std::string& OpenerName() const { return openerName_; }
  void OpenerName(std::string v) { openerName_ = std::move(v); }

  // Where Explorer's choice was read (ReadExplorerChoice): the value ProgId
  // of UserChoiceLatest\ProgId, of UserChoiceLatest itself, or of the
  // legacy UserChoice; None without a choice, or for a record that did not
  // keep the place.
  enum class ChoicePlace : std::uint8_t { None, LatestProgId, Latest, Legacy };
  ChoicePlace ChoiceAt() const { return choiceAt_; }
  void ChoiceAt(ChoicePlace at) { choiceAt_ = at; }

  // The verb Windows runs for the program identifier in force (or the
  // protocol's key, or the type's own key where it names none): the shell
  // key's default value where it names an existing verb (the first of a
  // list separated by commas that does), else "open", else the first verb
  // the registry lists; "" where the key has no verb. VerbCommand is what
  // the verb runs: its command key's default value; Handler its
  // DelegateExecute class identifier, which runs instead where it is set.
  // A record read before verbs were recorded has none (VerbsRead false) and
  // is compared as it always was.
  const std::string& Verb() const { return verb_; }
  void Verb(std::string v) { verb_ = std::move(v); }
  const std::string& VerbCommand() const { return verbCommand_; }
  void VerbCommand(std::string v) { verbCommand_ = std::move(v); }
  const std::string& Handler() const { return handler_; }
  void Handler(std::string v) { handler_ = std::move(v); }
  bool VerbsRead() const { return verbsRead_; }
  void VerbsRead(bool v) { verbsRead_ = v; }
  // Whether the verb is another than "open" (letters without regard to case).
  bool VerbIsNotOpen() const;
  // The classes layer whose shell key's default value chose the verb; None
  // where none did (the verb is "open" or the first listed).
  enum class VerbSource : std::uint8_t { None, Machine, User };
  VerbSource VerbAt() const { return verbAt_; }
  void VerbAt(VerbSource at) { verbAt_ = at; }
  // What runs: the verb's handler where it has one, else its command (for
  // a record without verbs, the open command in force).
  const std::string& RunCommand() const;

  // The registry types of the values read (REG_NONE where there was none):
  // the extension's default value, the open command, the machine and user
  // classes' defaults (of a protocol: their open commands), and, where the
  // verbs were read, the shell key's default value and the verb's command.
  enum TypeSlot { kIdType, kCommandType, kMachineType, kUserType, kShellType, kVerbCommandType, kTypeSlots };
  std::uint32_t ValueType(TypeSlot slot) const { return types_[slot]; }
  void ValueType(TypeSlot slot, std::uint32_t type) { types_[slot] = type; }

  // Whether the layers were read: false for a record of a base file written
  // before they were recorded, which is compared as it always was.
  bool Layered() const { return layered_; }
  void Layered(bool v) { layered_ = v; }

  // Where what opens the type is decided: Explorer's choice, then the user
  // classes, then the machine classes; else the merged class root.
  enum class Layer { Choice, User, Machine, Classes };
  Layer Decider() const {
    if (!choiceProgID_.empty()) return Layer::Choice;
    if (!userProgID_.empty()) return Layer::User;
    if (!machineProgID_.empty()) return Layer::Machine;
    return Layer::Classes;
  }
  // The program identifier in force: that of the deciding layer (of a
  // protocol: Explorer's choice, else none, its key being its own).
  const std::string& InForceProgID() const {
    if (IsProtocol()) return choiceProgID_.empty() ? programID_ : choiceProgID_;
    switch (Decider()) {
      case Layer::Choice: return choiceProgID_;
      case Layer::User: return userProgID_;
      case Layer::Machine: return machineProgID_;
      default: return programID_;
    }
  }

  // A key of the entry that exists but could not be read with the user's
  // rights (the type's or protocol's own key in a classes layer, Explorer's
  // choice, or a key read for what opens it: its program identifier's, a
  // shell key, a verb's key or its command key): what opens it is unknown,
  // and the entry holds its name alone. UnreadablePath is the
  // path of the key that refused under its layer, "" for the entry's own.
  // Only a scan sets it; a base never records such an entry.
  bool Unreadable() const { return unreadable_; }
  Layer UnreadableAt() const { return unreadableAt_; }
  const std::string& UnreadablePath() const { return unreadablePath_; }
  void Unreadable(Layer at, std::string path = std::string()) {
    unreadable_ = true;
    unreadableAt_ = at;
    unreadablePath_ = std::move(path);
  }

  // Back-reference to a collection; a new empty one is made on first read.
  std::shared_ptr<hollin::AssocEntries> Collection();
  void Collection(std::shared_ptr<hollin::AssocEntries> vData);

 private:
  std::string ext_;
  std::string programFullPath_;
  std::string openCmdRegKey_;
  std::string programID_;
  std::string machineProgID_, userProgID_, choiceProgID_, ignoredChoice_;
  std::string openerCommand_, openerName_;
  std::string verb_, verbCommand_, handler_;
  std::uint32_t types_[kTypeSlots] = {};
  bool layered_ = false;
  bool verbsRead_ = false;
  bool ignoredRead_ = false;
  ChoicePlace choiceAt_ = ChoicePlace::None;
  VerbSource verbAt_ = VerbSource::None;
  bool unreadable_ = false;
  Layer unreadableAt_ = Layer::Classes;
  std::string unreadablePath_;
  std::shared_ptr<hollin::AssocEntries> collection_;
};

// An error of the collection: what went wrong, and the key or position
// asked for (what() gives it too). msg::ErrorText words it.
class AssocEntriesError : public std::runtime_error {
 public:
  enum class Code {
    NoSuchKey,     // Item, Remove: no member with that key
    OutOfRange,    // position outside 1..Count
    DuplicateKey,  // Add: key already present
  };

  AssocEntriesError(Code code, const std::string& key) : std::runtime_error(key), code_(code), key_(key) {}
  Code code() const { return code_; }
  const std::string& key() const { return key_; }

 private:
  Code code_;
  std::string key_;
};

class AssocEntries {
 public:
  using EntryPtr = std::shared_ptr<AssocEntry>;
  using const_iterator = std::vector<EntryPtr>::const_iterator;

  // Appends the entry; under sKey unless sKey is empty. A key that is already
  // present (compared without regard to case) fails and changes nothing.
  void Add(EntryPtr objNewMember, const std::string& sKey);

  // The member at a 1-based position, or the member with a key.
  const EntryPtr& Item(std::int32_t vntIndexKey) const;
  const EntryPtr& Item(std::string_view vntIndexKey) const;
  // The member with that key, or nullptr: for callers to whom a missing
  // type is an ordinary case.
  const AssocEntry* Lookup(std::string_view key) const;

  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }

  // Removes a member; later members move down one place. Costs what moves:
  // removing the last member is cheap, the first one costs a step per member.
  void Remove(std::int32_t vntIndexKey);
  void Remove(std::string_view vntIndexKey);

  // Enumeration in insertion order (for-each over the collection).
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

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
