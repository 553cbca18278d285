// The changes view: the window state each outcome of change detection
// leaves, and the welcome text.
#include <gtest/gtest.h>

#include "compare/check.h"
#include "support/entries.h"
#include "ui/delta_view.h"

namespace hollin::ui {
namespace {

using test::Entries;

// The changes view of g's two collections, as the window builds it.
DeltaOutcome Show(const Associations& g, DeltaFlags& flags, IDeltaWindow& w) {
  return ShowDelta(FindChanges(*g.CurrentEntries, *g.BaseEntries, LinksKnown(g), true), flags, w);
}

// Records what ShowDelta does to the window, in order.
struct FakeWindow : IDeltaWindow {
  std::vector<std::string> calls;
  std::vector<std::string> rows;
  void SetSecondColumn(const std::string& caption, int extra) override {
    calls.push_back("column " + caption + " +" + std::to_string(extra));
  }
  void AddRow(const std::string& text, const std::string& sub, bool link, bool latent) override {
    rows.push_back(text + "|" + sub + (link ? "|link" : "") + (latent ? "|latent" : ""));
  }
  int RowCount() const override { return static_cast<int>(rows.size()); }
  void EnableAccept(bool on) override { calls.push_back(on ? "accept on" : "accept off"); }
  void ShowMainWindow(bool beep) override { calls.push_back(beep ? "main+beep" : "main"); }
  void QuietStartNoChanges() override { calls.push_back("quiet ok"); }
  void SetInfo(const std::string&) override { calls.push_back("welcome"); }
  void SetStatus(Led led, const std::string& text) override {
    calls.push_back("led " + std::to_string(static_cast<int>(led)) + " " + text);
  }
};

struct OutcomeCase {
  const char* name;
  bool changes, newDB, restored, updated, hidden;
  std::vector<std::string> calls;
  bool restoredAfter, updatedAfter, pending;
};

// The outcomes after a restore, and what changes do to a quiet start (the
// window tests show the others whole, a quiet start's three ends among them).
TEST(ShowDelta, OutcomesSetTheWholeWindowState) {
  const std::string column = "column Changed To Open With +10";
  const std::string changed = " CHANGED item(s) - select from list to view details.";
  const OutcomeCase cases[] = {
      {"restored and accepted: only the restore is told", false, false, true, true, false,
       {column, "accept off", "led 3 Base settings restored. No changed entries found."}, false, true, false},
      {"changes, quiet", true, false, false, false, true,
       {column, "main+beep", "led 2 1" + changed, "accept on"}, false, false, true},
      {"changes after a restore; an accept stays untold", true, false, true, true, false,
       {column, "led 2 Base settings restored. 1" + changed, "accept on"}, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Associations g;
    g.CurrentEntries = Entries({{".txt", c.changes ? "x.exe" : "n.exe"}});
    g.BaseEntries = Entries({{".txt", "n.exe"}});
    DeltaFlags flags{c.newDB, c.updated, c.restored, !c.changes, c.hidden, {}};
    FakeWindow w;
    Show(g, flags, w);
    EXPECT_EQ(w.calls, c.calls);
    EXPECT_EQ(flags.RestoreConfirmed, c.restoredAfter);
    EXPECT_EQ(flags.BaseUpdated, c.updatedAfter);
    EXPECT_EQ(flags.ChangesPending, c.pending);
    EXPECT_FALSE(flags.NewDBCreated);
    // Changes end a quiet start; the other outcomes leave it to the paint.
    EXPECT_EQ(flags.HiddenStart, c.hidden && !c.changes);
  }
}

// Links first recorded with a base of an earlier format are said once,
// after the outcome; links the base lacks are not listed then.
TEST(ShowDelta, LinksNowGuardedIsSaidOnceAndNoLinkIsNew) {
  Associations g;
  g.CurrentEntries = Entries({{".txt", "n.exe"}, {"http", "web.exe %1"}});
  g.BaseEntries = Entries({{".txt", "n.exe"}});
  g.BaseFormat = 2;
  DeltaFlags flags;
  flags.LinksNowGuarded = true;
  FakeWindow w;
  Show(g, flags, w);
  EXPECT_TRUE(w.rows.empty());
  EXPECT_EQ(w.calls.back(),
            "led 3 OK! No changed entries found. Links (URL protocols) and default verbs are guarded from now on.");
  EXPECT_FALSE(flags.LinksNowGuarded);
  FakeWindow again;
  g.BaseFormat = 3;
  Show(g, flags, again);
  EXPECT_EQ(again.rows, std::vector<std::string>{"http:|web|link"});
  EXPECT_EQ(again.calls.back(), "accept on");
}

}  // namespace
}  // namespace hollin::ui
