// The guard on the stand-in registry, driven by a stand-in that delivers
// change signals on a clock of its own: when a change set settles, what is
// said and how often, the base changing under it, the answers to a notice,
// "Always restore", and a pause.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>

#include "base/base_store.h"
#include "common/base_turn.h"
#include "compare/always_restore.h"
#include "compare/check.h"
#include "guard/guard.h"
#include "guard/loop.h"
#include "messages/messages.h"
#include "registry/merged_class_root.h"
#include "support/registry_store.h"
#include "registry/scan.h"
#include "registry/scan_pack.h"
#include "support/fake_platform.h"
#include "support/hand_made_base.h"
#include "support/test_support.h"

namespace hollin::guard {
namespace {

using Kind = CheckRecord::Kind;

constexpr const char* kClasses =
    "REGEDIT4\n"
    "[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"
    "[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]\n@=\"C:\\\\WINDOWS\\\\NOTEPAD.EXE %1\"\n"
    "[HKEY_CLASSES_ROOT\\.bmp]\n@=\"Paint.Picture\"\n"
    "[HKEY_CLASSES_ROOT\\Paint.Picture\\shell\\open\\command]\n@=\"C:\\\\Paint\\\\zpaint.exe %1\"\n"
    "[HKEY_CLASSES_ROOT\\.rtf]\n@=\"rtffile\"\n"
    "[HKEY_CLASSES_ROOT\\.ini]\n@=\"txtfile\"\n"
    "[HKEY_CLASSES_ROOT\\rtffile\\shell\\open\\command]\n@=\"C:\\\\Write\\\\write.exe %1\"\n"
    "[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n";

// The signals a test delivers, each at its time, with what happens then
// (a write to the registry, say); in between the clock runs to the time
// the guard asks to be woken at.
struct Signals : ISignals {
  struct Event {
    Millis at;
    Wakeup what;
    std::function<void()> act;
  };
  std::deque<Event> events;
  Millis now = 0;
  Millis Now() override { return now; }
  Wakeup Wait(Millis wakeAt) override {
    if (!events.empty() && events.front().at <= wakeAt) {
      Event e = std::move(events.front());
      events.pop_front();
      now = std::max(now, e.at);
      if (e.act) e.act();
      return e.what;
    }
    if (wakeAt == kNever) return Wakeup::Stop;
    now = std::max(now, wakeAt);
    return Wakeup::Time;
  }
};

struct Host : IGuardHost {
  const Signals* clock = nullptr;
  std::vector<std::pair<Millis, std::string>> said;  // each notice shown, with its time
  std::vector<Kind> records;
  std::vector<std::string> notes;  // of every record, in order
  std::string tip;
  void Show(const Notice& n) override {
    if (!n.empty()) said.emplace_back(clock->now, NoticeText(n));
  }
  void Tip(const std::string& t) override { tip = t; }
  void Record(const CheckRecord& r) override {
    records.push_back(r.kind);
    notes.insert(notes.end(), r.notes.begin(), r.notes.end());
  }
};

// A guard on kClasses with its base in a fresh folder, and the signals it
// is to get.
struct GuardRun {
  GuardRun() {
    reg.LoadText(kClasses, "classes");
    g.BaseFile = dir.File("Prev");
    host.clock = &signals;
  }
  // Writes that a registry signal follows, as a program would make them;
  // in the order of their times, those of one time as given.
  void At(Millis at, std::function<void()> act, Wakeup what = Wakeup::Registry) {
    auto& events = signals.events;
    const auto later = std::find_if(events.begin(), events.end(), [at](const auto& e) { return e.at > at; });
    events.insert(later, {at, what, std::move(act)});
  }
  void Take(const std::string& ext, const std::string& progId = "Grab.Doc") {
    reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\" + ext + "]\n@=\"" + progId + "\"\n", "write");
  }
  void Run() { RunGuard(guard, signals); }
  // An accept by another process: what is there now becomes the base.
  void AcceptElsewhere() {
    Associations other;
    other.BaseFile = g.BaseFile;
    other.CurrentEntries = ScanCurrent(reg, platform).entries;
    BaseStore vsd;
    SaveCurrentAsDefault(other, vsd);
  }
  // The base as the guard left it in its file.
  std::shared_ptr<AssocEntries> Saved() {
    Associations saved;
    saved.BaseFile = g.BaseFile;
    BaseStore vsd;
    EXPECT_TRUE(LoadRecordedBase(saved, vsd));
    return saved.BaseEntries;
  }

