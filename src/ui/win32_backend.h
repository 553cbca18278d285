// The Win32 backend: real windows and common controls for the portable forms.
// It turns each window message into one call on the portable controls (a
// BN_CLICKED into UserClick, an NM_CLICK into RowClicked, WM_CLOSE into
// UserCloses ...) and mirrors every property change onto the real controls.
// Every text stays readable from outside the standard way: window texts,
// LVM_GETITEMTEXT and LVM_GETCOLUMN on the list, SB_GETTEXT on the status
// bar's first panel (its LED is the panel's icon), the menu bar.
//
// Each window has its DPI: the system's when it is made, the monitor's where
// the system tells (GetDpiForWindow, WM_DPICHANGED: the program's manifest
// declares per-monitor awareness). Twips map to pixels through it, and its
// fonts are made for it; when it changes, the window takes the rectangle
// the system suggests and lays its controls out again.
#pragma once

#include "common/windows_api.h"

#include <map>
#include <tuple>

#include "ui/controls.h"

namespace hollin::ui {

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(HINSTANCE instance);
  ~Win32Backend() override;

  // Runs the message loop until the process ends or WM_QUIT arrives.
  int Run();
  // Handles the messages waiting now, then returns (for tests).
  void PumpWaiting();
  HWND WindowOf(const Form& form) const { return static_cast<HWND>(form.native); }
  HWND WindowOf(const Control& control) const { return static_cast<HWND>(control.native); }
  // The DPI a form's window is laid out for.
  int DpiOf(const Form& form) const;

  void CreateForm(Form& form) override;
  void DestroyForm(Form& form) override;
  void FormChanged(Form& form, Prop what) override;
  void ControlChanged(Control& control, Prop what, int row) override;
  void MenuChanged(MenuItem& item) override;
  void TimerChanged(Timer& timer) override;
  void Refresh(Form& form) override;
  void RefreshControl(Control& control) override;
  int TextWidth(const std::string& text, const FontSpec& font) override;
  int TextHeight(const std::string& text, const FontSpec& font, int width) override;
  int FrameHeight(const Form& form) override;
  void ShowModal(Form& form) override;

 private:
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(Form& form, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool PreTranslate(MSG& msg);
  // A key that moves the list's selection, handled by the list: a row the
  // keys select is told as a click on it is, so that the keyboard shows its
  // panel and enables what a click enables.
  void ListKey(MSG& msg, ListView& list);
  // The focus into a window's control that had it last; where that one can
  // no longer take it, the first that can.
  void RestoreFocus(Form& form, HWND hwnd);
  void CreateControl(Form& form, Control& control, int id);
  void SyncColumns(Control& list);
  void SyncRows(Control& list);
  void Place(Control& control);
  // Lays a form's window out again for another DPI: fonts, controls, columns.
  void ApplyDpi(Form& form, int dpi);
  // The window's outer size for its client area at a DPI.
  SIZE OuterSize(const Form& form, int dpi) const;
  const FontSpec& FontFor(const Control& control) const;
  void Uncover(Control& control);
  void DrawTransparentLabel(Form& form, Control& label, HDC dc);
  Control* ControlOf(HWND hwnd) const;
  HFONT FontOf(const FontSpec& font, int dpi);
  HBRUSH BrushOf(Color color);
  HICON IconOf(Picture picture);
  DWORD StyleOf(const Form& form) const;
  DWORD ExStyleOf(const Form& form) const;

  HINSTANCE instance_;
  int dpi_ = 96;  // the system's, which measured texts are in
  std::map<const Form*, int> dpis_;  // each form's, where it is not the system's
  bool syncing_ = false;  // the list is being filled by us, not the user
  char32_t highSurrogate_ = 0;  // the first half of a character being typed
  std::map<const Form*, HWND> focusOf_;  // the control of each window that had the focus last
  std::map<std::tuple<std::string, int, bool, bool, int>, HFONT> fonts_;  // by face, size, style and DPI
  std::map<Color, HBRUSH> brushes_;
  std::map<Picture, HICON> icons_;
  HICON smallIcon_ = nullptr;
  HACCEL accelerators_ = nullptr;
};

}  // namespace hollin::ui
