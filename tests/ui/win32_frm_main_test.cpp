// The main window on real controls, driven with the messages that a user's
// actions and other programs send, and read back the standard way.
#include <gtest/gtest.h>

#include <cwctype>
#include <initializer_list>
#include <map>
#include <thread>

#include "common/win32_platform.h"
#include "common/win32_text.h"
#include "messages/messages.h"
#include "registry/scan.h"
#include "resource.h"
#include "ui/ui_fixture.h"
#include "ui/win32_backend.h"

#include <commctrl.h>

namespace hollin {
namespace {

std::string Text(HWND hwnd) {
  wchar_t buffer[2048] = {};
  GetWindowTextW(hwnd, buffer, static_cast<int>(std::size(buffer)));
  return Utf8(buffer);
}

// Rows as "text|sub-item", columns as "caption", read with the list's own messages.
std::vector<std::string> Rows(HWND list) {
  std::vector<std::string> rows;
  const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::string row;
    for (int sub = 0; sub < 2; ++sub) {
      wchar_t buffer[512] = {};
      LVITEMW item{};
      item.iSubItem = sub;
      item.pszText = buffer;
      item.cchTextMax = static_cast<int>(std::size(buffer));
      SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
      row += (sub ? "|" : "") + Utf8(buffer);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> Columns(HWND list) {
  std::vector<std::string> columns;
  for (int i = 0;; ++i) {
    wchar_t buffer[128] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = buffer;
    col.cchTextMax = static_cast<int>(std::size(buffer));
    if (!SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col))) break;
    columns.push_back(Utf8(buffer));
  }
  return columns;
}

std::string Panel(HWND bar) {
  wchar_t buffer[512] = {};
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer));
  const bool icon = SendMessageW(bar, SB_GETICON, 0, 0) != 0;
  return std::string(icon ? "[led] " : "[no led] ") + Utf8(buffer);
}

// Answers the next message box titled "Brellmark" from another thread, as a
// user would, and keeps its text.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int button) {
    thread_ = std::thread([this, button] {
      for (int i = 0; i < 200; ++i) {
        HWND box = FindWindowW(L"#32770", L"Brellmark");
        if (box) {
          wchar_t buffer[2048] = {};
          GetDlgItemTextW(box, 0xFFFF, buffer, static_cast<int>(std::size(buffer)));
          text = Utf8(buffer);
          PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
          return;
        }
        Sleep(50);
      }
    });
  }
  ~BoxAnswerer() { thread_.join(); }
  std::string text;

 private:
  std::thread thread_;
};

class Win32FrmMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.LoadText(test::Data("classes.reg"), "classes");
    // The base records the classes as they are; then .txt is taken over.
    const auto scan = ScanCurrentEntries(reg);
    test::SaveBase(scan.entries);
    reg.LoadText("REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"Grab.Doc\"\n"
                 "[HKEY_CLASSES_ROOT\\Grab.Doc\\shell\\open\\command]\n@=\"C:\\\\Grab\\\\grabber.exe %1\"\n",
                 "hijack");
    ui::SetErrorHandler([this](const std::string& where, std::exception_ptr e) { main.ShowEventError(where, e); });
    main.Load();
    backend.PumpWaiting();
  }
  void TearDown() override {
    main.flags.ChangesPending = false;  // no question at the end
    if (main.Loaded()) main.Unload();
    ui::SetErrorHandler(nullptr);
  }
  HWND W(const ui::Control& c) const { return backend.WindowOf(c); }
  // The whole visible state, read from the real controls.
  std::string State() {
    std::string s = Text(backend.WindowOf(main)) + "\n" + Panel(W(main.sbrMain)) + "\n";
    for (const auto& c : Columns(W(main.lvwMain))) s += "[" + c + "]";
    for (const auto& r : Rows(W(main.lvwMain))) s += " " + r;
    s += "\nviews";
    for (auto* o : {&main.optView0, &main.optView1, &main.optView2})
      s += SendMessageW(W(*o), BM_GETCHECK, 0, 0) == BST_CHECKED ? " x" : " -";
    HMENU menu = GetMenu(backend.WindowOf(main));
    for (int id : {IDM_VIEW_CHOICE0, IDM_VIEW_CHOICE1, IDM_VIEW_CHOICE2})
      s += (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) ? " X" : " _";
    s += IsWindowEnabled(W(main.cmdAccept)) ? ", accept on" : ", accept off";
    s += (GetMenuState(menu, IDM_ACCEPT, MF_BYCOMMAND) & MF_GRAYED) ? " menu off" : " menu on";
    return s;
  }

  test::InFreshFolder folder;
  RegistryStore reg;
  test::FakePlatform platform;
  Win32MessageBox box;
  ui::Win32Backend backend{GetModuleHandleW(nullptr)};
  Associations g;
  ui::FrmStatus status{backend};
  ui::FrmWarning warning{backend, reg};
  ui::FrmMain main{backend, g, reg, platform, box, status, warning};
};