  test::TempDir dir;
  RegistryStore reg;
  test::FakePlatform platform;
  Associations g;
  Signals signals;
  Host host;
  Guard guard{reg, platform, g, host};
};

class GuardTest : public ::testing::Test, public GuardRun {
 protected:
  using GuardRun::Run;
};

TEST(NoticeTest, SaysEachChangeSetInOneText) {
  auto opener = [](const char* ext, const char* command) {
    auto e = std::make_shared<AssocEntry>();
    e->Ext(ext);
    e->ProgramFullPath(command);
    return e;
  };
  auto notice = [](std::vector<std::string> types, std::vector<std::shared_ptr<const AssocEntry>> now) {
    Notice n;
    n.types = std::move(types);
    n.now = std::move(now);
    return n;
  };
  auto grabs = [&](int count) {  // .t0, .t1, ... all opening with Grab
    Notice n;
    for (int i = 0; i < count; ++i) {
      n.types.push_back(".t" + std::to_string(i));
      n.now.push_back(opener("", "C:\\Grab\\Grab.exe %1"));
    }
    return n;
  };
  Notice mixed = notice({".pdf", ".txt", ".x"},
                        {opener(".pdf", "C:\\Grab\\Grab.exe %1"), opener(".txt", "C:\\View\\view.exe"), nullptr});
  mixed.restored = {".rtf"};
  mixed.choices = {".pdf"};
  Notice failed;
  failed.problem = "The base file \"b.isd\" cannot be opened for reading (error 5): Access is denied.";
  const struct {
    Notice notice;
    std::string text;
  } cases[] = {
      {notice({".x"}, {nullptr}), "1 file type no longer opens with anything (.x)."},
      {grabs(10), "10 file types now open with Grab (.t0, .t1, .t2, .t3, .t4, .t5, .t6, .t7, .t8, .t9)."},
      {grabs(2000),
       "2,000 file types now open with Grab (.t0, .t1, .t2, .t3, .t4, .t5, .t6, .t7, .t8, .t9 and 1,990 more)."},
      {mixed,
       "3 file types now open with Grab and 2 other programs (.pdf, .txt, .x).\r\n"
       "Restored as your base has it: 1 file type (.rtf).\r\n"
       "Explorer's choice changed for 1 file type (.pdf): only Windows may set it back, in Settings."},
      {notice({"http", ".htm"}, {opener("http", "C:\\Grab\\Grab.exe %1"), opener(".htm", "C:\\Grab\\Grab.exe %1")}),
       "1 file type and 1 link now open with Grab (http:, .htm)."},
      {notice({"mailto"}, {nullptr}), "1 link no longer opens with anything (mailto:)."},
      {failed, failed.problem},  // a sentence already ended
  };
  for (const auto& c : cases) EXPECT_EQ(NoticeText(c.notice), c.text);
  EXPECT_EQ(Count(1234567), "1,234,567");
  // A notice not yet answered takes a later one in: each type as it is
  // now, and what failed before stays said until the notice is answered.
  Notice shown = notice({".pdf", ".txt"}, {opener(".pdf", "C:\\Grab\\Grab.exe %1"), nullptr});
  shown.refused = {".rtf"};
  shown.problem = failed.problem;
  Merge(shown, notice({".TXT", ".ini"}, {opener(".txt", "C:\\View\\view.exe"), opener(".ini", "C:\\View\\view.exe")}));
  EXPECT_EQ(NoticeText(shown),
            "3 file types now open with Grab and 1 other program (.pdf, .txt, .ini).\r\n"
            "Not restored, the registry refused it: 1 file type (.rtf).\r\n" + failed.problem);
  // A box's list: ten lines, then how many more.
  std::vector<std::string> lines(10, "x");
  EXPECT_EQ(msg::FirstTenThenMore(lines), "\rx\rx\rx\rx\rx\rx\rx\rx\rx\rx");
  lines.push_back("y");
  EXPECT_EQ(msg::FirstTenThenMore(lines), "\rx\rx\rx\rx\rx\rx\rx\rx\rx\rx\r... and 1 more.");
}

