// The second yardstick for Vestrand's start-up: Vestrand's main window made bare. The
// same controls from the same layout table, with the same captions, fonts and window
// size, created plainly; no registry, no folder checks, no picture, no colours. The path
// boxes get fixed texts once the window shows, as Vestrand fills them from the registry.
// What Vestrand takes beyond this window is its own start-up cost.
#include <windows.h>

#include <string>

#include "platform/Win32Text.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"

namespace {

const wchar_t kClassName[] = L"VestrandBenchBareWindow";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

const wchar_t* ClassOf(vestrand::ControlKind kind) {
  using vestrand::ControlKind;
  if (kind == ControlKind::TextBox) return L"EDIT";
  if (kind == ControlKind::Label || kind == ControlKind::Picture) return L"STATIC";
  return L"BUTTON";
}

DWORD StyleOf(vestrand::ControlKind kind) {
  using vestrand::ControlKind;
  switch (kind) {
    case ControlKind::Frame: return BS_GROUPBOX;
    case ControlKind::CheckBox: return BS_AUTOCHECKBOX | WS_TABSTOP;
    case ControlKind::OptionButton: return BS_AUTORADIOBUTTON | WS_TABSTOP;
    case ControlKind::PushButton: return BS_PUSHBUTTON | WS_TABSTOP;
    case ControlKind::TextBox: return ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER;
    default: return SS_LEFT;
  }
}

HFONT MakeFont(const wchar_t* face, int tenthsOfPoint, int weight, int dpiY) {
  return ::CreateFontW(-::MulDiv(tenthsOfPoint, dpiY, 720), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  using namespace vestrand;
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kClassName;
  if (::RegisterClassW(&wc) == 0) return 1;

  HDC screen = ::GetDC(nullptr);
  const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX), dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT rect{0, 0, TwipsToPixels(kFormClientWidthTwips, dpiX), TwipsToPixels(kFormClientHeightTwips, dpiY)};
  ::AdjustWindowRectEx(&rect, style, FALSE, 0);
  HWND window = ::CreateWindowExW(0, kClassName, L"Vestrand For Windows 7", style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top,
                                  nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  // Vestrand's three fonts, given to the same controls.
  HFONT windowFont = MakeFont(L"宋体", 90, FW_NORMAL, dpiY);
  HFONT rowFont = MakeFont(L"宋体", 90, FW_BOLD, dpiY);
  HFONT labelFont = MakeFont(L"黑体", 120, FW_BOLD, dpiY);
  for (const ControlLayout& entry : MainWindowLayout()) {
    const TwipsRect t = AbsoluteTwips(entry.control);
    const int x = TwipsToPixels(t.left, dpiX), y = TwipsToPixels(t.top, dpiY);
    HWND child = ::CreateWindowExW(
        0, ClassOf(entry.kind), Wide(entry.caption).c_str(), WS_CHILD | WS_VISIBLE | StyleOf(entry.kind), x, y,
        TwipsToPixels(t.left + t.width, dpiX) - x, TwipsToPixels(t.top + t.height, dpiY) - y, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry.control))), instance, nullptr);
    HFONT font = windowFont;
    if (entry.control >= Control::Check1 && entry.control <= Control::Check6) font = rowFont;
    if (entry.control == Control::Label1) font = labelFont;
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  for (int k = 1; k <= kRowCount; ++k) {
    const std::wstring path = L"C:\\Users\\Public\\Folder " + std::to_wstring(k);
    ::SetDlgItemTextW(window, ControlId(TextOf(k)), path.c_str());
  }
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ::DeleteObject(windowFont);
  ::DeleteObject(rowFont);
  ::DeleteObject(labelFont);
  return static_cast<int>(msg.wParam);
}
