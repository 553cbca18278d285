// A small window for the probe's self-test: the kinds of controls the main
// window has (report list, status bar with an icon, option and push buttons,
// a menu bar, an accelerator, a message box), each reporting what it received
// in the status bar's first panel so that the probe can read it back.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

constexpr int kList = 10, kStatus = 11, kOptionA = 12, kOptionB = 13, kAsk = 14, kNote = 15;
constexpr int kRefresh = 101, kExit = 102, kCtrlR = 103, kWarn = 201, kLocked = 202;
constexpr int kExitCode = 7;

HWND g_list, g_status;

void SetStatus(const std::string& text) {
  SendMessageA(g_status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void AddColumn(int index, const char* caption, int width) {
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = const_cast<char*>(caption);
  col.cx = width;
  SendMessageA(g_list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col));
}

void AddRow(int index, const char* type, const char* program) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<char*>(type);
  SendMessageA(g_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  item.iSubItem = 1;
  item.pszText = const_cast<char*>(program);
  SendMessageA(g_list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
}

HMENU BuildMenu() {
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kRefresh, "&Refresh\tF5");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, kExit, "E&xit");
  HMENU options = CreatePopupMenu();
  AppendMenuA(options, MF_STRING | MF_CHECKED, kWarn, "&Warn");
  AppendMenuA(options, MF_STRING | MF_GRAYED, kLocked, "&Locked");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "&Options");
  return bar;
}

void Create(HWND hwnd) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  };
  g_list = child(WC_LISTVIEWA, "", LVS_REPORT | WS_BORDER | WS_TABSTOP, 10, 10, 340, 150, kList);
  AddColumn(0, "Type", 90);
  AddColumn(1, "Opens with", 230);
  AddRow(0, ".txt", "C:\\Tools\\edit.exe %1");
  AddRow(1, ".htm", "browse.exe \"%1\"");
  AddRow(2, ".log", "");
  child(WC_BUTTONA, "Changes O&nly", BS_AUTORADIOBUTTON | WS_GROUP, 10, 170, 120, 20, kOptionA);
  child(WC_BUTTONA, "&All", BS_AUTORADIOBUTTON, 140, 170, 80, 20, kOptionB);
  CheckRadioButton(hwnd, kOptionA, kOptionB, kOptionA);
  child(WC_BUTTONA, "&Ask", BS_PUSHBUTTON, 230, 170, 80, 24, kAsk);
  HWND note = child(WC_STATICA, "Line one\r\nline two", 0, 10, 200, 200, 30, kNote);
  EnableWindow(note, FALSE);
  g_status = child(STATUSCLASSNAMEA, "", 0, 0, 0, 0, 0, kStatus);
  int parts[] = {200, -1};
  SendMessageA(g_status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  SendMessageA(g_status, SB_SETICON, 0, reinterpret_cast<LPARAM>(LoadIconA(nullptr, IDI_INFORMATION)));
  SendMessageA(g_status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("second"));
  SetStatus("Ready");
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      Create(hwnd);
      return 0;
    case WM_SIZE:
      SendMessageA(g_status, WM_SIZE, 0, 0);
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->hwndFrom == g_list && hdr->code == NM_CLICK) {
        auto* act = reinterpret_cast<NMITEMACTIVATE*>(lp);
        int selected = static_cast<int>(SendMessageA(g_list, LVM_GETSELECTEDCOUNT, 0, 0));
        SetStatus("click " + std::to_string(act->iItem) + " id " + std::to_string(hdr->idFrom) +
                  " selected " + std::to_string(selected));
      }
      return 0;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case kRefresh: SetStatus("refreshed"); break;
        case kCtrlR: SetStatus("ctrl-R"); break;
        case kExit: PostMessageA(hwnd, WM_CLOSE, 0, 0); break;
        case kAsk: {
          int answer = MessageBoxA(hwnd, "Restore the selected types?\r\nThis cannot be undone.",
                                   "Brellmark", MB_YESNO | MB_ICONQUESTION);
          SetStatus(answer == IDYES ? "answer yes" : "answer no");
          break;
        }
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(kExitCode);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSA wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "HollinProbeFixture";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Probe Fixture", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 380, 300, nullptr, BuildMenu(), inst,
                              nullptr);
  ShowWindow(hwnd, SW_SHOW);
  ACCEL accels[] = {{FVIRTKEY, VK_F5, kRefresh}, {FVIRTKEY | FCONTROL, 'R', kCtrlR}};
  HACCEL table = CreateAcceleratorTableA(accels, 2);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(hwnd, table, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
