#include "messages/shared_texts.h"

#include <algorithm>

#include "common/names.h"
#include "common/text.h"
#include "common/wtf8.h"
#include "compare/changes.h"
#include "messages/base_texts.h"
#include "registry/layers.h"

namespace hollin::msg {
namespace {

constexpr size_t kListed = 10;

}  // namespace

const char* WhatText(RestoreFailure::What what) {
  using What = RestoreFailure::What;
  switch (what) {
    case What::ProgramId: return "its program identifier";
    case What::Verb: return "its default verb";
    case What::VerbCommand: return "its default verb's command";
    case What::Handler: return "its handler (DelegateExecute)";
    case What::ProtocolMark: return "its URL Protocol mark";
    case What::Unread: return "nothing: its key cannot be read with your rights";
    default: return "its open command";
  }
}

const char* LayerName(AssocEntry::Layer layer) {
  static const char* const kLayers[] = {"Explorer's choice", "user classes", "machine classes", "class root"};
  return kLayers[static_cast<int>(layer)];
}

std::string InTextLine(const std::string& text, size_t longest) {
  const bool cut = longest > 3 && Utf16Length(text) > longest;
  std::string out;
  size_t units = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t at = i;
    char32_t cp = 0xFFFD;
    if (!DecodeWtf8(text, i, cp)) ++i;
    units += cp >= 0x10000 ? 2 : 1;
    if (cut && units > longest - 3) return out + "...";
    if (cp < 0x20 || cp == 0x7F) {
      // U+2400 to U+241F, and U+2421 for DEL: E2 90 80+n.
      out.append("\xE2\x90").push_back(static_cast<char>(0x80 + (cp == 0x7F ? 0x21 : cp)));
    } else {
      out.append(text, at, i - at);
    }
  }
  return out;
}

std::string FirstTenThenMore(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < kListed; ++i) text.append("\r").append(lines[i]);
  if (lines.size() > kListed) text += "\r... and " + std::to_string(lines.size() - kListed) + " more.";
  return text;
}

std::string UnreadableKey(const std::string& ext, AssocEntry::Layer at, const std::string& path) {
  using Layer = AssocEntry::Layer;
  const std::string& key = path.empty() ? ext : path;
  switch (at) {
    case Layer::User: return std::string("HKEY_CURRENT_USER\\") + kClassesPath + "\\" + key;
    case Layer::Machine: return std::string("HKEY_LOCAL_MACHINE\\") + kClassesPath + "\\" + key;
    case Layer::Choice:
      return std::string("HKEY_CURRENT_USER\\") + (IsLinkName(ext) ? kUrlAssociationsPath : kFileExtsPath) + "\\" +
             ext + "\\UserChoice";
    default: return "HKEY_CLASSES_ROOT\\" + key;
  }
}

const char* const kCannotBeRead = "cannot be read";
std::string UnreadableRow() { return std::string("(") + kCannotBeRead + ")"; }

std::string UnreadableNote(const std::string& ext, AssocEntry::Layer at, const std::string& path, bool accepted) {
  std::string text = "The key " + UnreadableKey(ext, at, path) +
                     " is there but cannot be read with your rights, so what opens " + ext +
                     " is unknown: it is listed as unreadable, not as removed.";
  if (accepted) text += " The base keeps its record of " + ext + " as it was.";
  return text + " Look at the key's permissions with the system's registry editor.";
}