TEST_F(Win32FrmMainTest, UserActionsOnRealControls) {
  EXPECT_EQ(State(), test::Shows("real: a change"));
  EXPECT_EQ(Text(W(main.lblAccept)), "For all File Types,\r\nuse CURRENT settings\r\nas new Base.");

  // A click on an option button, as a user's.
  SendMessageW(W(main.optView1), BM_CLICK, 0, 0);
  EXPECT_EQ(State(), test::Shows("real: current view"));

  // A click on the second column's header sorts by it.
  NMLISTVIEW header{};
  header.hdr = {W(main.lvwMain), static_cast<UINT_PTR>(GetDlgCtrlID(W(main.lvwMain))), LVN_COLUMNCLICK};
  header.iItem = -1;
  header.iSubItem = 1;
  SendMessageW(backend.WindowOf(main), WM_NOTIFY, header.hdr.idFrom, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(Rows(W(main.lvwMain)), (std::vector<std::string>{".txt|grabber", ".ini|NOTEPAD", ".bmp|zpaint"}));

  // A row selected on the control and clicked reaches the form.
  LVITEMW state{};
  state.state = state.stateMask = LVIS_SELECTED;
  SendMessageW(W(main.lvwMain), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
  NMITEMACTIVATE click{};
  click.hdr = {W(main.lvwMain), header.hdr.idFrom, static_cast<UINT>(NM_CLICK)};
  click.iItem = 1;
  SendMessageW(backend.WindowOf(main), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_TRUE(main.lvwMain.Selected(2));
  EXPECT_EQ(main.ActiveControl(), &main.lvwMain);

  // F5 through the window's shortcuts: back to the changes view.
  PostMessageW(W(main.lvwMain), WM_KEYDOWN, VK_F5, 0);
  PostMessageW(W(main.lvwMain), WM_KEYUP, VK_F5, 0xC0000000);
  backend.PumpWaiting();
  EXPECT_EQ(State(), test::Shows("real: a change"));
}

// Keys as a user presses them, each through the window's own handling: the
// list's arrows select a row as a click does, an arrow in the view group
// chooses the view it moves to, and the focus comes back to the control that
// had it when a box or the warning closes.
TEST_F(Win32FrmMainTest, TheKeyboardAloneDoesWhatTheMouseDoes) {
  const HWND list = W(main.lvwMain);
  const auto press = [this](HWND to, UINT vk) {
    PostMessageW(to, WM_KEYDOWN, vk, 1);
    PostMessageW(to, WM_KEYUP, vk, 0xC0000001);
    backend.PumpWaiting();
  };
  SetForegroundWindow(backend.WindowOf(main));
  SetActiveWindow(backend.WindowOf(main));
  SetFocus(list);
  press(list, VK_DOWN);
  EXPECT_TRUE(main.lvwMain.Selected(1));
  EXPECT_TRUE(IsWindowEnabled(W(main.cmdRestore)));
  EXPECT_EQ(Text(W(main.lblInfo)).substr(0, 26), "CHANGE for file type .TXT ");

  // A message box, then the warning closed by its frame: the list has the
  // keys again each time.
  SetFocus(list);
  backend.PumpWaiting();
  {
    BoxAnswerer answer(IDOK);
    box.Show({"A box.", MbButtons::Ok, MbIcon::None, MbDefault::First, "Brellmark"});
  }
  backend.PumpWaiting();
  EXPECT_EQ(GetFocus(), list);
  std::thread closer([] {
    for (int i = 0; i < 200; ++i) {
      if (HWND w = FindWindowW(nullptr, L"Brellmark"); w && IsWindowVisible(w)) {
        PostMessageW(w, WM_CLOSE, 0, 0);
        return;
      }
      Sleep(50);
    }
  });
  main.cmdRestore.UserClick();
  closer.join();
  backend.PumpWaiting();
  EXPECT_EQ(GetFocus(), list);

  SetFocus(W(main.optView0));
  press(W(main.optView0), VK_DOWN);
  EXPECT_EQ(main.ShownView, ui::FrmMain::kCurrentView);
  EXPECT_EQ(SendMessageW(W(main.optView1), BM_GETCHECK, 0, 0), BST_CHECKED);
}

// The Details window's text box, a multi-line one, hands Tab on to the
// Close button and Enter to it, as in a dialog box.
TEST_F(Win32FrmMainTest, TheDetailsTextTakesTabAndEnterToClose) {
  ui::FrmDetails details{backend};
  msg::DetailFacts facts;
  facts.type = ".txt";
  const std::wstring title = Wide(msg::DetailsTitle(".txt"));
  for (const UINT key : {VK_TAB, VK_RETURN}) {
    SCOPED_TRACE(key == VK_TAB ? "Tab" : "Enter");
    std::string focused;
    bool closed = false;
    std::thread user([&] {
      HWND w = nullptr;
      for (int i = 0; i < 200 && !w; ++i, Sleep(50)) w = FindWindowW(nullptr, title.c_str());
      if (!w) return;
      const HWND edit = FindWindowExW(w, nullptr, L"Edit", nullptr);
      // Once the window is up with the text box in focus, as a user sees it.
      GUITHREADINFO up{};
      up.cbSize = sizeof up;
      for (int i = 0; i < 100 && !(GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &up) && up.hwndFocus == edit);
           ++i)
        Sleep(50);
      PostMessageW(edit, WM_KEYDOWN, key, 1);
      for (int i = 0; i < 100 && IsWindow(w); ++i) Sleep(50);
      closed = !IsWindow(w);
      GUITHREADINFO gui{};
      gui.cbSize = sizeof gui;
      if (!closed && GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gui) && gui.hwndFocus)
        focused = Text(gui.hwndFocus);

      if (!closed) PostMessageW(w, WM_CLOSE, 0, 0);
    });
    details.ShowFacts(facts);
    user.join();
    if (key == VK_TAB) {
      EXPECT_FALSE(closed);
      EXPECT_EQ(focused, "Close");
    } else {
      EXPECT_TRUE(closed) << focused;
    }
  }
}

// The letter after "&" in a text, lower case; 0 where there is none.
wchar_t Mnemonic(const std::wstring& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] != L'&') return static_cast<wchar_t>(towlower(text[i + 1]));
    ++i;  // "&&" is an ampersand
  }
  return 0;
}

