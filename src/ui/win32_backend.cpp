#include "ui/win32_backend.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win32_text.h"
#include "common/text.h"
#include "resource.h"

namespace hollin::ui {
namespace {

constexpr wchar_t kFormClass[] = L"HollinForm";
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kTimerId = 1;

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// The per-monitor DPI functions of Windows 10 (1607) and later, where the
// system has them.
struct DpiFunctions {
  UINT(WINAPI* forWindow)(HWND) = nullptr;
  BOOL(WINAPI* adjust)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
};

const DpiFunctions& Dpis() {
  static const DpiFunctions functions = [] {
    DpiFunctions f;
    if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
      f.forWindow = reinterpret_cast<decltype(f.forWindow)>(
          reinterpret_cast<void (*)()>(GetProcAddress(user, "GetDpiForWindow")));
      f.adjust = reinterpret_cast<decltype(f.adjust)>(
          reinterpret_cast<void (*)()>(GetProcAddress(user, "AdjustWindowRectExForDpi")));
    }
    return f;
  }();
  return functions;
}

// A text as the controls take it: UTF-16, and CR LF where a carriage
// return alone breaks a line.
std::wstring ControlText(const std::string& text) { return Wide(WithLineFeeds(text)); }

// An integer resource, as the wide functions take it.
LPCWSTR Resource(int id) { return MAKEINTRESOURCEW(id); }

Form* FormOfWindow(HWND hwnd) {
  HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  if (!root) return nullptr;
  wchar_t cls[32] = {};
  GetClassNameW(root, cls, static_cast<int>(std::size(cls)));
  if (lstrcmpW(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(root, GWLP_USERDATA));
}

}  // namespace

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {
  // The common controls are loaded here, not at the program's start: the
  // guard and a run for scripts make none of them, and under Wine the library
  // alone adds some 7 MB to a process's working set. The manifest's
  // activation context still gives the loader version 6.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  if (const HMODULE comctl = LoadLibraryW(L"comctl32.dll"))
    if (const auto init = reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
            reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx"))))
      init(&icc);
  HDC screen = GetDC(nullptr);
  if (screen) {
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi_ <= 0) dpi_ = 96;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FormProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));  // an integer resource
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  wc.hIcon = IconOf(Picture::Icon);
  smallIcon_ = static_cast<HICON>(
      LoadImageW(instance_, Resource(IDI_HOLLIN), IMAGE_ICON, 16, 16, 0));
  wc.hIconSm = smallIcon_;
  RegisterClassExW(&wc);
  accelerators_ = LoadAcceleratorsW(instance_, Resource(IDA_MAIN));
}

Win32Backend::~Win32Backend() {
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [key, brush] : brushes_) DeleteObject(brush);
}

int Win32Backend::DpiOf(const Form& form) const {
  const auto it = dpis_.find(&form);
  return it == dpis_.end() ? dpi_ : it->second;
}

const FontSpec& Win32Backend::FontFor(const Control& c) const {
  return c.Font() == FontSpec{} ? c.form().Font : c.Font();
}

HFONT Win32Backend::FontOf(const FontSpec& font, int dpi) {
  const auto key = std::make_tuple(font.name, static_cast<int>(font.points * 100), font.bold, font.underline, dpi);
  if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
  LOGFONTW lf{};
  lf.lfHeight = -static_cast<LONG>(font.points * dpi / 72.0 + 0.5);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring faceName = Wide(font.name);
  lstrcpynW(lf.lfFaceName, faceName.c_str(), LF_FACESIZE);
  HFONT f = CreateFontIndirectW(&lf);
  // The program's faces (MS Sans Serif, Small Fonts) are narrow bitmap faces
  // that a system may lack; the face that stands in for them is often wider,
  // and the texts would no longer fit their labels. The stand-in is narrowed
  // to the average width the face asked for has (a share of its height).
  const double share = font.name == "MS Sans Serif" ? 0.45 : font.name == "Small Fonts" ? 0.42 : 0;  // verbatim
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, f);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  const LONG narrow = static_cast<LONG>(-lf.lfHeight * share + 0.5);
  if (share > 0 && lstrcmpiW(face, faceName.c_str()) != 0 && tm.tmAveCharWidth > narrow) {
    DeleteObject(f);
    lf.lfWidth = narrow;
    f = CreateFontIndirectW(&lf);
  }
  fonts_[key] = f;
  return f;
}

HBRUSH Win32Backend::BrushOf(Color color) {
  if (auto it = brushes_.find(color); it != brushes_.end()) return it->second;
  return brushes_[color] = CreateSolidBrush(color);
}

