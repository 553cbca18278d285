// The hand-over to the notice's process, with processes played by the test:
// a view is never dropped while the guard has it to say, whatever the
// process does (refuses it, ends, never says its window is there).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guard/notice_hand_over.h"

namespace hollin::guard {
namespace {

using Texts = std::vector<std::string>;

struct Processes : INoticeProcesses {
  struct Process {
    bool ended = false, takes = true, told = false, waited = false, forward = false;
    Texts shown;
  };
  std::vector<Process> started;
  bool startFails = false;
  Texts balloons;

  Process& last() { return started.back(); }
  bool Start() override {
    if (!startFails) started.emplace_back();
    return !startFails;
  }
  bool Hand(const NoticeView& view) override {
    if (!last().takes || last().ended) return false;
    last().shown.push_back(view.text);
    last().forward = view.forward;
    return true;
  }
  void Go(bool wait) override { last().told = last().ended = true, last().waited = wait; }
  bool Ended() override { return last().ended; }
  void Balloon(const NoticeView& view) override { balloons.push_back(view.text); }
};

NoticeView View(const std::string& text, bool forward = false) { return {text, true, false, forward}; }

TEST(NoticeHandOver, AStartingProcessGetsTheLatestViewOrIsToldToGo) {
  Processes p;
  NoticeHandOver h(p);
  h.Show(View("one"), 0);
  h.Show(View("two"), 100);
  h.Here(500);
  EXPECT_EQ(p.started.size(), 1u);
  EXPECT_EQ(p.last().shown, Texts{"two"});
  h.Hide();
  EXPECT_TRUE(p.last().told && p.last().waited);
  // The notice went while the next process started: told to go once there.
  h.Show(View("three"), 1000);
  h.Hide();
  EXPECT_FALSE(p.last().told);
  h.Here(1500);
  EXPECT_TRUE(p.last().shown.empty());
  EXPECT_TRUE(p.last().told);
}

// The window said it is there but did not take the view (its process taken
// as hung while it still started on a busy machine): another process shows
// it, still brought to the front where that was asked.
TEST(NoticeHandOver, AViewTheWindowDidNotTakeIsShownByAnother) {
  Processes p;
  NoticeHandOver h(p);
  h.Show(View("one", true), 0);
  p.last().takes = false;
  h.Here(6000);
  ASSERT_EQ(p.started.size(), 2u);
  EXPECT_TRUE(p.started[0].told && !p.started[0].waited);  // a hung process is not waited for
  h.Here(6500);
  EXPECT_EQ(p.last().shown, Texts{"one"});
  EXPECT_TRUE(p.last().forward);
  p.last().takes = false;  // later, a window shown refuses a view
  h.Show(View("two"), 7000);
  h.Here(7500);
  ASSERT_EQ(p.started.size(), 3u);
  EXPECT_EQ(p.last().shown, Texts{"two"});
  EXPECT_TRUE(p.balloons.empty());
}

// A process that never says its window is there, or ends before it does,
// holds no notice back: it is replaced, and where the next one fails too,
// the balloon says the notice; a later notice tries a window again.
TEST(NoticeHandOver, AStartThatShowsNothingIsReplacedThenTheBalloonSaysIt) {
  Processes p;
  NoticeHandOver h(p, 15000, 2);
  h.Show(View("one"), 0);
  h.Tick(14000);
  EXPECT_EQ(p.started.size(), 1u);  // slow is not stuck
  h.Tick(15000);
  ASSERT_EQ(p.started.size(), 2u);
  EXPECT_TRUE(p.started[0].ended);
  p.last().ended = true;
  h.Tick(16000);
  EXPECT_EQ(p.started.size(), 2u);
  EXPECT_EQ(p.balloons, Texts{"one"});
  EXPECT_FALSE(h.Starting());
  h.Show(View("two"), 20000);
  h.Here(20500);
  EXPECT_EQ(p.last().shown, Texts{"two"});
  p.last().ended = true;  // ended by itself while shown: replaced at the next view
  h.Show(View("three"), 30000);
  h.Here(30500);
  ASSERT_EQ(p.started.size(), 4u);
  EXPECT_EQ(p.last().shown, Texts{"three"});
  h.Hide();
  p.startFails = true;  // no process starts at all: the balloon at once
  h.Show(View("four"), 40000);
  EXPECT_EQ(p.balloons, (Texts{"one", "four"}));
}

}  // namespace
}  // namespace hollin::guard
