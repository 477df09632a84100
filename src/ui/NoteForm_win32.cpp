#include "ui/NoteForm.h"

#include "platform/Win32Text.h"
#include "ui/FormWindow.h"
#include "ui/NT6Form.h"
#include "ui/NT6FormLayout.h"
#include "ui/NoteText.h"

namespace vestrand {

const wchar_t* const kNoteWindowClass = L"VestrandNoteForm";

namespace {

HFONT YaHei(int hundredthsOfPoint, int dpiY) {
  return ::CreateFontW(-::MulDiv(hundredthsOfPoint, dpiY, 7200), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                       FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"微软雅黑");
}

}  // namespace

NoteForm::~NoteForm() {
  if (window_ != nullptr && ::IsWindow(window_)) ::DestroyWindow(window_);
}

void NoteForm::Show() {
  if (window_ == nullptr && !Create()) return;
  ::ShowWindow(window_, ::IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(window_);
}

bool NoteForm::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &NoteForm::WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kNoteWindowClass;
  wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));  // the main window's icon
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON),
                                                ::GetSystemMetrics(SM_CYSMICON), 0));
  ::RegisterClassExW(&wc);  // fails harmlessly when already registered

  int dpiX = 96;
  int dpiY = 96;
  {
    ScreenDC screen;
    dpiX = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpiY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  if (dpiX <= 0) dpiX = 96;
  if (dpiY <= 0) dpiY = 96;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT rect{0, 0, TwipsToPixels(kNoteClientWidthTwips, dpiX),
            TwipsToPixels(kNoteClientHeightTwips, dpiY)};
  ::AdjustWindowRectEx(&rect, style, FALSE, 0);
  // No owner: the notes stay open when the main window closes.
  HWND hwnd = ::CreateWindowExW(0, kNoteWindowClass, Wide(NoteFormCaption()).c_str(), style,
                                CW_USEDEFAULT, CW_USEDEFAULT, rect.right - rect.left,
                                rect.bottom - rect.top, nullptr, nullptr, instance_, this);
  if (hwnd == nullptr) return false;
  TopLevelWindowOpened();

  windowFont_.reset(YaHei(975, dpiY));
  textFont_.reset(YaHei(900, dpiY));
  const int x = TwipsToPixels(kNoteTextLeftTwips, dpiX);
  const int y = TwipsToPixels(kNoteTextTopTwips, dpiY);
  const int w = TwipsToPixels(kNoteTextLeftTwips + kNoteTextWidthTwips, dpiX) - x;
  const int h = TwipsToPixels(kNoteTextTopTwips + kNoteTextHeightTwips, dpiY) - y;
  text_ = ::CreateWindowExW(0, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                                ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                            x, y, w, h, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoteTextId)), instance_,
                            nullptr);
  if (text_ != nullptr) {
    ::SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
  }
  Load();
  return true;
}

void NoteForm::Load() {
  if (text_ == nullptr) return;
  ::SetWindowTextW(text_, Wide(NoteText()).c_str());
}

LRESULT CALLBACK NoteForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  NoteForm* self = AttachedForm<NoteForm>(hwnd, msg, lParam);
  if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) self->window_ = hwnd;
  return GuardedMessage(hwnd, msg, wParam, lParam,
                        [&] { return self->HandleMessage(msg, wParam, lParam); });
}

LRESULT NoteForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETFONT:  // the window's own font, the default of its controls
      return reinterpret_cast<LRESULT>(windowFont_.get());
    case WM_SETFOCUS:
      if (text_ != nullptr) ::SetFocus(text_);
      return 0;
    case WM_DESTROY:
      return 0;
    case WM_NCDESTROY: {
      // The text box is gone by now: its font can go, and the next Show builds anew.
      HWND hwnd = window_;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      window_ = nullptr;
      text_ = nullptr;
      textFont_.reset();
      windowFont_.reset();
      TopLevelWindowClosed();
      return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    default:
      return ::DefWindowProcW(window_, msg, wParam, lParam);
  }
}

}  // namespace vestrand