// An installer's storm of writes gives one check and one notice once the
// registry has been still for two seconds; writes that never stop give a
// check thirty seconds after the first of them, and the next after that.
TEST_F(GuardTest, ChecksOnceWhenTheRegistrySettles) {
  // 2,000 types taken over, each written five times.
  for (int i = 0; i < 10000; ++i)
    At(i, [this, i] {
      HKEY key = nullptr;
      ASSERT_EQ(reg.RegCreateKeyExA(HKEY_CLASSES_ROOT, (".s" + std::to_string(i % 2000)).c_str(), 0, nullptr, 0,
                                    KEY_SET_VALUE, nullptr, &key, nullptr),
                ERROR_SUCCESS);
      reg.RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("Grab.Doc"), 9);
      reg.RegCloseKey(key);
    });
  Run();
  EXPECT_EQ(guard.Checks(), 2) << "the first check, then one for the storm";
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].first, 9999 + 2000);
  EXPECT_EQ(host.said[0].second.substr(0, 47), "2,000 file types now open with grab (.s0, .s1, ");
}

TEST_F(GuardTest, AStormThatNeverSettlesIsCheckedAtTheLimit) {
  for (Millis t = 0; t <= 45000; t += 1500) At(t, [this, t] { Take(".w" + std::to_string(t)); });
  Run();
  ASSERT_EQ(host.said.size(), 2u);
  EXPECT_EQ(host.said[0].first, 30000) << "a storm is checked at the limit";
  EXPECT_EQ(host.said[1].first, 45000 + 2000);
  EXPECT_EQ(host.said[1].second.substr(0, 42), "31 file types now open with grab (.w0, .w1")
      << "one notice for both until it is answered";
}

// A base changed by an accept elsewhere is loaded again, and what it now
// holds is no change; a change told once is not told again until it
// changes once more, and a type kept is in the base.
TEST_F(GuardTest, SaysEachChangeOnceAgainstTheBaseInForce) {
  At(0, [this] { Take(".txt"); });
  At(500, [this] { AcceptElsewhere(); }, Wakeup::BaseFolder);  // the window's, say
  At(10000, [this] { Take(".bmp"); });
  At(20000, [this] { Take(".bmp", "Grab.Doc"); });  // the same state again
  At(20001, [this] { guard.Dismiss(); }, Wakeup::Time);
  At(30000, [this] { Take(".bmp", "rtffile"); });
  At(35000, [this] { Take(".bmp", "rtffile"); });  // told in this state already
  At(40000, [this] { guard.Keep(); }, Wakeup::Time);
  At(50000, [this] { Take(".rtf", "txtfile"); });
  Run();
  ASSERT_EQ(host.said.size(), 3u);
  EXPECT_EQ(host.said[0], std::make_pair(Millis{12000}, std::string("1 file type now opens with grab (.bmp).")));
  EXPECT_EQ(host.said[1], std::make_pair(Millis{32000}, std::string("1 file type now opens with write (.bmp).")));
  EXPECT_EQ(host.said[2], std::make_pair(Millis{52000}, std::string("1 file type now opens with NOTEPAD (.rtf).")))
      << "a kept type is in the base";
  const auto saved = Saved();
  EXPECT_EQ(saved->Item(".bmp")->InForceProgID(), "rtffile") << "Keep saved the type as told";
  EXPECT_EQ(saved->Item(".txt")->InForceProgID(), "Grab.Doc") << "the accept from elsewhere";
  EXPECT_EQ(guard.Checks(), 7);
  EXPECT_EQ(host.records, (std::vector<Kind>{Kind::FirstRun, Kind::ChangesFound, Kind::ChangesFound,
                                             Kind::Accepted, Kind::ChangesFound}))
      << "a state told again is recorded once";
}

