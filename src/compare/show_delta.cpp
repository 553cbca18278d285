#include "compare/show_delta.h"

#include <unordered_set>

#include "common/names.h"
#include "common/text.h"
#include "common/wtf8.h"
#include "compare/exe_name.h"

namespace hollin {
namespace {

// True when entry's counterpart in other is missing or differs in what
// opens the type. Any error while looking up or comparing counts as a change.
// A protocol that a base of an earlier format (linksKnown false) lacks is
// none: that base never recorded any.
bool Changed(const AssocEntry& entry, const AssocEntries& other, bool linksKnown) {
  try {
    const AssocEntry* counterpart = other.Lookup(entry.Ext());
    if (!counterpart) return linksKnown || !entry.IsProtocol();
    return OpensDifferently(*counterpart, entry);
  } catch (...) {
    return true;
  }
}

// Whether two entries run another verb: "open" and no verb at all count as
// one (neither names another).
bool VerbsDiffer(const AssocEntry& a, const AssocEntry& b) {
  if (!a.VerbIsNotOpen() && !b.VerbIsNotOpen()) return false;
  return !EqualsNoCase(a.Verb(), b.Verb()) || a.VerbCommand() != b.VerbCommand();
}

}  // namespace

bool OpensDifferently(const AssocEntry& a, const AssocEntry& b) {
  if (a.ProgramFullPath() != b.ProgramFullPath()) return true;
  // The verb and what it runs, where both sides recorded them (a base
  // written before they were has none).
  if (a.VerbsRead() && b.VerbsRead() && (VerbsDiffer(a, b) || !EqualsNoCase(a.Handler(), b.Handler())))
    return true;
  // A record without layers (of a base written before they were recorded)
  // is compared by the merged command alone, as it always was.
  if (!a.Layered() || !b.Layered()) return false;
  return !EqualsNoCase(a.InForceProgID(), b.InForceProgID()) || a.OpenerCommand() != b.OpenerCommand();
}

std::string OpenerOf(const AssocEntry& e) {
  if (!e.OpenerName().empty()) return e.OpenerName();
  // A handler runs instead of the command.
  if (e.VerbsRead() && !e.Handler().empty()) return e.Handler() + " (handler)";
  return ProgramNameFromCommand(e.RunCommand());
}

std::string ListName(const AssocEntry& e) { return ListName(e.Ext()); }

std::string ListName(const std::string& name) {
  return !name.empty() && name[0] != '.' ? name + ":" : name;
}

std::string EntryName(std::string_view listed) {
  if (!listed.empty() && listed[0] != '.' && listed.back() == ':') listed.remove_suffix(1);
  return std::string(listed);
}

namespace {

bool HasLayers(const AssocEntry* e) {
  return e && e->Layered() && !(e->ChoiceProgID().empty() && e->UserProgID().empty() && e->MachineProgID().empty());
}

// An identifier as the panel shows it: "-" for none, a long one cut short.
std::string Short(const std::string& id) {
  if (id.empty()) return "-";
  constexpr size_t kLongest = 24;
  if (Utf16Length(id) <= kLongest) return id;
  size_t i = 0;
  char32_t cp;
  for (size_t n = 0; n < kLongest - 3 && i < id.size(); ++n)
    if (!DecodeWtf8(id, i, cp)) ++i;
  return id.substr(0, i) + "...";
}

}  // namespace

std::string DescribeOpener(const AssocEntry& e) {
  if (!HasLayers(&e)) return std::string();
  static const char* const kDeciders[] = {"Explorer's choice", "user classes", "machine classes", "class root"};
  std::string t = OpenerOf(e);
  if (e.VerbIsNotOpen()) t.append(", verb \"").append(e.Verb()).append("\"");
  return t + " (" + kDeciders[static_cast<int>(e.Decider())] + ")";
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
    std::string t = e->VerbIsNotOpen() ? e->Verb() : std::string("open");
    if (!e->Handler().empty()) t.append(", handler ").append(e->Handler());
    return t;
  };
  const std::string a = side(before), b = side(now);
  if (!before) return b;
  if (!now || EqualsNoCase(a, b)) return a;
  return a + " -> " + b;
}

std::vector<ChangedItem> FindChanges(const AssocEntries& current, const AssocEntries& base, bool linksKnown) {
  std::vector<ChangedItem> changed;
  std::unordered_set<std::string> listed;
  for (const auto& c : current) {
    if (!Changed(*c, base, linksKnown)) continue;
    changed.push_back({c->Ext(), OpenerOf(*c)});
    listed.insert(FoldCase(c->Ext()));
  }
  for (const auto& b : base) {
    if (!Changed(*b, current, true)) continue;
    if (listed.insert(FoldCase(b->Ext())).second) changed.push_back({b->Ext(), "(none)"});
  }
  return changed;
}

std::string LinksNowGuardedText() {
  return "Links (URL protocols) and default verbs are guarded from now on.";
}

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

DeltaOutcome ShowDelta(AppState& g, DeltaFlags& flags, IDeltaWindow& w) {
  w.SetSecondColumn("Changed To Open With", 10);
  for (const auto& item : FindChanges(*g.CurrentEntries, *g.BaseEntries, g.BaseFormat == 0 || g.BaseFormat >= 3))
    w.AddRow(ListName(item.Ext), item.EXEName, item.Ext[0] != '.');
  // Said once: the check that recorded the links with the base.
  std::string guarded;
  if (flags.LinksNowGuarded) {
    guarded = " " + LinksNowGuardedText();
    flags.LinksNowGuarded = false;
  }

  const int rows = w.RowCount();
  if (rows == 0 && flags.NewDBCreated) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (g.HiddenStart) w.ShowMainWindow(false);
    w.SetInfo(WelcomeText());
    w.SetStatus(Led::Grey, "New BASE record created.");
    flags.NewDBCreated = false;
    return DeltaOutcome::Welcome;
  }
  if (rows == 0) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (g.HiddenStart) w.QuietStartNoChanges();
    std::string prefix = "OK! ";
    if (g.RestoreConfirmed) {
      prefix = "Base settings restored. ";
      g.RestoreConfirmed = false;
    } else if (flags.BaseUpdated) {
      prefix = "Updated BASE created. ";
      flags.BaseUpdated = false;
    }
    w.SetStatus(Led::Green, prefix + "No changed entries found." + guarded);
    return DeltaOutcome::NoChanges;
  }
  if (g.HiddenStart) w.ShowMainWindow(true);
  std::string prefix;
  if (g.RestoreConfirmed) {
    prefix = "Base settings restored. ";
    g.RestoreConfirmed = false;
  }
  w.SetStatus(Led::Red, prefix + std::to_string(rows) +
                            " CHANGED item(s) - select from list to view details." + guarded);
  g.HiddenStart = false;
  flags.ChangesPending = true;
  w.EnableAccept(true);
  return DeltaOutcome::Changes;
}

}  // namespace hollin