RefusedWrites DescribeRefusedWrites(const std::vector<RestoreFailure>& failed,
                                    const std::function<std::string(long)>& errorText) {
  // One line per type: both of its writes refused, or the one that was.
  struct Line {
    std::string ext;
    std::string which;  // "": both writes of the type
    LONG status;
  };
  std::vector<Line> lines;
  std::vector<LONG> statuses;
  bool deniedShared = false, deniedOwn = false, unread = false;
  for (const auto& f : failed) {
    // A key that cannot be read was not written: no rights to write help.
    if (f.what == RestoreFailure::What::Unread) {
      unread = true;
      lines.push_back({f.ext, "its key " + UnreadableKey(f.ext, f.layer, f.key) + " cannot be read with your rights, nothing was written",
                       f.status});
      continue;
    }
    if (!lines.empty() && lines.back().ext == f.ext) {
      lines.back().which.clear();
    } else {
      std::string which = WhatText(f.what);
      if (f.layer != AssocEntry::Layer::Classes) which.append(" in the ").append(LayerName(f.layer));
      lines.push_back({f.ext, std::move(which), f.status});
    }
    if (std::find(statuses.begin(), statuses.end(), f.status) == statuses.end()) statuses.push_back(f.status);
    // Administrator rights open the keys all users share; a key of the
    // user's own that refuses the user had its permissions changed.
    if (f.status == ERROR_ACCESS_DENIED) {
      const bool own = f.layer == AssocEntry::Layer::User || f.layer == AssocEntry::Layer::Choice;
      (own ? deniedOwn : deniedShared) = true;
    }
  }
  RefusedWrites out;
  for (const Line& l : lines) {
    std::string text = l.ext;
    if (!l.which.empty()) text.append(" (").append(l.which).append(")");
    text.append(": error ").append(std::to_string(l.status));
    const std::string reason = errorText ? errorText(l.status) : std::string();
    if (!reason.empty()) text.append(" (").append(reason).append(")");
    out.lines.push_back(std::move(text));
  }
  bool other = false;
  for (const LONG status : statuses) {
    if (status == ERROR_ACCESS_DENIED) {
      if (deniedShared)
        out.advice.append(" Settings that all users share can be written only with administrator rights: start ")
            .append(kAppTitle)
            .append(" as an administrator and restore them again.");
      if (deniedOwn)
        out.advice.append(
            " A key of your own settings refuses you, so its permissions were changed: look at them with "
            "the system's registry editor, then restore again.");
    } else if (status == ERROR_CHILD_MUST_BE_VOLATILE) {
      out.advice.append(
          " A key that lasts only until Windows restarts (a volatile key) cannot hold a lasting "
          "one, and administrator rights do not change that: remove that key with the "
          "system's registry editor, then restore again.");
    } else {
      other = true;
    }
  }
  if (other) out.advice.append(" Use the system's registry editor to look at the other keys.");
  if (unread)
    out.advice.append(
        " A key that cannot be read with your rights is not written over, since what it holds is unknown: look at "
        "its permissions with the system's registry editor, then restore again.");
  return out;
}

const char* const kLinksNowGuarded = "Links (URL protocols) and default verbs are guarded from now on.";

std::string NowTheBase(size_t count) {
  return "the current settings of " + std::to_string(count) + " file types are the base now.";
}
const char* const kFirstRunInWindow = "First run in the window: no base was recorded yet; ";
const char* const kAcceptedInWindow = "Accepted in the window: ";
const char* const kRestoredInWindow = "Restored in the window:";
const char* const kFirstRunInGuard = "No base was recorded yet: ";

std::string FileErrorText(const FileError& e) {
  using K = FileError::Kind;
  const char* step = "";
  switch (e.kind()) {
    case K::NotReadable: step = "cannot be opened for reading"; break;
    case K::NotPlainFile: step = "is not a plain file"; break;
    case K::ReadFailed: step = "cannot be read"; break;
    case K::TemporaryNotWritten: step = "cannot be written (temporary file)"; break;
    case K::WriteFailed: step = "cannot be written"; break;
    case K::NotFlushed: step = "cannot be flushed to the disk"; break;
    case K::NotClosed: step = "cannot be closed"; break;
    case K::NotReplaced: step = "cannot be replaced"; break;
    case K::ReplacedIsFolder: step = "cannot be replaced: it is a folder"; break;
    case K::ReplacedIsReadOnly: step = "cannot be replaced: it is write-protected"; break;
    case K::NotFound: step = "does not exist"; break;
    case K::FolderMissing: step = "cannot be written: its folder does not exist"; break;
  }
  std::string text = "The file \"" + e.path() + "\" " + step;
  if (e.code() != 0 && e.kind() != K::NotPlainFile) text += " (error " + std::to_string(e.code()) + ")";
  if (!e.reason().empty()) text += ": " + e.reason();
  // A sentence, whether or not the system's reason ends as one.
  if (text.back() != '.') text += '.';
  return text;
}