// Between checks the guard holds no base (it reads it again for each
// check), yet its tip counts the base's types, a change is still told
// against it, and the Settings page is looked up from the types as
// recorded.
TEST_F(GuardTest, HoldsNoBaseBetweenChecks) {
  size_t heldAfterFirst = 99, heldAfterChange = 99;
  std::string tipAfterFirst, recordedProgId;
  At(1000, [&] {
    heldAfterFirst = g.BaseEntries->Count();
    tipAfterFirst = host.tip;
  }, Wakeup::Time);
  At(2000, [this] { Take(".txt"); });
  At(10000, [&] {
    heldAfterChange = g.BaseEntries->Count();
    const auto recorded = guard.Recorded({".txt", ".nope"});
    if (const AssocEntry* e = recorded->Lookup(".txt")) recordedProgId = e->InForceProgID();
    EXPECT_EQ(recorded->Count(), 1u) << "only the types asked for that the base holds";
  }, Wakeup::Time);
  Run();
  EXPECT_EQ(heldAfterFirst, 0u);
  EXPECT_EQ(heldAfterChange, 0u);
  EXPECT_NE(tipAfterFirst.find("guards what opens 4 file types"), std::string::npos) << tipAfterFirst;
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second, "1 file type now opens with grab (.txt).");
  EXPECT_EQ(recordedProgId, "txtfile");
}

// Explorer writes its folder views and MuiCache into the user classes all
// the time: those writes cost no check, while a takeover amid them, of a
// type's key or of the command of an identifier Explorer's choice names by
// its path (whose write leaves the time of the identifier's key as it was),
// is told within the five seconds the user classes' writes settle at the
// latest. (Which writes the user classes' state sees is its own table's.)
TEST_F(GuardTest, ExplorersWritesIntoTheUserClassesCostNoCheck) {
  const std::string user = "HKEY_CURRENT_USER\\Software\\Classes\\";
  reg.LoadText("REGEDIT4\n[" + user + ".usr]\n@=\"User.Doc\"\n[" + user +
                   "User.Doc\\shell\\open\\command]\n@=\"C:\\\\User\\\\user.exe %1\"\n"
                   "[" + user + "Applications\\write.exe\\shell\\open\\command]\n@=\"C:\\\\Write\\\\write.exe %1\"\n"
                   "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf\\"
                   "UserChoice]\n\"ProgId\"=\"Applications\\\\write.exe\"\n"
                   "[" + user + "Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags]\n",
               "user");
  const std::string shell = user + "Local Settings\\Software\\Microsoft\\Windows\\Shell\\";
  for (Millis t = 0; t <= 60000; t += 200)
    At(t, [this, t, shell] {
      const std::string n = std::to_string(t);
      reg.LoadText(t % 400 ? "REGEDIT4\n[" + shell + "Bags\\" + n + "\\Shell]\n\"Mode\"=dword:00000004\n"
                           : "REGEDIT4\n[" + shell + "MuiCache]\n\"C:\\\\App" + n + ".exe.FriendlyAppName\"=\"App\"\n",
                   "explorer");
    }, Wakeup::UserClasses);
  // A type's key in the user classes; the command of an identifier
  // Explorer's choice names by its path.
  At(20000, [&] { reg.LoadText("REGEDIT4\n[" + user + ".bmp]\n@=\"Grab.Doc\"\n", "takeover"); },
     Wakeup::UserClasses);
  At(30000, [&] {
    reg.LoadText("REGEDIT4\n[" + user +
                     "Applications\\write.exe\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grab.exe %1\"\n",
                 "takeover");
  }, Wakeup::UserClasses);
  // The class root as Windows shows it, the user classes merged over the
  // machine classes: an identifier's command there is what runs.
  MergedClassRoot merged(reg);
  Guard windows(merged, platform, g, host);
  RunGuard(windows, signals);
  ASSERT_EQ(host.said.size(), 2u);
  EXPECT_EQ(host.said[0].second, "1 file type now opens with grab (.bmp).");
  EXPECT_EQ(host.said[1].second, "2 file types now open with grab (.bmp, .rtf).") << "by the choice's path";
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_GT(host.said[i].first, 20000 + 10000 * static_cast<Millis>(i));
    EXPECT_LE(host.said[i].first, 20000 + 10000 * static_cast<Millis>(i) + 5000) << "amid Explorer's writes";
  }
  EXPECT_EQ(windows.Checks(), 3) << "the first check, then one for each takeover";
  EXPECT_GE(windows.QuietWakes(), 8) << "the writes woke it";
}

