// Every window laid out at 96, 120, 144 and 192 DPI, as the twips of its
// design map to pixels: no control reaches out of the client area or into
// another (but where the design lays one on another), the detail text never
// into the title block, and the list's columns fit their captions and texts.
// The headless measure of a text knows no font, so whether texts fit is
// told on real controls (win32_layout_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/fake_file_facts.h"
#include "ui/frm_details.h"
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

  // The list's columns together within its width, without scrolling
  // sideways. Each is as wide as its caption and, up to twice the list's
  // width, its widest text where they all fit; else every caption is whole
  // where the captions fit, only the widest columns narrowed; else every
  // text is whole where the texts fit.
  void Columns() {
    SCOPED_TRACE(main->lvwMain.Columns()[1].caption);
    const auto& columns = main->lvwMain.Columns();
    const size_t n = columns.size();
    const int room = main->lvwMain.ColumnRoom();
    std::vector<int> text(n), caption(n);
    int total = 0, pixels = 0, captions = 0, wants = 0, texts = 0;
    for (size_t i = 0; i < n; ++i) {
      int widest = 0;
      for (const auto& row : main->lvwMain.Rows())
        widest = std::max(widest, main->TextWidth(i == 0 ? row.text : i == 1 ? row.sub : row.signals));
      caption[i] = main->TextWidth(columns[i].caption);
      text[i] = std::min(widest, 2 * main->lvwMain.Width());
      total += columns[i].width;
      captions += caption[i];
      wants += std::max(caption[i], text[i]);
      texts += text[i];
      pixels += ui::PixelsOf(columns[i].width, dpi()) + ui::PixelsOf(ui::kColumnMarginPixels * 15, dpi());
    }
    EXPECT_LE(total, room);
    // The list's inside: its width less two borders of 2 pixels and, where
    // more rows than a dozen may need one, a scroll bar of 17 (at 96 DPI).
    const int inside = (main->lvwMain.Count() > 12 ? 21 : 4) * 15;
    EXPECT_LE(pixels, Rect(main->lvwMain).right - Rect(main->lvwMain).left - ui::PixelsOf(inside, dpi()));
    for (size_t i = 0; i < n; ++i) {
      SCOPED_TRACE(columns[i].caption);
      if (wants <= room) {
        EXPECT_GE(columns[i].width, std::max(caption[i], text[i])) << "narrowed for no need";
      }
      if (captions <= room) {
        EXPECT_GE(columns[i].width, caption[i]);
        for (size_t j = 0; j < n && columns[i].width < text[i]; ++j) {
          EXPECT_TRUE(columns[j].width <= columns[i].width || columns[j].width <= caption[j])
              << "narrowed before the wider " << columns[j].caption;
        }
      } else if (texts <= room) {
        EXPECT_GE(columns[i].width, text[i]);
      }
    }
  }
};

TEST_P(Layout, EveryWindowFitsItsControlsAndTexts) {
  backend.Dpi = dpi();
  test::FakeFileFacts files;  // the program is unsigned: a signal, and a third column
  files.Add("C:\\Grab\\grab.exe", IFileFacts::Trust::Unsigned, "", "Grab, Inc.", "Grab");
  facts = &files;
  Start();
  Hijack(".txt", "C:\\\\Grab\\\\grab.exe %1");
  Start();
  main->lvwMain.UserClickRow(1);
  ASSERT_EQ(main->lvwMain.Columns().size(), 3u);
  // The detail box: the text, the title and its shadow, the icon and the
  // LEDs lie on the teal box; the text lies above the title block.
  const std::set<std::string> teal = {"lblInfoFrame", "imgLED(0)", "imgLED(1)", "imgLED(2)", "imgLED(3)"};
  std::set<std::string> withText = teal, withLogo = teal;
  withText.insert("lblInfo");
  for (const char* logo : {"lblName(0)", "lblName(1)", "lblName(2)", "imgIco"}) withLogo.insert(logo);
  Check(*main, {withText, withLogo, {"lblName(0)", "lblName(1)", "lblName(2)", "imgIco"}});
  Columns();

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

  // The views of every type: the whole list, its texts not measured.
  for (int view : {1, 2}) {
    main->optView(view).UserClick();
    ASSERT_GE(main->lvwMain.Count(), 3);
    Columns();
  }

  Fresh(test::Data("classes.reg"));  // as the base has it
  Start("hollin.exe -h");
  ASSERT_TRUE(status->Visible());
  Check(*status);
  const ui::PixelRect message = Rect(status->lblMain);
  EXPECT_NEAR(ui::PixelsOf(status->ClientHeight(), dpi()) - message.bottom, message.top, 1)
      << "the window ends as far below the message as it begins above it";
}