// Each access key is used once where Alt+key reaches it: in the menu bar
// together with the main window's controls, in each menu, and in each box.
TEST_F(Win32FrmMainTest, EachAccessKeyIsUsedOnceWhereItIsPressed) {
  ui::FrmAbout about{backend, reg, platform, box};
  about.Load();
  warning.Load();
  const auto twice = [](const std::vector<std::wstring>& texts) {
    std::string found;
    std::map<wchar_t, std::wstring> seen;
    for (const auto& t : texts)
      if (const wchar_t m = Mnemonic(t); m && !seen.emplace(m, t).second)
        found += Utf8(seen[m].c_str()) + " / " + Utf8(t.c_str()) + "; ";
    return found;
  };
  const auto menuTexts = [](HMENU menu) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t buffer[256] = {};
      if (GetMenuStringW(menu, i, buffer, 256, MF_BYPOSITION) > 0) texts.push_back(buffer);
    }
    return texts;
  };
  const auto controlTexts = [this](ui::Form& form) {
    std::vector<std::wstring> texts;
    for (const ui::Control* c : form.Controls())
      if (c->kind() == ui::Kind::CommandButton || c->kind() == ui::Kind::OptionButton ||
          c->kind() == ui::Kind::CheckBox)
        texts.push_back(Wide(Text(W(*c))));
    return texts;
  };
  const HMENU bar = GetMenu(backend.WindowOf(main));
  ASSERT_TRUE(bar);
  std::vector<std::wstring> top = menuTexts(bar);
  for (const auto& t : controlTexts(main)) top.push_back(t);
  EXPECT_EQ(twice(top), "");
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(twice(menuTexts(GetSubMenu(bar, i))), "");
  }
  for (ui::Form* form : std::initializer_list<ui::Form*>{&warning, &about}) {
    SCOPED_TRACE(form->Name());
    EXPECT_EQ(twice(controlTexts(*form)), "");
  }
  about.Unload();
}

