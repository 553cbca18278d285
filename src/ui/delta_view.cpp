#include "ui/delta_view.h"

#include "common/names.h"
#include "common/text.h"
#include "common/wtf8.h"

namespace hollin::ui {
namespace {

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
  return OpenerOf(e) + " (" + kDeciders[static_cast<int>(e.Decider())] + ")";
}

std::string DescribeLayers(const AssocEntry* now, const AssocEntry* before) {
  const bool hasNow = HasLayers(now), hasBefore = HasLayers(before);
  if (!hasNow && !hasBefore) return std::string();
  using Get = const std::string& (AssocEntry::*)() const;
  const std::pair<const char*, Get> layers[] = {
      {"choice", &AssocEntry::ChoiceProgID}, {"user", &AssocEntry::UserProgID}, {"machine", &AssocEntry::MachineProgID}};
  std::string t;
  for (const auto& [name, get] : layers) {
    const std::string a = hasBefore ? Short((before->*get)()) : std::string();
    const std::string b = hasNow ? Short((now->*get)()) : std::string();
    if (!t.empty()) t += ", ";
    t.append(name).append(" ");
    if (!hasBefore) t += b;
    else if (!hasNow || EqualsNoCase(a, b)) t += a;
    else t.append(a).append(" -> ").append(b);
  }
  return t;
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

DeltaOutcome ShowDelta(const AppState& g, DeltaFlags& flags, IDeltaWindow& w) {
  w.SetSecondColumn("Changed To Open With", 10);
  for (const auto& item : FindChanges(*g.CurrentEntries, *g.BaseEntries))
    w.AddRow(item.Ext, item.kind == ChangedItem::Kind::Removed ? "(none)" : item.Opener);

  const int rows = w.RowCount();
  if (rows == 0 && flags.NewDBCreated) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (flags.HiddenStart) w.ShowMainWindow(false);
    w.SetInfo(WelcomeText());
    w.SetStatus(Led::Grey, "New BASE record created.");
    flags.NewDBCreated = false;
    return DeltaOutcome::Welcome;
  }
  if (rows == 0) {
    w.EnableAccept(false);
    flags.ChangesPending = false;
    if (flags.HiddenStart) w.QuietStartNoChanges();
    std::string prefix = "OK! ";
    if (flags.RestoreConfirmed) {
      prefix = "Base settings restored. ";
      flags.RestoreConfirmed = false;
    } else if (flags.BaseUpdated) {
      prefix = "Updated BASE created. ";
      flags.BaseUpdated = false;
    }
    w.SetStatus(Led::Green, prefix + "No changed entries found.");
    return DeltaOutcome::NoChanges;
  }
  if (flags.HiddenStart) w.ShowMainWindow(true);
  std::string prefix;
  if (flags.RestoreConfirmed) {
    prefix = "Base settings restored. ";
    flags.RestoreConfirmed = false;
  }
  w.SetStatus(Led::Red, prefix + std::to_string(rows) + " CHANGED item(s) - select from list to view details.");
  flags.HiddenStart = false;
  flags.ChangesPending = true;
  w.EnableAccept(true);
  return DeltaOutcome::Changes;
}

}  // namespace hollin::ui