// The longest texts the tests know: a command of 64 KiB, a link, a type
// with the risk signals; each row's panel ends above the title block and
// holds no more facts than fit, and the Details window keeps its controls
// apart however small it is made.
TEST_P(Layout, TheLongestTextsStayInTheirPlaces) {
  backend.Dpi = dpi();
  test::FakeFileFacts files;
  facts = &files;
  Start();
  Hijack(".txt", ("C:\\\\Long\\\\" + std::string(65536, 'x') + ".exe %1").c_str());
  reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.ini]\n@=\"Temp.Doc\"\n[HKEY_CLASSES_ROOT\\Temp.Doc\\shell\\open\\command]\n"
               "@=\"%TEMP%\\\\grabber.exe \\\"%1\\\"\"\n[HKEY_CLASSES_ROOT\\http]\n\"URL Protocol\"=\"\"\n"
               "[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]\n@=\"C:\\\\Grab Tools\\\\grab.exe -url %1\"\n",
               "longest");
  files.Add("C:\\Users\\ada\\AppData\\Local\\Temp\\grabber.exe", IFileFacts::Trust::Unsigned, "", "Grab, Inc.", "Grabber");
  main->mnuRefresh.UserChoose();
  ASSERT_GE(main->lvwMain.Count(), 3);
  const ui::PixelRect text = Rect(main->lblInfo);
  for (const auto* logo : {static_cast<const ui::Control*>(&main->lblName0), static_cast<const ui::Control*>(&main->lblName1),
                           static_cast<const ui::Control*>(&main->lblName2), static_cast<const ui::Control*>(&main->imgIco)})
    EXPECT_LE(text.bottom, Rect(*logo).top) << Named(*logo);
  for (int row = 1; row <= main->lvwMain.Count(); ++row) {
    SCOPED_TRACE(main->lvwMain.Text(row));
    main->lvwMain.UserClickRow(row);
    const std::string& caption = main->lblInfo.Caption();
    const size_t facts = caption.rfind("\r\r");
    // The panel's own text is whole; of the facts no line more than fits.
    EXPECT_EQ(caption.rfind("CHANGE for ", 0), 0u);
    if (facts != std::string::npos && caption.find("default Open command", facts) == std::string::npos) {
      EXPECT_LE(backend.TextHeight(caption, main->lblInfo.Font(), main->lblInfo.Width()), main->lblInfo.Height());
    }
  }
  Columns();

  ui::FrmDetails details(backend);
  main->frmDetails = &details;
  int shown = 0;
  backend.onModal = [&](ui::Form& f) {
    ++shown;
    Check(f);
    f.Resized(600, 600);  // smaller than it can lay out
    Check(f);
    f.Resized(30000, 20000);
    Check(f);
  };
  main->lvwMain.UserActivateRow(1);
  backend.onModal = nullptr;
  EXPECT_EQ(shown, 1);

  // The same list in the views of their own: the health check's signals,
  // the history's long texts.
  main->mnuHealth.UserChoose();
  ASSERT_GE(main->lvwMain.Count(), 1);
  EXPECT_EQ(main->lvwMain.Columns().size(), 3u);
  Columns();
  main->cmdAccept.UserClick();
  main->mnuHistory.UserChoose();
  ASSERT_GE(main->lvwMain.Count(), 1);
  Columns();
}

INSTANTIATE_TEST_SUITE_P(Dpi, Layout, ::testing::Values(96, 120, 144, 192),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace hollin
