// The activity indicator as the working code sees it: the LED picture and the
// text of the status bar's first panel, and an explicit repaint so that a
// text shows while a long step runs. The main window implements it.
#pragma once

#include <string>

namespace hollin {

enum class Led { Grey = 0, Yellow = 1, Red = 2, Green = 3 };

class IStatusSink {
 public:
  virtual ~IStatusSink() = default;
  virtual void ShowLed(Led led) = 0;
  virtual void ShowText(const std::string& text) = 0;
  virtual void RepaintNow() = 0;
};

// Shows nothing: for runs without a window (the command line, benchmarks).
class NullStatusSink : public IStatusSink {
 public:
  void ShowLed(Led) override {}
  void ShowText(const std::string&) override {}
  void RepaintNow() override {}
};

}  // namespace hollin