std::string ErrorText(const std::exception& e) {
  if (std::optional<std::string> text = CoreErrorText(e)) return *std::move(text);
  if (const auto* file = dynamic_cast<const FileError*>(&e)) return FileErrorText(*file);
  if (const auto* entries = dynamic_cast<const AssocEntriesError*>(&e)) {
    switch (entries->code()) {
      case AssocEntriesError::Code::NoSuchKey: return "Invalid procedure call or argument";
      case AssocEntriesError::Code::OutOfRange: return "Subscript out of range";
      case AssocEntriesError::Code::DuplicateKey:
        return "This key is already associated with an element of this collection: " + entries->key();
    }
  }
  return e.what();
}

std::string AccountRefusal(const AccountCheck& check) {
  using S = AccountCheck::Service;
  if (check.kind == AccountCheck::Kind::ServiceAccount) {
    const char* what = check.service == S::LocalSystem    ? "LocalSystem, the system's own account"
                       : check.service == S::LocalService ? "LocalService, an account for services"
                                                          : "NetworkService, an account for services";
    return "it runs as " + check.name + " (" + what +
           "), whose file associations are nobody's: Windows opens files with the settings of the user "
           "signed in.";
  }
  return "the profile of " + (check.name.empty() ? std::string("its account") : check.name) +
         " is not loaded, so its HKEY_CURRENT_USER is the default profile (HKEY_USERS\\.DEFAULT), "
         "which no user's files open with.";
}

std::string OtherAccount(const AccountCheck& check) {
  return "The settings checked are those of " + check.name + (check.elevated ? " (elevated)" : "") +
         ", not those of " + check.signedIn + ", who is signed in.";
}

std::string RecordOfUser(const std::string& record, const std::string& user) { return record + "\nUser: " + user; }

std::string RestoredTypeRecord(const std::string& type, const RestoreFailure* refused, bool choiceLeft) {
  if (choiceLeft) return type + ": Explorer's choice differs from the base, and only Settings may write it.";
  if (!refused) return type + ": restored.";
  if (refused->what == RestoreFailure::What::Unread)
    return type + ": not restored, its key " + UnreadableKey(type, refused->layer, refused->key) +
           " cannot be read with your rights (error " + std::to_string(refused->status) + ").";
  const std::string layer = refused->layer != AssocEntry::Layer::Classes
                                ? std::string(" in the ") + LayerName(refused->layer)
                                : std::string();
  return type + ": the registry refused to write " + WhatText(refused->what) + layer + " (error " +
         std::to_string(refused->status) + ").";
}


std::string GenerationChanges(const std::vector<std::string>& changed, const std::vector<std::string>& added,
                              const std::vector<std::string>& removed) {
  std::string out;
  const std::pair<const char*, const std::vector<std::string>*> parts[] = {
      {"changed", &changed}, {"new", &added}, {"removed", &removed}};
  for (const auto& [word, types] : parts) {
    if (types->empty()) continue;
    out.append(out.empty() ? "" : "; ").append(word);
    for (const auto& t : *types) out.append(" ").append(t);
  }
  return out.empty() ? "no change" : out;
}

std::string WaitingForBase(const std::string& path, unsigned seconds) {
  return "Another copy of " + std::string(kAppTitle) + " is writing the base \"" + path +
         "\" or restoring from it: waiting up to " + std::to_string(seconds) + " seconds for it to finish.";
}

