// The hand-over to the notice's process, with processes played by the test:
// a view is never dropped while the guard has it to say, whatever the
// process does (takes it late, refuses it, ends, never says it is there),
// and a stuck start holds no later notice back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guard/notice_hand_over.h"

namespace hollin::guard {
namespace {

// Each process as started, and what the hand-over asked of it.
struct Processes : INoticeProcesses {
  struct Process {
    bool ended = false;
    bool takes = true;  // its window takes a view handed to it
    std::vector<std::string> shown;
    bool forward = false;  // the last view it took came to the front
    bool told = false, waited = false;
  };
  std::vector<Process> started;
  bool startFails = false;
  std::vector<std::string> balloons;

  Process& last() { return started.back(); }
  bool Start() override {
    if (startFails) return false;
    started.emplace_back();
    return true;
  }
  bool Hand(const NoticeView& view) override {
    if (!last().takes || last().ended) return false;
    last().shown.push_back(view.text);
    last().forward = view.forward;
    return true;
  }
  void Go(bool wait) override {
    last().told = true;
    last().waited = wait;
    last().ended = true;
  }
  bool Ended() override { return last().ended; }
  void Balloon(const NoticeView& view) override { balloons.push_back(view.text); }
};

NoticeView View(const std::string& text, bool forward = false) { return {text, true, false, forward}; }

TEST(NoticeHandOver, AViewWaitsForTheWindowAndALaterOneReplacesIt) {
  Processes p;
  NoticeHandOver h(p);
  h.Show(View("one"), 0);
  h.Show(View("two"), 100);  // while it starts: the later view is handed over
  ASSERT_EQ(p.started.size(), 1u);
  EXPECT_TRUE(h.Starting());
  h.Here(500);
  EXPECT_EQ(p.last().shown, std::vector<std::string>{"two"});
  h.Show(View("three"), 600);
  EXPECT_EQ(p.last().shown, (std::vector<std::string>{"two", "three"}));
  EXPECT_EQ(p.started.size(), 1u);
  h.Hide();
  EXPECT_TRUE(p.last().told && p.last().waited);
  EXPECT_FALSE(h.There() || h.Starting());
  // The notice went while the next process started: told to go once there.
  h.Show(View("four"), 1000);
  h.Hide();
  EXPECT_FALSE(p.last().told);
  h.Here(1500);
  EXPECT_TRUE(p.last().shown.empty());
  EXPECT_TRUE(p.last().told);
  EXPECT_TRUE(p.balloons.empty());
}

// The window said it is there, but did not take the view (the system took
// its process as hung while it still started on a busy machine): the view
// goes to another process, not to nothing.
TEST(NoticeHandOver, AViewTheWindowDidNotTakeIsShownByAnother) {
  Processes p;
  NoticeHandOver h(p);
  h.Show(View("one", true), 0);
  p.last().takes = false;
  h.Here(6000);
  ASSERT_EQ(p.started.size(), 2u);
  EXPECT_TRUE(p.started[0].told);
  EXPECT_FALSE(p.started[0].waited);  // a hung process is not waited for
  h.Here(6500);
  EXPECT_EQ(p.last().shown, std::vector<std::string>{"one"});
  EXPECT_TRUE(p.last().forward);  // still to come to the front, as asked
  // Shown later: a window that refuses a view is replaced too.
  p.last().takes = false;
  h.Show(View("two"), 7000);
  ASSERT_EQ(p.started.size(), 3u);
  h.Here(7500);
  EXPECT_EQ(p.last().shown, std::vector<std::string>{"two"});
  EXPECT_TRUE(p.balloons.empty());
}

// A process that never says its window is there, or ends before it does,
// holds no notice back: it is replaced, and where the next one fails too,
// the balloon says the notice.
TEST(NoticeHandOver, AStartThatShowsNothingIsReplacedThenTheBalloonSaysIt) {
  Processes p;
  NoticeHandOver h(p, 15000, 2);
  h.Show(View("one"), 0);
  h.Tick(14000);
  EXPECT_EQ(p.started.size(), 1u);  // slow is not stuck
  h.Tick(15000);
  ASSERT_EQ(p.started.size(), 2u);
  EXPECT_TRUE(p.started[0].ended);
  p.last().ended = true;  // this one ends by itself
  h.Tick(16000);
  EXPECT_EQ(p.started.size(), 2u);
  EXPECT_EQ(p.balloons, std::vector<std::string>{"one"});
  EXPECT_FALSE(h.Starting());
  // A later notice (or a click on the icon) tries a window again.
  h.Show(View("two"), 20000);
  ASSERT_EQ(p.started.size(), 3u);
  h.Here(20500);
  EXPECT_EQ(p.last().shown, std::vector<std::string>{"two"});
  // A process that ended by itself while shown is replaced at the next view.
  p.last().ended = true;
  h.Show(View("three"), 30000);
  ASSERT_EQ(p.started.size(), 4u);
  h.Here(30500);
  EXPECT_EQ(p.last().shown, std::vector<std::string>{"three"});
  // No process starts at all: the balloon at once.
  h.Hide();
  p.startFails = true;
  h.Show(View("four"), 40000);
  EXPECT_EQ(p.balloons, (std::vector<std::string>{"one", "four"}));
}

}  // namespace
}  // namespace hollin::guard
