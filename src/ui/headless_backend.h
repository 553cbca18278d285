// The headless backend: no windows at all. Forms and controls keep their
// whole state in the portable layer; this backend only answers what a real
// one measures, and lets a test play the user (the controls' User* calls) and
// answer modal forms.
//
// Measuring rule, at 96 DPI and in proportion at others (Dpi, 96 unless a
// test says otherwise): a text is 6 pixels wide per character, in every
// font, a line 13 pixels high; a form's frame (caption and borders) is 26
// pixels high.
#pragma once

#include <algorithm>
#include <functional>

#include "ui/controls.h"

namespace hollin::ui {

class HeadlessBackend : public Backend {
 public:
  static constexpr int kCharPixels = 6;
  static constexpr int kFramePixels = 26;
  static constexpr int kLinePixels = 13;

  int Dpi = 96;
  // Pixels at Dpi of a length given in pixels at 96 DPI.
  int Scaled(int pixels) const { return PixelsOf(pixels * 15, Dpi); }
  // Acts on a form shown modally (answers it); when it returns with the form
  // still loaded, the form is closed as by its window frame.
  std::function<void(Form&)> onModal;

  void CreateForm(Form&) override {}
  void DestroyForm(Form&) override {}
  void FormChanged(Form&, Prop) override {}
  void ControlChanged(Control&, Prop, int) override {}
  void MenuChanged(MenuItem&) override {}
  void TimerChanged(Timer&) override {}
  void Refresh(Form& form) override;
  void RefreshControl(Control&) override {}
  int TextWidth(const std::string& text, const FontSpec&) override {
    return Twips(Scaled(static_cast<int>(text.size()) * kCharPixels));
  }
  // Lines of kLinePixels, broken where the next character would pass the
  // width (blanks are not looked for: a line is as full as it can be).
  int TextHeight(const std::string& text, const FontSpec&, int width) override {
    const int perLine = std::max(1, PixelsOf(width, Dpi) / Scaled(kCharPixels));
    int lines = 0;
    size_t start = 0;
    for (;;) {
      const size_t end = std::min(text.find('\r', start), text.size());
      lines += std::max<int>(1, static_cast<int>((end - start + perLine - 1) / perLine));
      if (end == text.size()) break;
      start = end + 1;
    }
    return Twips(Scaled(kLinePixels) * lines);
  }
  int FrameHeight(const Form&) override { return Twips(Scaled(kFramePixels)); }
  void ShowModal(Form& form) override;

 private:
  int Twips(int pixels) const { return pixels * 1440 / Dpi; }
};

}  // namespace hollin::ui