TEST_F(Win32FrmMainTest, TheCloseBoxAsksInARealMessageBox) {
  {
    BoxAnswerer answer(IDNO);
    SendMessageW(backend.WindowOf(main), WM_CLOSE, 0, 0);
    EXPECT_EQ(answer.text.substr(0, 57), "One or more of the Current default Open applications is\r\n");
    EXPECT_TRUE(Holds(answer.text, "Base file as it is. Hollin will continue\r\nto report"));
  }
  EXPECT_EQ(platform.ends, 1);
  EXPECT_FALSE(main.Loaded());
}

// Whether a control's text fits it, measured in the control's own font as
// the control draws it: a button's within its edges, an option's or check
// box's beside its box, a frame's caption between its corners, a label's
// lines broken at its width and no taller than it. "" where it fits.
std::string TextFitsIn(HWND hwnd, ui::Kind kind, int dpi) {
  RECT client;
  GetClientRect(hwnd, &client);
  std::wstring text;
  for (const wchar_t c : Wide(Text(hwnd)))
    if (c != L'&' || kind == ui::Kind::Label) text += c;
  if (text.empty()) return "";
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  std::string problem;
  if (kind == ui::Kind::Label) {
    RECT r{0, 0, client.right, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    if (r.right > client.right || r.bottom > client.bottom)
      problem = std::to_string(r.right) + "x" + std::to_string(r.bottom) + " in " + std::to_string(client.right) +
                "x" + std::to_string(client.bottom);
  } else {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int beside = kind == ui::Kind::CommandButton ? 6 : kind == ui::Kind::Frame ? 16 : 18;
    if (size.cx + MulDiv(beside, dpi, 96) > client.right)
      problem = std::to_string(size.cx) + " + " + std::to_string(MulDiv(beside, dpi, 96)) + " in " +
                std::to_string(client.right);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return problem;
}

// A window moved to a monitor of another DPI: it takes the rectangle the
// system suggests (the size it asked for at that DPI), makes its fonts for
// it and lays every control out where the twips map, and the texts fit.
TEST_F(Win32FrmMainTest, EachWindowIsLaidOutAgainWhenItsDpiChanges) {
  ui::FrmAbout about{backend, reg, platform, box};
  about.Load();
  warning.Load();
  status.SetUp();  // the quiet check's window as it shows
  for (const int dpi : {120, 144, 192, 96}) {
    for (ui::Form* form : std::initializer_list<ui::Form*>{&main, &warning, &about, &status}) {
      SCOPED_TRACE(form->Name() + " at " + std::to_string(dpi) + " DPI");
      const HWND hwnd = backend.WindowOf(*form);
      SIZE size{};
      ASSERT_TRUE(SendMessageW(hwnd, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size)));
      RECT suggested{40, 30, 40 + size.cx, 30 + size.cy}, now{};
      SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
      GetWindowRect(hwnd, &now);
      // (A window is never made larger than the screen allows, and the
      // test's screen is small for 192 DPI.)
      if (size.cx <= GetSystemMetrics(SM_CXMAXTRACK) && size.cy <= GetSystemMetrics(SM_CYMAXTRACK)) {
        EXPECT_TRUE(EqualRect(&now, &suggested)) << now.left << "," << now.top << " " << now.right << "," << now.bottom;
      }
      EXPECT_EQ(backend.DpiOf(*form), dpi);
      for (const ui::Control* c : form->Controls()) {
        if (!c->Visible()) continue;
        RECT r;
        GetWindowRect(W(*c), &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        const ui::PixelRect want = ui::PixelRectOf(*c, dpi);
        EXPECT_TRUE(r.left == want.left && r.top == want.top && r.right == want.right && r.bottom == want.bottom)
            << c->FullName() << " at " << r.left << "," << r.top << " " << r.right << "," << r.bottom;
        if (c->kind() == ui::Kind::Image || c->kind() == ui::Kind::Line) continue;  // no text, no font
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(W(*c), WM_GETFONT, 0, 0)), sizeof font, &font);
        const double points = (c->Font() == ui::FontSpec{} ? form->Font : c->Font()).points;
        EXPECT_EQ(font.lfHeight, -static_cast<LONG>(points * dpi / 72.0 + 0.5)) << c->FullName();
        if (c->kind() != ui::Kind::ListView && c->kind() != ui::Kind::StatusBar) {
          EXPECT_EQ(TextFitsIn(W(*c), c->kind(), dpi), "") << c->FullName() << ": \"" << Text(W(*c)) << "\"";
        }
      }
    }
  }
  about.Unload();
}

}  // namespace
}  // namespace hollin