// Keep takes the notice's types into the base as they were told: a type the
// base lacked is added, one that now opens with nothing leaves it.
TEST_F(GuardTest, KeepAddsNewTypesAndDropsThoseThatOpenWithNothing) {
  At(0, [this] {
    Take(".new");
    reg.LoadText("REGEDIT4\n[-HKEY_CLASSES_ROOT\\.rtf]\n", "remove");
  });
  At(5000, [this] { guard.Keep(); }, Wakeup::Time);
  Run();
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second, "2 file types now open with grab or nothing (.new, .rtf).");
  const auto saved = Saved();
  ASSERT_NE(saved->Lookup(".new"), nullptr) << "a type the base lacked";
  EXPECT_EQ(saved->Lookup(".new")->InForceProgID(), "Grab.Doc");
  EXPECT_EQ(saved->Lookup(".rtf"), nullptr) << "a type nothing opens";
  EXPECT_NE(saved->Lookup(".txt"), nullptr) << "the others as they were";
  EXPECT_EQ(saved->Count(), 4);
}

// A takeover undone or accepted elsewhere (by the command line, say) leaves
// the notice: Keep never takes an undone takeover into the base.
TEST_F(GuardTest, ANoticeDropsWhatWasUndoneOrAcceptedElsewhere) {
  std::vector<std::string> atKeep, afterAccept{"?"};
  At(0, [this] { Take(".txt"), Take(".bmp"); });
  At(5000, [this] { Take(".txt", "txtfile"); });
  At(7500, [&] { atKeep = guard.Shown().types, guard.Keep(); }, Wakeup::Time);
  At(10000, [this] { Take(".ini", "Grab.Doc"); });
  At(13000, [this] { AcceptElsewhere(); }, Wakeup::BaseFolder);
  At(14000, [&] { afterAccept = guard.Shown().types; }, Wakeup::Time);
  Run();
  EXPECT_EQ(atKeep, std::vector<std::string>{".bmp"});
  EXPECT_EQ(afterAccept, std::vector<std::string>{});
  const auto saved = Saved();
  EXPECT_EQ(saved->Item(".txt")->InForceProgID(), "txtfile") << "the takeover undone stays undone";
  EXPECT_EQ(saved->Item(".bmp")->InForceProgID(), "Grab.Doc");
}

// A base of a format from before links were recorded knows none: the links
// of the machine are no change, and what changes since still is.
TEST_F(GuardTest, ABaseFromBeforeLinksListsNoLinkAsNew) {
  test::WriteFileBytes(g.BaseFile + ".isd",
                       test::HandMadeBase(1, "Ext\tPath\tKey\tProgID",
                                          {".txt\tC:\\WINDOWS\\NOTEPAD.EXE %1\ttxtfile\\shell\\open\\command\ttxtfile",
                                           ".bmp\tC:\\Paint\\zpaint.exe %1\tPaint.Picture\\shell\\open\\command\tPaint.Picture",
                                           ".rtf\tC:\\Write\\write.exe %1\trtffile\\shell\\open\\command\trtffile",
                                           ".ini\tC:\\WINDOWS\\NOTEPAD.EXE %1\ttxtfile\\shell\\open\\command\ttxtfile"}));
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\http]\n\"URL Protocol\"=\"\"\n"
               "[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]\n@=\"C:\\\\Web\\\\web.exe %1\"\n",
               "links");
  At(0, [this] { Take(".bmp"); });
  Run();
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second, "1 file type now opens with grab (.bmp).");
}

// A change left unanswered is recorded (event 1001) once, however often the
// guard checks; again when the set of changes differs, a type's state in it
// included.
TEST_F(GuardTest, RecordsEachSetOfChangesOnce) {
  At(0, [this] { Take(".txt"); });
  At(10000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);
  At(20000, [this] { reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\Unrelated]\n@=\"x\"\n", "write"); });
  At(30000, [this] { Take(".txt", "rtffile"); });
  At(40000, [this] { Take(".bmp"); });
  At(50000, [this] { Take(".bmp", "Paint.Picture"); });
  At(60000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);
  Run();
  EXPECT_EQ(guard.Checks(), 8);
  EXPECT_EQ(host.records, (std::vector<Kind>{Kind::FirstRun, Kind::ChangesFound, Kind::ChangesFound,
                                             Kind::ChangesFound, Kind::ChangesFound}));
}

