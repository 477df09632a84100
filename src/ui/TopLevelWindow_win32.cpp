#include "ui/TopLevelWindow.h"

#include "platform/Win32Handles.h"
#include "platform/Win32Text.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

constexpr int kIconResourceId = 1;

// The program's open top-level windows; the program ends when the last one closes.
int g_openWindows = 0;

// The program's icon in the small size, loaded once for every window class and kept
// while the program runs (the large one is the system's shared copy).
HICON SmallIcon(HINSTANCE instance) {
  static const UniqueIcon icon(
      static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconResourceId), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
  return icon.get();
}

void RegisterOnce(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(instance, className, &wc)) return;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = className;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconResourceId));
  wc.hIconSm = SmallIcon(instance);
  ::RegisterClassExW(&wc);
}

ScreenDpi ReadScreenDpi() {
  ScreenDpi dpi;
  ScreenDC screen;
  dpi.x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  dpi.y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

// A C++ exception must never unwind through the system's frames that called a window
// procedure: it is stopped here, the user is told, and the message gets its default answer.
template <typename Handler>
LRESULT GuardedMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Handler&& handle) noexcept {
  try {
    return handle();
  } catch (...) {
    try {
      ::MessageBoxW(hwnd, Wide(kUnexpectedErrorText).c_str(), Wide(kProductName).c_str(), MB_ICONERROR | MB_OK);
    } catch (...) {
      // No memory even for the message: the default answer is all that is left.
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

bool TopLevelWindow::CreateTopLevel(HINSTANCE instance, const wchar_t* className, const std::string& caption,
                                    int clientWidthTwips, int clientHeightTwips) {
  RegisterOnce(instance, className, &TopLevelWindow::WindowProc);
  dpi_ = ReadScreenDpi();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT rect{0, 0, TwipsToPixels(clientWidthTwips, dpi_.x), TwipsToPixels(clientHeightTwips, dpi_.y)};
  ::AdjustWindowRectEx(&rect, style, FALSE, 0);
  // No owner: the notes stay open when the main window closes.
  return ::CreateWindowExW(0, className, Wide(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, this) != nullptr;
}

void TopLevelWindow::DestroyTopLevel() {
  if (window_ != nullptr && ::IsWindow(window_)) ::DestroyWindow(window_);
}

PixelRect TopLevelWindow::ToPixels(const TwipsRect& twips) const {
  const int x = TwipsToPixels(twips.left, dpi_.x);
  const int y = TwipsToPixels(twips.top, dpi_.y);
  return {x, y, TwipsToPixels(twips.left + twips.width, dpi_.x) - x,
          TwipsToPixels(twips.top + twips.height, dpi_.y) - y};
}

HFONT TopLevelWindow::CreateChineseFont(const wchar_t* face, int hundredthsOfPoint, int weight) const {
  return ::CreateFontW(-::MulDiv(hundredthsOfPoint, dpi_.y, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

LRESULT CALLBACK TopLevelWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The object passes itself as the creation parameter and is found again through the
  // window's user data.
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<TopLevelWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->window_ = hwnd;
    ++g_openWindows;
  }
  auto* self = reinterpret_cast<TopLevelWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  const LRESULT result =
      GuardedMessage(hwnd, msg, wParam, lParam, [&] { return self->HandleMessage(msg, wParam, lParam); });
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    if (--g_openWindows <= 0) ::PostQuitMessage(0);
  }
  return result;
}

}  // namespace vestrand
