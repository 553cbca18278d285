#include "messages/window_texts.h"

#include "common/names.h"
#include "common/text.h"
#include "common/wtf8.h"
#include "compare/changes.h"
#include "compare/exe_name.h"
#include "risk/command_target.h"
#include "messages/shared_texts.h"
#include "registry/settings.h"

namespace hollin::msg {
namespace {

// An identifier as the panel shows it: "-" for none, a long one cut short.
std::string Short(const std::string& id) {
  if (id.empty()) return "-";
  constexpr size_t kLongest = 24;
  if (Utf16Length(id) <= kLongest) return InTextLine(id);
  size_t i = 0;
  char32_t cp;
  for (size_t n = 0; n < kLongest - 3 && i < id.size(); ++n)
    if (!DecodeWtf8(id, i, cp)) ++i;
  return InTextLine(id.substr(0, i)) + "...";
}

// A value as the Details window shows it: whole, each control character as
// its picture, and a long one continued on lines of at most 128 characters.
// A text box lays out a line in time that grows with the square of its
// length: under Wine, a command of 16,000 characters held the window 13
// seconds, one of 200,000 more than ten minutes.
std::string DetailsValue(const std::string& value) {
  constexpr size_t kLineUnits = 128;
  const std::string shown = InTextLine(value);
  if (shown.size() <= kLineUnits) return shown;  // no more characters than bytes
  std::string out;
  size_t units = 0, start = 0;
  for (size_t i = 0; i < shown.size();) {
    const size_t at = i;
    char32_t cp = 0xFFFD;
    if (!DecodeWtf8(shown, i, cp)) ++i;
    const size_t n = cp >= 0x10000 ? 2 : 1;
    if (units + n > kLineUnits) {
      out.append(shown, start, at - start).append("\r");
      start = at;
      units = 0;
    }
    units += n;
  }
  return out.append(shown, start, std::string::npos);
}

// "file type " or "link " before an entry's name in the panel.
const char* KindOf(const std::string& name) { return IsLinkName(name) ? "link " : "file type "; }

}  // namespace

std::string MainTitle() { return std::string(kAppTitle) + " " + kProductName; }

std::string ViewCaption(int view) {
  static const char* const kViews[] = {"Changes O&nly", "C&urrent Settings", "&Base Settings"};
  return kViews[view];
}
const char* const kViewFrame = "View";
const char* const kActionFrame = "Action";
const char* const kAcceptButton = "A&ccept Current";
const char* const kRestoreButton = "&Restore Base";
const char* const kAcceptNote = "For all File Types,\ruse CURRENT settings\ras new Base.";
const char* const kRestoreNote = "For selected File Type(s),\ruse BASE application\rinstead of Current.";
const char* const kTypeColumn = "File Type";
const char* const kTypesGroup = "File Types";
const char* const kLinksGroup = "Links (URL Protocols)";
const char* const kHealthColumn = "Opens With";
const char* const kHealthUnavailable = "The health check cannot read the facts of files here.";
const char* const kHealthChecking = "Checking the program of every file type...";
std::string HealthStatus(int count) {
  return count ? std::to_string(count) + " file type(s) with risk signals - select from list to view details."
               : std::string("No file type's program shows a risk signal.");
}
const char* const kAlwaysRestoreSelectFirst =
    "Select the file types to restore at once whenever they change, then choose this again.";
std::string AlwaysRestoreOfAnotherType(const std::string& key, const std::string& value) {
  return "The value \"" + value + "\" in \"" + key +
         "\" holds no list of file types (it is a number or bytes), so it is left as it is and no file type is "
         "restored at once. Remove it, or make it a list of types (\".txt,.pdf\"), then choose this again.";
}
const char* const kChangedColumn = "Changed To Open With";
const char* const kCurrentColumn = "Currently Opens With";
const char* const kBaseColumn = "Previously Opened With";

const char* const kReadingCurrent = "Reading CURRENT entries...";
std::string WaitingForBaseStatus(unsigned seconds) {
  return "Waiting up to " + std::to_string(seconds) + " seconds for another copy of " + std::string(kAppTitle) +
         " to finish with the base...";
}
const char* const kReadingBase = "Reading BASE entries...";
const char* const kSavingBase = "Building new BASE record from CURRENT entries...";
const char* const kRestoring = "Restoring BASE settings to Registry...";
const char* const kNewBaseRecorded = "New BASE record created.";
const char* const kNoChangesPrefix = "OK! ";
const char* const kRestoredPrefix = "Base settings restored. ";
const char* const kAcceptedPrefix = "Updated BASE created. ";
const char* const kNotAllRestoredPrefix = "Not all BASE settings were restored. ";
const char* const kNoChanges = "No changed entries found.";
std::string ChangedItems(int count) {
  return std::to_string(count) + " CHANGED item(s) - select from list to view details.";
}
std::string AllCurrentEntries(int count) {
  return std::to_string(count) + " CURRENT entries - select from list to view details.";
}
std::string AllBaseEntries(int count) {
  return std::to_string(count) + " BASE entries - select from list to view details.";
}
const char* const kStoppedNothingChecked = "Stopped by an error: nothing was checked.";
const char* const kStoppedBaseUnwritable = "Stopped: the base file could not be written.";
const char* const kStoppedBaseUnreadable = "Stopped: the base file could not be read.";
const char* const kNoProgram = "(none)";

std::string WelcomeText() {
  std::string t;
  t.append("Welcome to ").append(kProductName).append("! ").append(kAppTitle);
  t.append(" has just recorded a base list of the");
  t.append(" file types registered on your system and");
  t.append(" which applications are used to open them.");
  t.append("\r\r");
  t.append("For now, just close this program and continue with your work.");
  t.append(" The next time ").append(kAppTitle).append(" starts, it will");
  t.append(" notify you if any changes have been made");
  t.append(" to these file associations in your Windows Registry.");
  return t;
}

std::string ListName(const std::string& name) { return IsLinkName(name) ? name + ":" : name; }

std::string EntryName(std::string_view listed) {
  if (!listed.empty() && listed[0] != '.' && listed.back() == ':') listed.remove_suffix(1);
  return std::string(listed);
}

std::string EntryPanel(bool current, const AssocEntry& entry) {
  if (entry.Unreadable())
    return std::string("CURRENT settings for ") + KindOf(entry.Ext()) + UpperCase(entry.Ext()) + ":\r\r" +
           UnreadableNote(entry.Ext(), entry.UnreadableAt(), entry.UnreadablePath());
  const auto blank = entry.ProgramID().find_first_not_of(' ') == std::string::npos;
  std::string t = current ? "CURRENT settings for " : "BASE (previous) settings for ";
  t.append(KindOf(entry.Ext())).append(UpperCase(entry.Ext())).append(":\r\r");
  t.append("PROGRAM ID:\r").append(blank ? "[not set]" : InTextLine(entry.ProgramID())).append("\r");
  t.append("OPEN COMMAND KEYNAME: HKey_Classes_Root\\ +\r").append(entry.OpenCmdRegKey()).append("\r");
  t.append("DEFAULT OPEN COMMAND:\r").append(InTextLine(entry.ProgramFullPath()));
  return t;
}

std::string EntryFacts(const AssocEntry& entry) {
  std::string t;
  if (const std::string opener = DescribeOpener(entry); !opener.empty())
    t.append("OPENS WITH: ").append(opener).append("\rLAYERS: ").append(DescribeLayers(&entry, nullptr));
  if (const std::string verb = DescribeVerb(&entry, nullptr); !verb.empty())
    t.append(t.empty() ? "" : "\r").append("VERB: ").append(verb);
  return t;
}

std::string ChangePanel(const std::string& ext, const AssocEntry* c, const AssocEntry* b) {
  // A type missing on one side is an ordinary case here: "(none)".
  std::string t = "CHANGE for " + std::string(KindOf(ext)) + UpperCase(ext) + " - \r\r";
  if (c && c->Unreadable())
    t.append("CURRENT default Open command: (").append(kCannotBeRead).append(": ").append(UnreadableKey(ext, c->UnreadableAt(), c->UnreadablePath()))
        .append(" refuses your rights)");
  else if (c) t.append("CURRENT default Open command:\r").append(InTextLine(c->ProgramFullPath()));
  else t.append("CURRENT default Open command: (none)");
  if (b) t.append("\r\rBASE (previous) default Open command:\r").append(InTextLine(b->ProgramFullPath()));
  else t.append("\r\rBASE (previous) default Open command: (none)");
  return t;
}

const char* const kLatentWord = "latent";
const char* const kSignalsColumn = "Signals";

std::string LatentListed(int count) {
  return std::to_string(count) + " latent change(s) - in a layer that does not decide now.";
}

std::string ChangeFacts(const AssocEntry* c, const AssocEntry* b, const std::string& written,
                        const std::string& risks, AssocEntry::Layer latent) {
  std::string t;
  const auto line = [&t](const std::string& s) {
    if (!s.empty()) t.append(t.empty() ? "" : "\r").append(s);
  };
  if (c && c->Unreadable())
    line("CANNOT BE READ: look at the key's permissions with the system's registry editor");
  if (latent != AssocEntry::Layer::Classes && c)
    line(std::string("LATENT: the ") + LayerName(latent) + " changed; they take over should " +
         LayerName(c->Decider()) + " go");
  line(risks);
  // The layers, now and before, where they say anything.
  const std::string now = c ? DescribeOpener(*c) : std::string();
  const std::string was = b ? DescribeOpener(*b) : std::string();
  if (!now.empty() || !was.empty()) {
    line("NOW: " + (now.empty() ? std::string("-") : now));
    line("WAS: " + (was.empty() ? std::string("-") : was));
    line("LAYERS: " + DescribeLayers(c, b));
  }
  if (const std::string verb = DescribeVerb(c, b); !verb.empty()) line("VERB: " + verb);
  if (!written.empty()) line("KEY WRITTEN: " + written);
  return t;
}

std::string SignalReason(Signal s, const Assessment& a) {
  switch (s) {
    case Signal::Missing: return "missing (no such file)";
    case Signal::Unsigned: return "unsigned";
    case Signal::BadSignature: return "its signature does not verify";
    case Signal::UserFolder: return "in a user folder (" + InTextLine(a.folder) + ")";
    case Signal::Unquoted:
      return a.target.takenOver
                 ? "unquoted: " + InTextLine(a.target.takeover) + " runs in place of " + InTextLine(a.target.meant)
                 : "unquoted: a file " + InTextLine(a.target.takeover) + " would run first";
    case Signal::ScriptHost: return std::string("runs through ") + HostName(a.target.host);
    case Signal::RunsCode: return "opening such a file runs it";
    case Signal::CommandChanged: return "not the standard command";
    case Signal::NotVerifiable: return "its signature cannot be verified here (offline)";
    case Signal::NoProgram: return "the command names no program";
  }
  return std::string();
}

std::string RiskPanel(const Assessment& a) {
  // Three lines at most, as the panel has little room: what runs, who made
  // and signed it, and the signals. What the registry or the file says is
  // shown in line (InTextLine): it cannot begin a line of its own.
  std::string t;
  const auto line = [&t](const std::string& s) { t.append(t.empty() ? "" : "\r").append(s); };
  if (!a.delegateExecute.empty())
    line("RUNS: a COM handler (DelegateExecute " + InTextLine(a.delegateExecute) + ")" +
         (a.target.program.empty() ? std::string() : " in " + InTextLine(a.target.program)));
  else if (!a.packagedApp.empty()) line("RUNS: the packaged app " + InTextLine(a.packagedApp));
  else if (a.target.kind == CommandTarget::Kind::Document) line("RUNS: the file opened itself");
  else if (a.target.host != CommandHost::None && !a.target.payload.empty())
    line(std::string("RUNS: ") + HostName(a.target.host) + " -> " + InTextLine(a.target.payload));
  else if (!a.target.program.empty())
    line("RUNS: " + InTextLine(a.target.program) +
         (a.target.source == CommandTarget::Source::AppPaths        ? " (registered under App Paths)"
          : a.target.source == CommandTarget::Source::SearchFolders ? " (found on the search path)"
                                                                  : ""));
  std::string from = InTextLine(a.company);
  if (!a.product.empty()) from.append(from.empty() ? "" : ", ").append(InTextLine(a.product));
  if (!a.signer.empty()) from.append(from.empty() ? "" : "; ").append("signed by ").append(InTextLine(a.signer));
  if (!from.empty()) line("FROM: " + from);
  std::string said;
  for (Signal s : a.signals) said.append(said.empty() ? "SIGNALS: " : "; ").append(SignalReason(s, a));
  if (!said.empty()) line(said);
  return t;
}

const char* const kDetailsCaption = "Details";
const char* const kDetailsClose = "Close";

std::string DetailsTitle(const std::string& type) {
  return std::string("Details of ") + KindOf(type) + ListName(type) + " - " + kAppTitle;
}

std::string DetailsText(const DetailFacts& f) {
  std::string t;
  const auto line = [&t](const std::string& label, const std::string& value) {
    t.append(label).append(": ").append(value.empty() ? std::string("-") : DetailsValue(value)).append("\r");
  };
  line(f.type[0] == '.' ? "File type" : "Link (URL protocol)", ListName(f.type));
  const std::string change = f.change == "latent" ? "latent: the " + f.latentLayer + " changed, which would take over "
                                                        "should " + f.decider + " go; what opens it now is the same"
                             : f.change == "unreadable"
                                 ? "unreadable: its key " + f.unreadableKey + " cannot be read with your rights, so "
                                   "what opens it now is unknown"
                             : f.change == "new"     ? "new: the base does not have it"
                             : f.change == "removed" ? "removed: it is gone since the base was recorded"
                             : f.change == "changed" && f.onlySetAside
                                 ? "changed: Explorer's choice that Windows does not honour changed; what opens it "
                                   "now is the same"
                             : f.change == "changed" ? "changed: it opens otherwise than the base recorded"
                                                     : "none: as the base recorded it";
  line("Change", change);
  line("Key written", f.written);
  const auto side = [&](const char* name, const DetailSide& s, bool current) {
    t.append("\r").append(name).append("\r");
    if (current && !f.unreadableKey.empty()) {
      t.append("  (").append(kCannotBeRead).append(")\r");
      return;
    }
    if (!s.present) {
      t.append("  (none)\r");
      return;
    }
    line("  Program identifier", s.progId);
    line("  Command", s.command);
    line("  Program", s.program);
    if (current) {
      line("  Runs", s.runs);
      std::string words;
      for (const auto& w : s.signals) words.append(words.empty() ? "" : ", ").append(w);
      line("  Signals", words.empty() ? "none" : words);
      line("  Signed by", s.signer);
      line("  Company", s.company);
      line("  Product", s.product);
    }
    line("  Verb", s.verb.empty() ? "open" : s.verb);
    line("  Handler", s.handler);
    if (!s.notHonoured.empty()) line("  Not honoured", "Explorer's choice " + s.notHonoured);
  };
  side("In the base", f.base, false);
  side("Now", f.current, true);
  t.append("\r");
  line("Kind", f.type[0] == '.' ? "file type" : "link (URL protocol)");
  line("Decided by", f.decider);
  line("Layers now", f.layersNow);
  line("Layers in the base", f.layersBase);
  line("Explorer's choice", f.choice.empty() ? std::string("none") : f.choice);
  if (!f.ignoredChoice.empty())
    line("Not honoured", "Explorer's choice " + f.ignoredChoice + " (its hash does not verify, or Windows reset it)");
  line("Windows runs", f.windowsRuns);
  for (const auto& r : f.reasons) line("Why", r);
  t.append("\r");
  line("Base file", f.baseFile);
  line("Base written", f.baseWritten);
  line("Earlier bases kept", std::to_string(f.generations));
  return t;
}

std::string PanelWithFacts(const std::string& text, const std::string& facts) {
  return facts.empty() ? text : text + "\r\r" + facts;
}

std::string DescribeOpener(const AssocEntry& e) {
  if (!HasLayers(&e)) return std::string();
  std::string t = InTextLine(OpenerOf(e));
  if (e.VerbIsNotOpen()) t.append(", verb \"").append(InTextLine(e.Verb())).append("\"");
  return t + " (" + LayerName(e.Decider()) + ")";
}

std::string DescribeLayers(const AssocEntry* now, const AssocEntry* before) {
  const bool hasNow = HasLayers(now), hasBefore = HasLayers(before);
  if (!hasNow && !hasBefore) return std::string();
  using Get = const std::string& (AssocEntry::*)() const;
  const std::pair<const char*, Get> layers[] = {
      {"choice", &AssocEntry::ChoiceProgID}, {"user", &AssocEntry::UserProgID}, {"machine", &AssocEntry::MachineProgID}};
  // A protocol's classes layers hold commands: their programs are shown.
  const auto shown = [](const AssocEntry* e, Get get) {
    const std::string& value = (e->*get)();
    if (!e->IsProtocol() || get == static_cast<Get>(&AssocEntry::ChoiceProgID) || value.empty()) return Short(value);
    return Short(ProgramNameFromCommand(value));
  };
  std::string t;
  for (const auto& [name, get] : layers) {
    const std::string a = hasBefore ? shown(before, get) : std::string();
    const std::string b = hasNow ? shown(now, get) : std::string();
    if (!t.empty()) t += ", ";
    t.append(name).append(" ");
    if (!hasBefore) t += b;
    else if (!hasNow || EqualsNoCase(a, b)) t += a;
    else t.append(a).append(" -> ").append(b);
  }
  return t;
}

std::string DescribeVerb(const AssocEntry* now, const AssocEntry* before) {
  const auto telling = [](const AssocEntry* e) {
    return e && e->VerbsRead() && (e->VerbIsNotOpen() || !e->Handler().empty());
  };
  if (!telling(now) && !telling(before)) return std::string();
  const auto side = [](const AssocEntry* e) {
    if (!e || !e->VerbsRead()) return std::string("-");
    std::string t = e->VerbIsNotOpen() ? InTextLine(e->Verb()) : std::string("open");
    if (!e->Handler().empty()) t.append(", handler ").append(InTextLine(e->Handler()));
    return t;
  };
  const std::string a = side(before), b = side(now);
  if (!before) return b;
  if (!now || EqualsNoCase(a, b)) return a;
  return a + " -> " + b;
}

std::string IgnoredChoiceLine(const AssocEntry* entry, const AssocEntry* base) {
  const bool changed = entry && base && SetAsideDiffers(*entry, *base);
  if (!entry || entry->IgnoredChoice().empty())
    return changed ? "NOT HONOURED in the base: Explorer's choice " + InTextLine(base->IgnoredChoice()) + "; now none"
                   : std::string();
  std::string line = "NOT HONOURED: Explorer's choice " + InTextLine(entry->IgnoredChoice()) +
                     " (Windows does not use it: its hash does not verify, or Windows reset it)";
  if (changed)
    line += "; in the base: " + (base->IgnoredChoice().empty() ? std::string("none") : InTextLine(base->IgnoredChoice()));
  return line;
}

std::string WindowsRunsLine(const std::string& progId, const std::string& command) {
  // One line: the identifier it names, else the program of its command.
  return "WINDOWS RUNS: " + InTextLine(!progId.empty()   ? progId
                                       : command.empty() ? std::string("-")
                                                         : ProgramNameFromCommand(command));
}

const char* const kBoxTitle = kProductName;

std::string CloseQuestion() {
  return std::string("One or more of the Current default Open applications is\r") +
         "different from that stored as your Base. Would you like to\r" +
         "accept the Current settings as your new Base? \r\r" + "If so, click Yes.\r\r" +
         "Click No to keep your Base file as it is. " + kAppTitle + " will continue\r" +
         "to report these items as 'changed' in future sessions.";
}

std::string RestoreWarning() {
  return std::string("You are about to modify your Windows Registry.") +
         " Making these changes could cause another application" +
         " (most likely one that was recently installed) to operate incorrectly." +
         " If you are unsure, click Cancel to abandon the changes." + "\r\r" +
         "Maintaining up-to-date backup copies of your Windows Registry files" +
         " (SYSTEM.DAT and USER.DAT) always is advisable.";
}

std::string SkippedKeyLine(const std::string& name, long status) {
  // Appended piece by piece: GCC 12 warns wrongly about "a" + b chains.
  std::string text;
  if (name.empty()) text.append("(a name that could not be read)");
  else text.append("\"").append(name).append("\"");
  if (status == ERROR_SUCCESS) text.append(" - the same name as a type already read");
  else text.append(" - error ").append(std::to_string(status));
  return text;
}

std::string SkippedKeys(const std::vector<std::string>& lines, size_t count) {
  return std::to_string(count) +
         " key(s) under HKEY_CLASSES_ROOT could not be checked, and the file types "
         "they stand for may have changed unnoticed:\r" +
         FirstTenThenMore(lines) + "\r\rUse the system's registry editor to look at these keys.";
}

std::string NotRestored(const std::vector<RestoreFailure>& failed,
                        const std::function<std::string(long)>& errorText) {
  const RefusedWrites refused = DescribeRefusedWrites(failed, errorText);
  return "The registry refused to restore " + std::to_string(refused.lines.size()) + " file type(s):\r" +
         FirstTenThenMore(refused.lines) + "\r\rThese types are still listed." + refused.advice;
}

std::string ChoicesToConfirm(const std::vector<std::pair<std::string, std::string>>& typesAndPrograms,
                             bool pageOpened, bool pageOfProgram, bool cancelledOrRefused, long status,
                             const std::string& reason) {
  size_t links = 0;
  for (const auto& [type, program] : typesAndPrograms) links += KindOf(type)[0] == 'l' ? 1 : 0;
  std::string which = std::to_string(typesAndPrograms.size() - links) + " file type(s)";
  if (links > 0)
    which = (links == typesAndPrograms.size() ? std::string() : which + " and ") + std::to_string(links) + " link(s)";
  std::string text = std::string("Explorer's choice of the program for ") + which +
                     " is not the one your base recorded. Windows protects that choice, so " + kAppTitle +
                     " does not write it.\r";
  std::vector<std::string> lines;
  for (const auto& [type, program] : typesAndPrograms)
    lines.push_back(type + ": " + (program.empty() ? std::string("(none)") : program));
  text += FirstTenThenMore(lines);
  text.append("\r\r");
  std::string error;
  if (!pageOpened) {
    error = "error " + std::to_string(status);
    if (!reason.empty()) error.append(": ").append(reason);
  }
  if (pageOpened && pageOfProgram) {
    text.append("Windows' Default apps page of the recorded program opens now: there, choose it for each type "
                "listed.");
  } else if (pageOpened) {
    text.append("Windows' Default apps page opens now: there, look up each type listed and choose the program "
                "named beside it.");
  } else if (cancelledOrRefused) {
    text.append("Windows did not open its Default apps page: it was cancelled or refused (" + error +
                "). In Settings > Apps > Default apps, choose the program named beside each type listed.");
  } else {
    text.append("Windows' Default apps page is not there to open (" + error +
                "). In Settings > Apps > Default apps, choose the program named beside each type listed.");
  }
  text.append(" Refresh (F5) then shows whether it took.");
  return text;
}

std::string BaseNotChangedOnClose(const std::string& error) { return error + "\r\rThe base was not changed."; }

std::string DamagedBaseQuestion(const std::string& error, bool formerBase, const std::string& newBaseFile) {
  return error + "\r\r" + kAppTitle + " can record a new base from the current settings now, " +
         (formerBase ? "in " + newBaseFile + ", and leave this file as it is."
                     : std::string("and keep this file beside it under a new name.")) +
         "\r\rRecord a new base? (No ends " + kAppTitle + " and leaves the file as it is.)";
}

std::string BaseLeftAsItWas(const std::string& error, const std::string& where) {
  return error + "\r\rThe base file was left as it was. (In " + where + ".)";
}

std::string ErrorStopped(const std::string& where, const std::string& error) {
  return "An error stopped " + where + ":\r\r" + error;
}

std::string UnknownErrorStopped(const std::string& where) { return "An unknown error stopped " + where + "."; }

std::string HelpFileMissing(const std::string& file) { return "The help file \"" + file + "\" is missing."; }

std::string HelpViewersFailed(const std::string& hlp) {
  return "neither winhelp.exe nor winhlp32.exe could be started for \"" + hlp + "\"";
}
std::string HtmlHelpFailed(const std::string& chm) { return "HTML Help could not open \"" + chm + "\""; }
std::string NoProgramOpens(const std::string& htm) { return "no program opens \"" + htm + "\""; }

std::string HelpCannotBeShown(const std::vector<std::string>& failures) {
  std::string text = "Help cannot be shown: ";
  for (size_t i = 0; i < failures.size(); ++i)
    text += (i == 0 ? "" : i + 1 == failures.size() ? ", and " : ", ") + failures[i];
  return text + ".";
}

const char* const kWarningTitle = "Warning!";
const char* const kWarningHeading = "Warning!";
const char* const kWarningOK = "&OK";
const char* const kWarningCancel = "&Cancel";
const char* const kWarningDontShow = "&Don't show this warning for future changes.";
const char* const kWarningClickOK = "Click OK to make the change, Cancel to leave your settings as they are now.";

const char* const kStatusDesignCaption = "frmStatus";
const char* const kStatusDesignText = "Checking Registry for changes in default Open applications...";
const char* const kStatusChecking = "Checking Registry for changes to file associations...";
const char* const kStatusNoChanges = "OK!\rNo changes found.";

const char* const kAboutDesignCaption = "About";
std::string AboutTitle(const std::string& title) { return "About " + title; }
std::string AboutVersion(int major, int minor, int revision) {
  return "Version " + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
}
std::string AboutDescription(const std::string& product) {
  return product + " is the easiest way to track and maintain your preferred" +
         " associations between default Open applications and file types," + " despite efforts by other programs to" +
         " alter your settings.";
}
std::string AboutBaseFile(const std::string& file) { return file.empty() ? std::string() : "Base file: " + file; }
const char* const kAboutDisclaimer = "This program was developed by:\rNordane Software\r14 Harrow Lane\rKestrel Bay KB1 4RT\r";
const char* const kAboutMailTip = "Send Mail";
const char* const kAboutWebTip = "Visit Web Site";
const char* const kAboutOK = "OK";
const char* const kAboutSysInfo = "&System Info...";
const char* const kSysInfoUnavailable = "System Information Is Unavailable At This Time";
std::string LinkProgramFailed(const std::string& link, const std::string& command) {
  return "The program for \"" + link + "\" could not be started:\r" + command;
}

std::string AccountRefusedBox(const AccountCheck& check) {
  return std::string(kAppTitle) + " has read and changed nothing: " + AccountRefusal(check) + "\r\rStart " +
         kAppTitle + " as the user signed in.";
}

std::string OtherAccountBox(const AccountCheck& check) {
  return OtherAccount(check) + "\r\rTo check the settings of the user signed in, start " + kAppTitle +
         " as that user, without another account's name and password.";
}

std::string AlreadyRunning() {
  return std::string(kAppTitle) + " is already running! Did you\rwant to open another copy?";
}

std::string RefusedSetting(const std::string& name, long status) {
  return "The setting \"" + name + "\" could not be saved: the registry refused it in HKEY_LOCAL_MACHINE and in " +
         "HKEY_CURRENT_USER (" + kSettingsKey + ", error " + std::to_string(status) + "). It holds until " +
         kAppTitle + " ends.";
}

const char* const kRegistryBoxTitle = "ODBC Registry";

std::string SettingNotRead(const SettingFailure& f) {
  switch (f.kind) {
    case SettingFailure::Kind::KeyNotOpened:
      return "Error Opening Registry Key Entry:\r\nKey/Path=" + f.key + "\r\nDLL Returned=" + std::to_string(f.status);
    case SettingFailure::Kind::ValueNotRead:
      return "Error Retrieving Registry Key Entry:\r\nKey=" + f.name + "\r\nDLL Returned=" + std::to_string(f.status);
    case SettingFailure::Kind::Unexpected: return f.what;
    case SettingFailure::Kind::None: break;
  }
  return std::string();
}

std::string UnexpectedError(const std::string& what) {
  return std::string("An unexpected error stopped ") + kAppTitle + (what.empty() ? "." : ":\r\r" + what);
}

}  // namespace hollin::msg