// A base file that goes while the guard runs is recorded anew from the
// settings then, as at a first start, but told in a notice.
TEST_F(GuardTest, ABaseThatGoesIsRecordedAnewAndTold) {
  At(1000, [this] { std::filesystem::remove(dir.File("Prev.isd")), Take(".txt"); }, Wakeup::BaseFolder);
  Run();
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second, msg::GuardBaseGone(dir.File("Prev.isd"), 4));
  EXPECT_EQ(host.records, (std::vector<Kind>{Kind::FirstRun, Kind::FirstRun}));
  EXPECT_EQ(Saved()->Item(".txt")->InForceProgID(), "Grab.Doc");
}

// A base that cannot be read is recorded (event 1010) when it becomes so and
// when the reason changes, not at each check while it stays so; after a
// check that ran through, a failure is new again.
TEST_F(GuardTest, RecordsAnUnreadableBaseOnceForEachReason) {
  const auto write = [this](const std::string& bytes) { test::WriteFileBytes(dir.File("Prev.isd"), bytes); };
  write("not a base");
  At(0, [this] { Take(".txt"); });
  At(10000, [this] { Take(".bmp"); });
  At(20000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);
  At(30000, [&] { write("HOLLINBASE\t99\n"); }, Wakeup::BaseFolder);  // another reason
  At(31000, [this] { Take(".txt", "rtffile"); });
  At(40000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);
  At(50000, [this] { std::filesystem::remove(dir.File("Prev.isd")); }, Wakeup::BaseFolder);
  At(51000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);  // a first run: a base again
  At(60000, [&] { write("HOLLINBASE\t99\n"); }, Wakeup::BaseFolder);
  At(61000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);
  At(70000, [this] { guard.CheckNow(signals.now); }, Wakeup::Time);
  Run();
  EXPECT_GE(guard.Checks(), 8);
  EXPECT_EQ(host.records, (std::vector<Kind>{Kind::Failure, Kind::Failure, Kind::FirstRun, Kind::Failure}));
  ASSERT_EQ(host.notes.size(), 4u);
  EXPECT_NE(host.notes[0], host.notes[1]) << "each reason in its own record";
  EXPECT_EQ(host.notes[1], host.notes[3]);
  EXPECT_EQ(host.tip, msg::GuardTipStopped());
}

// A change in a layer that does not decide (here the machine classes under
// the user classes' own identifier) is one line of the record when the
// latent set changes, and never a notice of its own. Which layers make a
// change latent is the check's, pinned by the command line's table.
TEST(GuardLatent, ALatentChangeIsOneLineOfTheRecordAndNoNotice) {
  GuardRun r;
  r.reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\.txt]\n@=\"Grab.Doc\"\n", "layers");
  MergedClassRoot merged(r.reg);  // the classes as Windows merges them
  Guard guard{merged, r.platform, r.g, r.host};
  // The change, again (still latent: not said again), then a type taken.
  for (const auto& [t, text] : {std::pair<Millis, std::string>{0, "[HKEY_CLASSES_ROOT\\.txt]\n@=\"rtffile\"\n"},
                                {5000, "[HKEY_CLASSES_ROOT\\.txt]\n@=\"Paint.Picture\"\n"},
                                {10000, "[HKEY_CLASSES_ROOT\\.bmp]\n@=\"Grab.Doc\"\n"}})
    r.At(t, [&r, text] { r.reg.LoadText("REGEDIT4\n" + text, "write"); });
  RunGuard(guard, r.signals);
  const Host& host = r.host;
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second, "1 file type now opens with grab (.bmp).");
  EXPECT_EQ(host.records, (std::vector<Kind>{Kind::FirstRun, Kind::ChangesFound, Kind::ChangesFound}));
  ASSERT_EQ(host.notes.size(), 2u);  // the first run's, then the latent change's
  EXPECT_EQ(host.notes[1], "Latent (a layer that does not decide now changed): .txt");
}