HICON Win32Backend::IconOf(Picture picture) {
  if (auto it = icons_.find(picture); it != icons_.end()) return it->second;
  HICON icon = nullptr;
  if (picture == Picture::Icon) {
    icon = static_cast<HICON>(
        LoadImageW(instance_, Resource(IDI_HOLLIN), IMAGE_ICON, 32, 32, 0));
  } else if (picture != Picture::None) {
    // An LED picture becomes an opaque icon, so that the status bar's panel
    // can carry it (SB_SETICON) and others can see that it does.
    const int id = IDB_LED_GREY + static_cast<int>(picture) - static_cast<int>(Picture::LedGrey);
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageW(instance_, Resource(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bmp) {
      BITMAP bm{};
      GetObjectW(bmp, sizeof bm, &bm);
      std::vector<BYTE> zeros(static_cast<size_t>((bm.bmWidth + 15) / 16 * 2 * bm.bmHeight), 0);
      HBITMAP mask = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, zeros.data());
      ICONINFO info{TRUE, 0, 0, mask, bmp};
      icon = CreateIconIndirect(&info);
      DeleteObject(mask);
      DeleteObject(bmp);
    }
  }
  return icons_[picture] = icon;
}

DWORD Win32Backend::StyleOf(const Form& form) const {
  if (form.Style() == FormStyle::MainWindow)
    return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  if (form.Style() == FormStyle::Sizable) return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
  return WS_POPUP | WS_CAPTION | WS_SYSMENU;
}

DWORD Win32Backend::ExStyleOf(const Form& form) const {
  return WS_EX_CONTROLPARENT | (form.Style() == FormStyle::FixedDialog ? WS_EX_DLGMODALFRAME : 0);
}

SIZE Win32Backend::OuterSize(const Form& form, int dpi) const {
  RECT r{0, 0, PixelsOf(form.ClientWidth(), dpi), PixelsOf(form.ClientHeight(), dpi)};
  const BOOL menu = form.Menus().empty() ? FALSE : TRUE;
  if (Dpis().adjust)
    Dpis().adjust(&r, StyleOf(form), menu, ExStyleOf(form), static_cast<UINT>(dpi));
  else
    AdjustWindowRectEx(&r, StyleOf(form), menu, ExStyleOf(form));
  return {r.right - r.left, r.bottom - r.top};
}

int Win32Backend::FrameHeight(const Form& form) {
  const int dpi = DpiOf(form);
  return MulDiv(OuterSize(form, dpi).cy - PixelsOf(form.ClientHeight(), dpi), 1440, dpi);
}