std::string BaseBusy(const std::string& path, unsigned seconds) {
  return "Another copy of " + std::string(kAppTitle) + " (the window, the guard or a script) was still writing the base \"" +
         path + "\" or restoring from it after " + std::to_string(seconds) +
         " seconds, so nothing was done. Try again once it has finished.";
}

std::string BaseChangedMeanwhile(const std::string& path) {
  return "The base \"" + path + "\" was changed by another copy of " + std::string(kAppTitle) +
         " (the guard or a script) since this list was made, so nothing was done. The list now shows the changes "
         "against that base: look at it and choose again.";
}

std::string NotKeptInHistory(const std::string& why) {
  return "The base as it was could not be kept in the history: " + why;
}

std::string GenerationUnusable(int number, const std::string& why) {
  return "Generation " + std::to_string(number) + " cannot be used: " + why;
}

std::string ForeignInHistory(const std::string& file, const std::string& why) {
  return "The file \"" + file + "\" in the history is no base Hollin kept; it is not numbered, removed or "
         "restored from. " + why;
}

std::string HistoryIsAFile(const std::string& path) {
  return "The history's folder \"" + path + "\" is a file, so no earlier base is kept or listed there: move or rename "
         "that file, and the next accept starts the history.";
}

const char* const kForeignRow = "foreign";

std::string ForeignInHistoryText(const std::string& name) {
  return name + " - not a base Hollin kept: never numbered, removed or used";
}

std::string GenerationNotRestored(const std::string& why) {
  return why + " Nothing was restored, and the base was left as it was.";
}

std::string NoSuchGeneration(int number, size_t count) {
  return "there is no generation " + std::to_string(number) + " of the base: the history holds " +
         std::to_string(count) + " (--history lists them). Nothing was restored.";
}

std::string RestoredFromNote(int number, const std::string& recorded) {
  return "Generation " + std::to_string(number) + (recorded.empty() ? "" : " (recorded " + recorded + ")") +
         " is the base again; the base it replaced is generation 1 now.";
}

const char* const kGenerationColumn = "Generation";
const char* const kRecordedColumn = "Recorded - types - what the next base changed";

std::string HistoryStatus(size_t count, size_t damaged) {
  if (count == 0) return "No earlier BASEs - each accept keeps here the base it replaces";
  std::string s = std::to_string(count) + " earlier BASE" + (count == 1 ? "" : "s") +
                  " - select one to see it, Restore to make it the base again";
  if (damaged) s += " (" + std::to_string(damaged) + " damaged)";
  return s;
}

std::string HistoryListText(const std::string& recorded, int types, const std::string& changes) {
  return recorded + " - " + std::to_string(types) + " types - " + changes;
}

const char* const kGenerationDamaged = "damaged: cannot be used";

std::string GenerationPanel(int number, const std::string& recorded, const std::string& file, int types,
                            const std::string& changes, const std::string& problem) {
  std::string s = "GENERATION " + std::to_string(number) + " of the base - recorded " + recorded + "\r";
  s += "FILE: " + file + "\r";
  if (!problem.empty()) return s + "DAMAGED: " + problem + "\rIt cannot be restored from.";
  s += "TYPES: " + std::to_string(types) + "\r";
  s += "THE NEXT BASE: " + changes + "\r";
  s += "Restore makes it the base again and restores every type from it; the base it replaces is kept "
       "as generation 1.";
  return s;
}

std::string GenerationMadeBaseRecord(int number, size_t types, const std::string& recorded) {
  return "Generation " + std::to_string(number) + " made the base again in the window: " + GroupedCount(types) +
         " file types, recorded " + recorded + ".";
}

std::string RestoreFromQuestion(int number, const std::string& recorded) {
  return "Make generation " + std::to_string(number) + " (recorded " + recorded +
         ") the base again, and restore every type that differs from it?\r\rThe current base is kept as "
         "generation 1.";
}

}  // namespace hollin::msg