// "Always restore": the chosen types are written back in the layers that
// hold them, where the registry allows, and the notice says so; other
// types and Explorer's choice are never written.
TEST_F(GuardTest, AlwaysRestoreWritesOnlyTheChosenTypes) {
  const std::string exts = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  // Listed in other letters than the registry's: a type is a type whatever its case.
  ASSERT_EQ(WriteAlwaysRestore(reg, {".TXT", ".rtf", ".bmp"}), ERROR_SUCCESS);
  At(0, [&] {
    reg.LoadText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Classes\\.txt]\n@=\"Grab.Doc\"\n"
                 "[" + exts + ".rtf\\UserChoice]\n\"ProgId\"=\"Grab.Doc\"\n"
                 "[HKEY_CLASSES_ROOT\\.bmp]\n@=\"Grab.Doc\"\n"
                 "[HKEY_CLASSES_ROOT\\.pdf]\n@=\"Grab.Doc\"\n"
                 "[HKEY_CLASSES_ROOT\\.ini]\n@=\"Grab.Doc\"\n", "takeover");
    reg.DenyAccess(HKEY_CLASSES_ROOT, ".bmp", KEY_SET_VALUE);
  });
  Run();
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second,
            "4 file types now open with grab (.bmp, .ini, .pdf, .rtf).\r\n"
            "Restored as your base has it: 1 file type (.txt).\r\n"
            "Not restored, the registry refused it: 1 file type (.bmp).\r\n"
            "Explorer's choice changed for 1 file type (.rtf): only Windows may set it back, in Settings.");
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CURRENT_USER, "Software\\Classes\\.txt"), "") << "the user's layer undone";
  for (const char* left : {".pdf", ".ini", ".bmp"})  // not chosen, or refused
    EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, left), "Grab.Doc") << left;
  DWORD type = 0;
  EXPECT_EQ(ReadValue(reg, HKEY_CURRENT_USER, exts.substr(18) + ".rtf\\UserChoice", "ProgId", type), "Grab.Doc")
      << "Explorer's choice is never written";
  EXPECT_EQ(platform.notices, 1);
  EXPECT_EQ(host.records, (std::vector<Kind>{Kind::FirstRun, Kind::ChangesFound, Kind::RestoreRefused}));
}