void Win32Backend::CreateForm(Form& form) {
  const bool hasMenu = !form.Menus().empty();
  const SIZE size = OuterSize(form, dpi_);
  // Every window starts in the middle of the screen.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  HMENU menu = hasMenu ? LoadMenuW(instance_, Resource(IDM_MAIN)) : nullptr;
  HWND hwnd = CreateWindowExW(ExStyleOf(form), kFormClass, Wide(form.Caption()).c_str(), StyleOf(form), x, y,
                              size.cx, size.cy, nullptr, menu, instance_, &form);
  form.native = hwnd;
  // A monitor of another DPI than the system's: the window is made for it
  // before its controls are.
  if (const UINT dpi = Dpis().forWindow ? Dpis().forWindow(hwnd) : 0; dpi && static_cast<int>(dpi) != dpi_) {
    dpis_[&form] = static_cast<int>(dpi);
    const SIZE own = OuterSize(form, static_cast<int>(dpi));
    SetWindowPos(hwnd, nullptr, 0, 0, own.cx, own.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(IconOf(Picture::Icon)));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  int id = kFirstControlId;
  for (Control* c : form.Controls()) CreateControl(form, *c, id++);
  // Controls are declared front to back: each goes below those before it.
  for (Control* c : form.Controls())
    SetWindowPos(WindowOf(*c), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (MenuItem* m : form.Menus()) MenuChanged(*m);
  for (Timer* t : form.Timers()) TimerChanged(*t);
  // Tool tips for the controls that have one.
  HWND tips = nullptr;
  for (Control* c : form.Controls()) {
    if (c->ToolTipText.empty()) continue;
    if (!tips)
      tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, instance_, nullptr);
    std::wstring text = Wide(c->ToolTipText);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(c->native);
    tool.lpszText = text.data();  // the control keeps a copy
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32Backend::CreateControl(Form& form, Control& c, int id) {
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex = 0;
  switch (c.kind()) {
    case Kind::Label:
      // A transparent label draws itself over what lies behind it
      // (WM_DRAWITEM); its text stays its window text.
      if (static_cast<Label&>(c).Click) style |= SS_NOTIFY;  // it tells of clicks
      if (static_cast<Label&>(c).Transparent)
        style |= SS_OWNERDRAW;
      else
        style |= SS_NOPREFIX | (c.Alignment() == Align::Right    ? SS_RIGHT
                                : c.Alignment() == Align::Center ? SS_CENTER
                                                                 : SS_LEFT);
      break;
    case Kind::Image:
      style |= SS_ICON | SS_REALSIZEIMAGE;
      break;
    case Kind::Line:
      style |= SS_ETCHEDHORZ;
      break;
    case Kind::CommandButton:
      cls = L"BUTTON";
      style |= WS_TABSTOP | (static_cast<CommandButton&>(c).Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case Kind::OptionButton:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_RADIOBUTTON;
      break;
    case Kind::CheckBox:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_CHECKBOX;
      break;
    case Kind::Frame:
      cls = L"BUTTON";
      style |= BS_GROUPBOX;
      break;
    case Kind::ListView:
      cls = WC_LISTVIEWW;
      style |= WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS;
      ex = WS_EX_CLIENTEDGE;
      break;
    case Kind::TextBox:
      cls = L"EDIT";
      // Lines wrap at the box's width, as long commands need.
      style |= WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
      ex = WS_EX_CLIENTEDGE;
      break;
    case Kind::StatusBar:
      cls = STATUSCLASSNAMEW;
      style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
      break;
  }
  HWND hwnd = CreateWindowExW(ex, cls, ControlText(c.Caption()).c_str(), style, 0, 0, 0, 0,
                              WindowOf(form), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              instance_, nullptr);
  c.native = hwnd;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(FontFor(c), DpiOf(form))), FALSE);
  Place(c);
  if (c.kind() == Kind::ListView) {
    SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SyncColumns(c);
    ControlChanged(c, Prop::MultiSelect, 0);
    SyncRows(c);
  }
  if (c.kind() == Kind::StatusBar) {
    int parts[] = {-1};
    SendMessageW(hwnd, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    ControlChanged(c, Prop::Panel, 0);
  }
  if (c.kind() == Kind::Image || c.kind() == Kind::OptionButton || c.kind() == Kind::CheckBox)
    ControlChanged(c, c.kind() == Kind::Image ? Prop::Picture : Prop::Value, 0);
  EnableWindow(hwnd, c.Enabled());
  ShowWindow(hwnd, c.Visible() ? SW_SHOWNA : SW_HIDE);
}

void Win32Backend::Place(Control& c) {
  const PixelRect r = PixelRectOf(c, DpiOf(c.form()));
  MoveWindow(WindowOf(c), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void Win32Backend::ApplyDpi(Form& form, int dpi) {
  if (dpi <= 0 || dpi == DpiOf(form)) return;
  dpis_[&form] = dpi;
  for (Control* c : form.Controls()) {
    SendMessageW(WindowOf(*c), WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(FontFor(*c), dpi)), FALSE);
    Place(*c);
    if (c->kind() == Kind::ListView) SyncColumns(*c);
  }
  RedrawWindow(WindowOf(form), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Draws a transparent label as the user sees it: the labels behind it that it
// overlaps (coloured boxes and the texts of other transparent labels), back
// to front, then its own text.
void Win32Backend::DrawTransparentLabel(Form& form, Control& label, HDC dc) {
  const auto& all = form.Controls();
  size_t at = 0;
  while (at < all.size() && all[at] != &label) ++at;
  const int dpi = DpiOf(form);
  const PixelRect place = PixelRectOf(label, dpi);
  RECT own{0, 0, place.right - place.left, place.bottom - place.top};
  FillRect(dc, &own, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  auto draw = [&](Control& d) {
    const PixelRect p = PixelRectOf(d, dpi);
    RECT r{p.left - place.left, p.top - place.top, p.right - place.left, p.bottom - place.top};
    const bool transparent = static_cast<Label&>(d).Transparent;
    if (!transparent && d.BackColor() != kSystemColor) FillRect(dc, &r, BrushOf(d.BackColor()));
    if (!transparent && &d != &label) return;
    HGDIOBJ old = SelectObject(dc, FontOf(FontFor(d), dpi));
    SetTextColor(dc, d.ForeColor() == kSystemColor ? GetSysColor(COLOR_BTNTEXT) : d.ForeColor());
    const UINT align = d.Alignment() == Align::Right ? DT_RIGHT : d.Alignment() == Align::Center ? DT_CENTER : DT_LEFT;
    const std::wstring text = ControlText(d.Caption());
    // As an edit control breaks its lines: a word wider than the label is
    // broken too, and a line that does not fit whole is not drawn.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | align);
    SelectObject(dc, old);
  };
  for (size_t i = all.size(); i-- > at + 1;) {
    Control& d = *all[i];
    if (d.kind() != Kind::Label || !d.Visible()) continue;
    if (d.FormLeft() >= label.FormLeft() + label.Width() || label.FormLeft() >= d.FormLeft() + d.Width() ||
        d.FormTop() >= label.FormTop() + label.Height() || label.FormTop() >= d.FormTop() + d.Height())
      continue;
    draw(d);
  }
  draw(label);
}

// A transparent label's old text goes only when what lies below repaints.
void Win32Backend::Uncover(Control& c) {
  HWND hwnd = WindowOf(c);
  RECT r;
  GetWindowRect(hwnd, &r);
  HWND parent = GetParent(hwnd);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32Backend::DestroyForm(Form& form) {
  HWND hwnd = WindowOf(form);
  dpis_.erase(&form);
  focusOf_.erase(&form);
  for (Control* c : form.Controls()) c->native = nullptr;
  form.native = nullptr;
  if (hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
  }
}

void Win32Backend::FormChanged(Form& form, Prop what) {
  HWND hwnd = WindowOf(form);
  if (!hwnd) return;
  switch (what) {
    case Prop::Caption:
      SetWindowTextW(hwnd, Wide(form.Caption()).c_str());
      break;
    case Prop::Visible:
      ShowWindow(hwnd, form.Visible() ? SW_SHOW : SW_HIDE);
      if (form.Visible()) SetForegroundWindow(hwnd);
      break;
    case Prop::Position: {
      const SIZE size = OuterSize(form, DpiOf(form));
      SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    default:
      break;
  }
}

void Win32Backend::SyncColumns(Control& c) {
  auto& list = static_cast<ListView&>(c);
  HWND hwnd = WindowOf(c);
  HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0));
  const int have = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  int i = 0;
  for (const auto& col : list.Columns()) {
    LVCOLUMNW lc{};
    lc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lc.fmt = LVCFMT_LEFT;
    // A column as wide as its caption shows the caption whole: the header's
    // own margins come on top.
    const int dpi = DpiOf(c.form());
    lc.cx = PixelsOf(col.width, dpi) + MulDiv(kColumnMarginPixels, dpi, 96);
    std::wstring caption = Wide(col.caption);
    lc.pszText = caption.data();
    SendMessageW(hwnd, i < have ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&lc));
    ++i;
  }
  for (int extra = have; extra-- > i;) SendMessageW(hwnd, LVM_DELETECOLUMN, extra, 0);
  // A column added to rows already listed: their texts for it.
  if (i > have && have > 0 && list.Count() > 0) SyncRows(c);
}

void Win32Backend::SyncRows(Control& c) {
  auto& list = static_cast<ListView&>(c);
  HWND hwnd = WindowOf(c);
  syncing_ = true;
  SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(hwnd, LVM_SETITEMCOUNT, list.Count(), 0);
  int i = 0;
  for (const auto& row : list.Rows()) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = i;
    std::wstring text = Wide(row.text);
    item.pszText = text.data();
    item.state = row.selected ? LVIS_SELECTED : 0;
    item.stateMask = LVIS_SELECTED;
    SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMW sub{};
    sub.iSubItem = 1;
    std::wstring subText = Wide(row.sub);
    sub.pszText = subText.data();
    SendMessageW(hwnd, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    if (list.Columns().size() > 2) {
      LVITEMW third{};
      third.iSubItem = 2;
      std::wstring signals = Wide(row.signals);
      third.pszText = signals.data();
      SendMessageW(hwnd, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&third));
    }
    ++i;
  }
  // Rows of more than the first group: each group under its caption, as the
  // control shows groups (the rows are in group order already, so their
  // indexes stay the display order). Groups go in after the rows: the
  // control takes none into an empty list.
  SendMessageW(hwnd, LVM_REMOVEALLGROUPS, 0, 0);
  const bool grouped = list.Grouped();
  if (grouped) {
    const auto& captions = list.GroupCaptions();
    for (size_t g = 0; g < captions.size(); ++g) {
      std::wstring header = Wide(captions[g]);
      LVGROUP group{};
      group.cbSize = sizeof group;
      group.mask = LVGF_HEADER | LVGF_GROUPID;
      group.pszHeader = header.data();
      group.iGroupId = static_cast<int>(g);
      SendMessageW(hwnd, LVM_INSERTGROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&group));
    }
    i = 0;
    for (const auto& row : list.Rows()) {
      LVITEMW item{};
      item.mask = LVIF_GROUPID;
      item.iItem = i++;
      item.iGroupId = row.group;
      SendMessageW(hwnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
  }
  SendMessageW(hwnd, LVM_ENABLEGROUPVIEW, grouped, 0);
  SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd, nullptr, TRUE);
  syncing_ = false;
}

void Win32Backend::ControlChanged(Control& c, Prop what, int row) {
  HWND hwnd = WindowOf(c);
  if (!hwnd) return;
  switch (what) {
    case Prop::Caption:
      SetWindowTextW(hwnd, ControlText(c.Caption()).c_str());
      if (c.kind() == Kind::Label && static_cast<Label&>(c).Transparent) Uncover(c);
      break;
    case Prop::Enabled:
      EnableWindow(hwnd, c.Enabled());
      break;
    case Prop::Visible:
      ShowWindow(hwnd, c.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Prop::Position:
      Place(c);
      break;
    case Prop::Font:
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(FontFor(c), DpiOf(c.form()))), TRUE);
      break;
    case Prop::Colors:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case Prop::Picture:
      SendMessageW(hwnd, STM_SETICON,
                   reinterpret_cast<WPARAM>(IconOf(static_cast<Image&>(c).Picture())), 0);
      break;
    case Prop::Value: {
      const bool on = c.kind() == Kind::OptionButton ? static_cast<OptionButton&>(c).Value()
                                                     : static_cast<CheckBox&>(c).Value() == 1;
      SendMessageW(hwnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    }
    case Prop::Columns:
      SyncColumns(c);
      break;
    case Prop::Rows:
      SyncRows(c);
      break;
    case Prop::Selection: {
      LVITEMW item{};
      item.state = static_cast<ListView&>(c).Selected(row) ? LVIS_SELECTED : 0;
      item.stateMask = LVIS_SELECTED;
      syncing_ = true;
      SendMessageW(hwnd, LVM_SETITEMSTATE, row - 1, reinterpret_cast<LPARAM>(&item));
      syncing_ = false;
      break;
    }
    case Prop::MultiSelect: {
      LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
      style = static_cast<ListView&>(c).MultiSelect() ? style & ~LVS_SINGLESEL : style | LVS_SINGLESEL;
      SetWindowLongPtrW(hwnd, GWL_STYLE, style);
      break;
    }
    case Prop::EnsureVisible: {
      SendMessageW(hwnd, LVM_ENSUREVISIBLE, row - 1, FALSE);
      // The row brought into view has the focus mark too: the arrow keys go
      // on from it, not from the top.
      LVITEMW item{};
      item.state = item.stateMask = LVIS_FOCUSED;
      syncing_ = true;
      SendMessageW(hwnd, LVM_SETITEMSTATE, row - 1, reinterpret_cast<LPARAM>(&item));
      syncing_ = false;
      break;
    }
    case Prop::Focus:
      if (IsWindowVisible(GetAncestor(hwnd, GA_ROOT))) SetFocus(hwnd);
      break;
    case Prop::Panel: {
      auto& bar = static_cast<StatusBar&>(c);
      SendMessageW(hwnd, SB_SETICON, 0, reinterpret_cast<LPARAM>(IconOf(bar.PanelPicture())));
      SendMessageW(hwnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(bar.PanelText()).c_str()));
      break;
    }
  }
}

void Win32Backend::MenuChanged(MenuItem& item) {
  HWND hwnd = WindowOf(item.form());
  HMENU menu = hwnd ? GetMenu(hwnd) : nullptr;
  if (!menu) return;
  CheckMenuItem(menu, item.Id(), MF_BYCOMMAND | (item.Checked() ? MF_CHECKED : MF_UNCHECKED));
  EnableMenuItem(menu, item.Id(), MF_BYCOMMAND | (item.Enabled() ? MF_ENABLED : MF_GRAYED));
}

void Win32Backend::TimerChanged(Timer& timer) {
  HWND hwnd = WindowOf(timer.form());
  if (!hwnd) return;
  if (timer.Enabled())
    SetTimer(hwnd, kTimerId, static_cast<UINT>(timer.Interval), nullptr);
  else
    KillTimer(hwnd, kTimerId);
}

void Win32Backend::Refresh(Form& form) {
  if (HWND hwnd = WindowOf(form))
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Backend::RefreshControl(Control& c) {
  if (HWND hwnd = WindowOf(c)) {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
  }
}

int Win32Backend::TextWidth(const std::string& text, const FontSpec& font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOf(font, dpi_));
  SIZE size{};
  const std::wstring wide = Wide(text);
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return MulDiv(size.cx, 1440, dpi_);
}

int Win32Backend::TextHeight(const std::string& text, const FontSpec& font, int width) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOf(font, dpi_));
  RECT r{0, 0, PixelsOf(width, dpi_), 0};
  const std::wstring wide = ControlText(text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return MulDiv(r.bottom - r.top, 1440, dpi_);
}

Control* Win32Backend::ControlOf(HWND hwnd) const {
  Form* form = FormOfWindow(hwnd);
  if (!form) return nullptr;
  for (Control* c : form->Controls())
    if (c->native == hwnd) return c;
  return nullptr;
}

// The messages the form sees before they are dispatched: its shortcuts, the
// characters typed (the form has them before its controls; the list's own
// type-ahead is the form's), and the dialog keys (Tab, Enter, Esc).
bool Win32Backend::PreTranslate(MSG& msg) {
  Form* form = FormOfWindow(msg.hwnd);
  if (!form) return false;
  HWND root = WindowOf(*form);
  // Where the focus is, for when the window is active again (a window
  // disabled under a box loses it before it is told it is inactive).
  if (HWND focus = GetFocus(); focus && IsChild(root, focus)) focusOf_[form] = focus;
  if (!form->Menus().empty() && accelerators_ && TranslateAcceleratorW(root, accelerators_, &msg))
    return true;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && form->Style() == FormStyle::Sizable) {
    form->UserCloses();  // Escape closes a window of facts from any of its controls
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && !(GetKeyState(VK_MENU) & 0x8000)) {
    // Enter on the list acts on its row, before the dialog keys see it.
    Control* target = ControlOf(msg.hwnd);
    if (target && target->kind() == Kind::ListView) {
      const int row = static_cast<int>(
          SendMessageW(msg.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
      if (row >= 0) static_cast<ListView*>(target)->UserActivateRow(row + 1);
      return true;
    }
  }
  if (msg.message == WM_KEYDOWN) {
    Control* target = ControlOf(msg.hwnd);
    const bool arrow = msg.wParam == VK_UP || msg.wParam == VK_DOWN || msg.wParam == VK_LEFT || msg.wParam == VK_RIGHT;
    if (target && target->kind() == Kind::ListView &&
        (arrow || msg.wParam == VK_PRIOR || msg.wParam == VK_NEXT || msg.wParam == VK_HOME ||
         msg.wParam == VK_END || msg.wParam == VK_SPACE)) {
      ListKey(msg, *static_cast<ListView*>(target));
      return true;
    }
    if (target && target->kind() == Kind::OptionButton && arrow) {
      // An arrow key in a group of option buttons chooses the one it moves
      // to, as a click does (the dialog keys move only the focus).
      IsDialogMessageW(root, &msg);
      Control* now = ControlOf(GetFocus());
      if (now && now != target && now->kind() == Kind::OptionButton && !static_cast<OptionButton*>(now)->Value())
        static_cast<OptionButton*>(now)->UserClick();
      return true;
    }
  }
  if (msg.message == WM_CHAR) {
    Control* target = ControlOf(msg.hwnd);
    if (target) form->ActiveControl(target);
    // A character beyond the BMP comes as two messages, one per surrogate;
    // the form is told of it once, whole.
    char32_t typed = static_cast<char32_t>(msg.wParam);
    const char32_t high = highSurrogate_;
    highSurrogate_ = typed >= 0xD800 && typed <= 0xDBFF ? typed : 0;
    if (high && typed >= 0xDC00 && typed <= 0xDFFF) typed = 0x10000 + ((high - 0xD800) << 10) + (typed - 0xDC00);
    if (!highSurrogate_) form->UserTypes(static_cast<int>(typed));
    if (target && target->kind() == Kind::ListView) return true;
  }
  return IsDialogMessageW(root, &msg) != FALSE;
}

void Win32Backend::ListKey(MSG& msg, ListView& list) {
  const HWND hwnd = msg.hwnd;
  const auto focused = [hwnd] {
    return static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  };
  std::vector<bool> before;
  for (int i = 1; i <= list.Count(); ++i) before.push_back(list.Selected(i));
  const int focusedBefore = focused();
  TranslateMessage(&msg);
  DispatchMessageW(&msg);  // the control moves its selection and tells each change (LVN_ITEMCHANGED)
  if (!WindowOf(list)) return;
  std::vector<bool> after;
  for (int i = 1; i <= list.Count(); ++i) after.push_back(list.Selected(i));
  const int row = focused();
  // A key that moves nowhere (Down on the last row) still selects the row
  // with the focus mark where none is selected: the user went to it.
  if (after == before && row == focusedBefore && row >= 0 && row < list.Count() && msg.wParam != VK_SPACE &&
      std::find(after.begin(), after.end(), true) == after.end()) {
    LVITEMW item{};
    item.state = item.stateMask = LVIS_SELECTED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    list.RowClicked(row + 1);
    return;
  }
  if ((after != before || row != focusedBefore) && row >= 0 && row < list.Count() && list.Selected(row + 1))
    list.RowClicked(row + 1);
}

void Win32Backend::RestoreFocus(Form& form, HWND hwnd) {
  auto it = focusOf_.find(&form);
  HWND to = it != focusOf_.end() ? it->second : nullptr;
  if (!to || !IsWindow(to) || !IsChild(hwnd, to) || !IsWindowVisible(to) || !IsWindowEnabled(to))
    to = GetNextDlgTabItem(hwnd, nullptr, FALSE);
  if (to) SetFocus(to);
}

int Win32Backend::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void Win32Backend::PumpWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Backend::ShowModal(Form& form) {
  // The other windows of the program wait until the form is unloaded.
  HWND owner = GetActiveWindow();
  if (Form* of = FormOfWindow(owner); of && WindowOf(*of) == owner)
    if (HWND focus = GetFocus(); focus && IsChild(owner, focus)) focusOf_[of] = focus;
  std::vector<HWND> disabled;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && w != WindowOf(form) && IsWindowEnabled(w) && IsWindowVisible(w)) {
      EnableWindow(w, FALSE);
      disabled.push_back(w);
    }
  }
  ShowWindow(WindowOf(form), SW_SHOW);
  SetForegroundWindow(WindowOf(form));
  // The first control that can take the focus has it.
  if (HWND first = GetNextDlgTabItem(WindowOf(form), nullptr, FALSE)) {
    for (Control* c : form.Controls())
      if (c->native == first) form.ActiveControl(c);
    SetFocus(first);
  }
  MSG msg;
  while (form.Loaded() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  for (HWND w : disabled) EnableWindow(w, TRUE);
  // The window that was active before is active again.
  if (owner && IsWindow(owner)) SetForegroundWindow(owner);
}

LRESULT CALLBACK Win32Backend::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  return static_cast<Win32Backend&>(form->backend()).Handle(*form, hwnd, msg, wp, lp);
}

LRESULT Win32Backend::Handle(Form& form, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      form.Painted();
      return 0;
    }
    case WM_CLOSE:
      form.UserCloses();
      return 0;
    case WM_SETFOCUS:
      // The window made active again (after a box it showed, or another
      // program): the focus goes back into the control that had it, not to
      // the window itself, which takes no keys.
      if (!form.Controls().empty()) {
        RestoreFocus(form, hwnd);
        return 0;
      }
      break;
    case WM_NEXTDLGCTL: {
      // A control that moves the focus itself asks its window, as a dialog
      // box's control asks the dialog box: a multi-line text box on Tab.
      HWND to = LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd, GetFocus(), wp != 0);
      if (to) SetFocus(to);
      return 0;
    }
    case DM_GETDEFID:
      // The default button, for a control that presses it on Enter (a
      // multi-line text box asks for it before it does).
      for (Control* c : form.Controls())
        if (c->kind() == Kind::CommandButton && static_cast<CommandButton*>(c)->Default && WindowOf(*c) &&
            IsWindowEnabled(WindowOf(*c)) && IsWindowVisible(WindowOf(*c)))
          return MAKELRESULT(GetDlgCtrlID(WindowOf(*c)), DC_HASDEFID);
      return 0;
    case WM_CONTEXTMENU: {
      // Shift+F10 or the menu key on the list: its Action menu, under the
      // row with the focus (a right click shows it at the mouse, NM_RCLICK).
      Control* c = ControlOf(reinterpret_cast<HWND>(wp));
      if (!c || c->kind() != Kind::ListView || lp != -1) break;
      HMENU bar = GetMenu(hwnd);
      HMENU action = bar ? GetSubMenu(bar, 2) : nullptr;
      if (!action) break;
      const HWND list = reinterpret_cast<HWND>(wp);
      const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
      RECT r{};
      r.left = LVIR_LABEL;
      if (row < 0 || !SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r))) GetClientRect(list, &r);
      POINT at{r.left, row < 0 ? r.top : r.bottom};
      ClientToScreen(list, &at);
      TrackPopupMenu(action, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, hwnd, nullptr);
      return 0;
    }
    case WM_SIZE:
      // A form the user sizes lays its controls out anew.
      if (form.Style() == FormStyle::Sizable && wp != SIZE_MINIMIZED) {
        const int dpi = DpiOf(form);
        form.Resized(MulDiv(LOWORD(lp), 1440, dpi), MulDiv(HIWORD(lp), 1440, dpi));
      }
      return 0;
    case WM_GETDPISCALEDSIZE: {
      // The size at the new DPI is the design's, not the old one scaled: the
      // rectangle WM_DPICHANGED suggests then fits the client area exactly.
      const SIZE size = OuterSize(form, static_cast<int>(wp));
      *reinterpret_cast<SIZE*>(lp) = size;
      return TRUE;
    }
    case WM_DPICHANGED: {
      // Another monitor's DPI: the window takes the rectangle the system
      // suggests, and its fonts and controls are made anew for that DPI.
      ApplyDpi(form, HIWORD(wp));
      const RECT* r = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_HELP: {
      // F1: on a highlighted menu item, its topic; elsewhere the contents.
      const auto* info = reinterpret_cast<const HELPINFO*>(lp);
      MenuItem* item = nullptr;
      if (info && info->iContextType == HELPINFO_MENUITEM)
        for (MenuItem* m : form.Menus())
          if (m->Id() == info->iCtrlId) item = m;
      form.UserAsksHelp(item);
      return TRUE;
    }
    case WM_TIMER:
      for (Timer* t : form.Timers()) t->Fire();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      Control* c = ControlOf(reinterpret_cast<HWND>(lp));
      if (!c) break;
      HDC dc = reinterpret_cast<HDC>(wp);
      if (c->BackColor() == kSystemColor) {
        if (c->ForeColor() == kSystemColor) break;
        DefWindowProcW(hwnd, msg, wp, lp);
        SetTextColor(dc, c->ForeColor());
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      if (c->ForeColor() != kSystemColor) SetTextColor(dc, c->ForeColor());
      SetBkColor(dc, c->BackColor());
      return reinterpret_cast<LRESULT>(BrushOf(c->BackColor()));
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      Control* c = ControlOf(dis->hwndItem);
      if (!c) break;
      DrawTransparentLabel(form, *c, dis->hDC);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (lp == 0 || id == IDOK || id == IDCANCEL) {
        for (MenuItem* m : form.Menus())
          if (m->Id() == id) {
            m->UserChoose();
            return 0;
          }
        for (Control* c : form.Controls())
          if (c->kind() == Kind::CommandButton) {
            auto* b = static_cast<CommandButton*>(c);
            if ((id == IDOK && b->Default) || (id == IDCANCEL && b->Cancel)) {
              b->UserClick();
              return 0;
            }
          }
        if (id == IDCANCEL && form.Style() == FormStyle::FixedDialog && form.Menus().empty()) {
          form.UserCloses();
          return 0;
        }
        return 0;
      }
      if (HIWORD(wp) == BN_CLICKED) {
        Control* c = ControlOf(reinterpret_cast<HWND>(lp));
        if (!c) break;
        if (c->kind() == Kind::CommandButton) static_cast<CommandButton*>(c)->UserClick();
        else if (c->kind() == Kind::Label) static_cast<Label*>(c)->UserClick();  // STN_CLICKED
        else if (c->kind() == Kind::OptionButton) static_cast<OptionButton*>(c)->UserClick();
        else if (c->kind() == Kind::CheckBox) static_cast<CheckBox*>(c)->UserClick();
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      // What the list tells while we fill it is our own doing.
      if (syncing_) return 0;
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      Control* c = ControlOf(hdr->hwndFrom);
      if (!c || c->kind() != Kind::ListView) break;
      auto* list = static_cast<ListView*>(c);
      switch (hdr->code) {
        case NM_SETFOCUS:
          form.ActiveControl(list);
          break;
        case LVN_ITEMCHANGED: {
          auto* nm = reinterpret_cast<NMLISTVIEW*>(lp);
          if (!syncing_ && (nm->uChanged & LVIF_STATE) && nm->iItem >= 0)
            list->SelectionFromUser(nm->iItem + 1, (nm->uNewState & LVIS_SELECTED) != 0);
          break;
        }
        case NM_CLICK: {
          auto* nm = reinterpret_cast<NMITEMACTIVATE*>(lp);
          // The control's selection is the user's: read it back whole first.
          for (int i = 0; i < list->Count(); ++i)
            list->SelectionFromUser(
                i + 1, (SendMessageW(hdr->hwndFrom, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) != 0);
          if (nm->iItem >= 0) list->RowClicked(nm->iItem + 1);
          break;
        }
        case LVN_COLUMNCLICK:
          list->UserClickColumn(reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem + 1);
          break;
        case NM_DBLCLK: {
          const int row = reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem;
          if (row >= 0) list->UserActivateRow(row + 1);
          break;
        }
        case NM_RETURN: {
          // Enter: the row with the focus.
          const int row = static_cast<int>(SendMessageW(hdr->hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                        LVNI_FOCUSED | LVNI_SELECTED));
          if (row >= 0) list->UserActivateRow(row + 1);
          break;
        }
        case NM_RCLICK: {
          // The window's Action menu, at the mouse.
          HMENU bar = GetMenu(hwnd);
          HMENU action = bar ? GetSubMenu(bar, 2) : nullptr;
          if (!action) break;
          POINT at{};
          GetCursorPos(&at);
          TrackPopupMenu(action, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
          break;
        }
      }
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace hollin::ui
