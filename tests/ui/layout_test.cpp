// Every window laid out at 96, 120, 144 and 192 DPI, as the twips of its
// design map to pixels: no control reaches out of the client area or into
// another (but where the design lays one on another). The headless measure
// of a text knows no font, so whether texts fit is told on real controls
// (win32_layout_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ui/ui_fixture.h"

namespace hollin {
namespace {

class Layout : public test::WindowTest, public ::testing::WithParamInterface<int> {
 protected:
  int dpi() const { return GetParam(); }
  ui::PixelRect Rect(const ui::Control& c) const { return ui::PixelRectOf(c, dpi()); }
  static std::string Named(const ui::Control& c) { return c.form().Name() + "." + c.FullName(); }

  // The form as shown now. Controls of one group lie on each other by
  // design; a control may lie on its frame.
  void Check(const ui::Form& form, const std::vector<std::set<std::string>>& groups = {}) {
    SCOPED_TRACE(form.Name());
    const int width = ui::PixelsOf(form.ClientWidth(), dpi()), height = ui::PixelsOf(form.ClientHeight(), dpi());
    std::vector<const ui::Control*> shown;
    for (const ui::Control* c : form.Controls())
      if (c->Visible()) shown.push_back(c);
    auto together = [&](const ui::Control& a, const ui::Control& b) {
      if (a.Container() == &b || b.Container() == &a) return true;
      return std::any_of(groups.begin(), groups.end(),
                         [&](const auto& g) { return g.count(a.FullName()) && g.count(b.FullName()); });
    };
    for (const ui::Control* c : shown) {
      const ui::PixelRect r = Rect(*c);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height)
          << Named(*c) << " [" << r.left << "," << r.top << " - " << r.right << "," << r.bottom
          << "] leaves the client area " << width << "x" << height;
      for (const ui::Control* d : shown) {
        if (d <= c || together(*c, *d)) continue;
        const ui::PixelRect s = Rect(*d);
        EXPECT_TRUE(r.right <= s.left || s.right <= r.left || r.bottom <= s.top || s.bottom <= r.top)
            << Named(*c) << " and " << Named(*d) << " overlap";
      }
    }
  }

};

TEST_P(Layout, EveryWindowFitsItsControlsAndTexts) {
  backend.Dpi = dpi();
  Start();
  Hijack(".txt", "C:\\\\Grab\\\\grab.exe %1");
  Start();
  main->lvwMain.UserClickRow(1);
  // The detail box: the text, the title and its shadow, the icon and the
  // LEDs lie on the teal box.
  Check(*main, {{"lblInfoFrame", "lblInfo", "lblName(0)", "lblName(1)", "lblName(2)", "imgIco", "imgLED(0)",
                 "imgLED(1)", "imgLED(2)", "imgLED(3)"}});
  // The list's columns are as wide as their captions.
  for (const auto& column : main->lvwMain.Columns())
    EXPECT_GE(column.width, main->TextWidth(column.caption)) << column.caption;

  bool warned = false;
  backend.onModal = [&](ui::Form& f) {
    warned = true;
    Check(f);
  };
  main->cmdRestore.UserClick();
  EXPECT_TRUE(warned);

  ui::FrmAbout about(backend, reg, platform, box);
  main->frmAbout = &about;
  // The double rule is two lines, one pixel apart.
  backend.onModal = [&](ui::Form& f) { Check(f, {{"Line1(0)", "Line1(1)"}}); };
  main->mnuHlpAbout.UserChoose();
  backend.onModal = nullptr;

  Fresh(test::Data("classes.reg"));  // as the base has it
  Start("hollin.exe -h");
  ASSERT_TRUE(status->Visible());
  Check(*status);
}

INSTANTIATE_TEST_SUITE_P(Dpi, Layout, ::testing::Values(96, 120, 144, 192),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace hollin