// A type whose key cannot be read is said apart (not as one that opens
// with nothing), never written, even where it is to be restored without
// asking, and keeping the notice keeps its record in the base as it was.
TEST_F(GuardTest, AKeyThatCannotBeReadIsSaidApartNeverWrittenAndKeptAsRecorded) {
  ASSERT_EQ(WriteAlwaysRestore(reg, {".txt"}), ERROR_SUCCESS);
  At(0, [&] {
    Take(".bmp");
    reg.DenyAccess(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", KEY_READ);
  });
  At(5000, [this] { guard.Keep(); }, Wakeup::Time);
  Run();
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second,
            "1 file type now opens with grab (.bmp).\r\n"
            "1 file type cannot be read with your rights, so what opens it now is unknown (.txt): look at the key's "
            "permissions with the system's registry editor.\r\n"
            "Not restored, the registry refused it: 1 file type (.txt).");
  const auto has = [&](const std::string& words) {
    return std::any_of(host.notes.begin(), host.notes.end(),
                       [&](const std::string& n) { return n.find(words) != std::string::npos; });
  };
  EXPECT_TRUE(has("The key HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt is there but cannot be read"));
  EXPECT_TRUE(has(".txt: not restored, its key HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt cannot be read"));
  const auto saved = Saved();
  ASSERT_NE(saved->Lookup(".txt"), nullptr) << "kept as recorded";
  EXPECT_EQ(saved->Lookup(".txt")->ProgramID(), "txtfile");
  EXPECT_EQ(saved->Lookup(".bmp")->ProgramID(), "Grab.Doc");
  EXPECT_EQ(saved->Count(), 4);
  reg.DenyAccess(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", 0);
  EXPECT_EQ(ReadDefaultValue(reg, HKEY_CLASSES_ROOT, ".txt"), "txtfile") << "never written";
}

// While paused, changes wait; they are checked when the pause ends, or at
// once when it is ended early.
TEST_F(GuardTest, APauseHoldsChecksUntilItEnds) {
  At(0, [this] { guard.Pause(signals.now, 3600000); }, Wakeup::Time);
  At(1000, [this] { Take(".txt"); });
  At(3600000 + 5000, [this] { guard.Pause(signals.now, 3600000); }, Wakeup::Time);
  At(3600000 + 6000, [this] { Take(".bmp"); });
  At(3600000 + 20000, nullptr, Wakeup::Time);  // a message, after the change set settled
  At(3600000 + 60000, [this] { guard.Resume(signals.now); }, Wakeup::Time);
  Run();
  ASSERT_EQ(host.said.size(), 2u);
  EXPECT_EQ(host.said[0].first, 3600000);
  EXPECT_EQ(host.said[1].first, 3600000 + 60000);
  EXPECT_EQ(host.said[1].second, "2 file types now open with grab (.txt, .bmp).") << "not yet answered: merged";
  EXPECT_EQ(guard.Checks(), 3);
}

// Another copy writing in the base's turn (a restore, an accept): a check
// that falls in it is put off until the writes settle after it, so a state
// between two writes is never told, restored over or kept. A Keep waits for
// the turn, and keeps into the base as the other left it.
TEST_F(GuardTest, WhatAnotherCopyIsHalfwayThroughWritingIsNeverTold) {
  test::FakePlatform other;
  const std::string turn = BaseTurnName(g.BaseFile + g.BaseExtension);
  // Writes for longer than the guard lets a storm go unchecked.
  At(0, [&] { ASSERT_TRUE(other.TakeTurn(turn, 0)); }, Wakeup::Time);
  for (Millis t = 0; t < 40000; t += 1500) At(t, [this, t] { Take(".txt", t / 1500 % 2 ? "txtfile" : "Grab.Doc"); });
  At(1000, [this] { Take(".bmp"); });
  At(40000, [&] {
    Take(".txt", "txtfile");
    Take(".bmp", "Paint.Picture");
    other.GiveTurn(turn);
  });
  At(50000, [this] { Take(".rtf"); });
  At(60000, [&] {
    ASSERT_TRUE(other.TakeTurn(turn, 0));
    platform.whileWaiting = [&](const std::string& name) {
      AcceptElsewhere();
      other.GiveTurn(name);
    };
    Take(".ini", "Paint.Picture");  // written before the other's accept
    guard.Keep();
  }, Wakeup::Time);
  Run();
  EXPECT_EQ(guard.Postponed(), 1);
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0], std::make_pair(Millis{52000}, std::string("1 file type now opens with grab (.rtf).")));
  EXPECT_EQ(platform.waits, std::vector<unsigned>{kBaseTurnWaitMs}) << "Keep waited for the turn";
  const auto saved = Saved();
  EXPECT_EQ(saved->Item(".rtf")->InForceProgID(), "Grab.Doc");
  EXPECT_EQ(saved->Item(".ini")->InForceProgID(), "Paint.Picture") << "the other's accept, kept";
}

// A check's scan made elsewhere decides the check only when it arrives
// whole: one cut short, or none at all, and the guard reads the registry
// itself, so that a takeover is never hidden behind an answer that is not
// all there.
TEST_F(GuardTest, AScanFromElsewhereIsTakenOnlyWhole) {
  guard.CheckNow(0);  // records the base
  const std::string before = PackScan(ScanCurrent(reg, platform));
  Take(".txt");
  std::optional<std::string> answer = before;
  guard.ScanElsewhere = [&] { return answer; };
  guard.CheckNow(10000);
  EXPECT_TRUE(host.said.empty()) << "the whole answer, scanned before the takeover, decided";
  answer = before.substr(0, before.size() - 1);
  guard.CheckNow(20000);
  ASSERT_EQ(host.said.size(), 1u);
  EXPECT_EQ(host.said[0].second, "1 file type now opens with grab (.txt).");
  answer.reset();
  Take(".bmp");
  guard.CheckNow(30000);
  ASSERT_EQ(host.said.size(), 2u);
  EXPECT_EQ(host.said[1].second, "2 file types now open with grab (.txt, .bmp).");
  EXPECT_EQ(guard.Checks(), 4);
}

}  // namespace
}  // namespace hollin::guard
