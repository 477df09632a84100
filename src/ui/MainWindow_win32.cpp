#include "ui/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/SystemLibraries.h"
#include "platform/Win32Text.h"
#include "relocation/UserTexts.h"

namespace vestrand {

const wchar_t* const kMainWindowClass = L"VestrandMainForm";
const wchar_t* const kOneInstanceMutex = L"Local\\Vestrand-F3B1C2A4-one-at-a-time";

namespace {

// Posted by a path box to the window when it is double-clicked; wParam: its control identifier.
constexpr UINT kPathBoxDoubleClicked = WM_APP + 1;

// The control a dialog identifier names, if it names one.
std::optional<Control> ControlOfId(int id) {
  const int index = id - kFirstControlId;
  if (index < 0 || index >= kControlCount) return std::nullopt;
  return static_cast<Control>(index);
}

std::wstring TextOfWindow(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::max(0, ::GetWindowTextW(hwnd, &text[0], length + 1))));
  return text;
}

bool IsRowCheck(Control c) {
  for (int k = 1; k <= kRowCount; ++k) {
    if (CheckOf(k) == c) return true;
  }
  return false;
}

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::TextBox: return L"EDIT";
    case ControlKind::Label:
    case ControlKind::Picture: return L"STATIC";
    default: return L"BUTTON";
  }
}

DWORD StyleOf(const ControlLayout& entry) {
  // Controls overlap (frames hold the others, Text5/Text6 lie over Frame1): each one
  // paints only where no sibling above it does.
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (entry.kind) {
    case ControlKind::Frame: style |= BS_GROUPBOX | BS_FLAT; break;
    case ControlKind::CheckBox: style |= BS_AUTOCHECKBOX | BS_FLAT | WS_TABSTOP | WS_GROUP; break;
    case ControlKind::OptionButton:
      // The three mode buttons form one group: only the first starts it.
      style |= BS_AUTORADIOBUTTON | BS_FLAT | WS_TABSTOP;
      if (entry.control == Control::OptionCopy) style |= WS_GROUP;
      break;
    case ControlKind::PushButton: style |= BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP; break;
    case ControlKind::TextBox: style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP | WS_BORDER; break;
    case ControlKind::Label: style |= SS_NOTIFY | SS_LEFT; break;
    case ControlKind::Picture:
      style |= SS_NOTIFY | SS_OWNERDRAW;  // drawn from the decoded resource picture
      break;
  }
  return style;
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance) {
  if (!CreateTopLevel(instance, kMainWindowClass, std::string(), kFormClientWidthTwips, kFormClientHeightTwips)) {
    return false;
  }
  CreateFonts();
  blackBrush_.reset(::CreateSolidBrush(kRowBackColour));
  copyBrush_.reset(::CreateSolidBrush(kCopyColour));
  moveBrush_.reset(::CreateSolidBrush(kMoveColour));
  dontBrush_.reset(::CreateSolidBrush(kDontColour));
  logoffBrush_.reset(::CreateSolidBrush(kLogoffColour));
  picture_.Load(instance, kPictureResourceId);  // without it the picture stays blank
  CreateControls(instance);
  instance_ = instance;  // the tooltips come when the mouse first arrives
  return true;
}

void MainWindow::CreateFonts() {
  // 宋体 9 pt, the window's own font; the per-control fonts come on top of it.
  windowFont_.reset(CreateChineseFont(L"宋体", 900, FW_NORMAL));
  rowFont_.reset(CreateChineseFont(L"宋体", 900, FW_BOLD));
  labelFont_.reset(CreateChineseFont(L"黑体", 1200, FW_BOLD));
}

HFONT MainWindow::FontOf(Control c) const {
  if (c >= Control::Check1 && c <= Control::Check6) return rowFont_.get();
  if (c == Control::Label1) return labelFont_.get();
  return windowFont_.get();
}

void MainWindow::CreateTooltips(HINSTANCE instance) {
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
  syslib::InitCommonControlsEx(&init);
  tooltip_ =
      ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, instance, nullptr);
  if (tooltip_ == nullptr) return;
  const auto addTip = [this](Control control, wchar_t* text) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // the size the pre-XP-theme common controls know
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(ControlHandle(control));
    tool.lpszText = text;
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  };
  for (const auto& [control, text] :
       {std::pair{Control::Text15, kTargetTooltip}, {Control::Label1, kTargetLabelTooltip}}) {
    std::wstring wide = Wide(text);
    addTip(control, &wide[0]);
  }
  // Path boxes show their whole location when it is too long for them; the text is asked
  // for each time the tip is about to show, since start-up and runs change it.
  for (int k = 1; k <= kRowCount; ++k) addTip(TextOf(k), LPSTR_TEXTCALLBACKW);
  // A long location wraps within the window's width rather than running off the screen.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, client.right);
}

const wchar_t* MainWindow::PathTip(HWND box) {
  pathTip_ = TextOfWindow(box);
  RECT area{};
  ::SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  SIZE extent{};
  {
    ScreenDC screen;
    auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(box, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? ::SelectObject(screen.get(), font) : nullptr;
    ::GetTextExtentPoint32W(screen.get(), pathTip_.c_str(), static_cast<int>(pathTip_.size()), &extent);
    if (old != nullptr) ::SelectObject(screen.get(), old);
  }
  if (extent.cx <= area.right - area.left) pathTip_.clear();  // fits: no tip
  return pathTip_.c_str();
}

HWND MainWindow::CreateControl(HINSTANCE instance, const ControlLayout& entry) {
  const PixelRect box = ToPixels(AbsoluteTwips(entry.control));
  HWND hwnd = ::CreateWindowExW(
      0, ClassOf(entry.kind), Wide(entry.caption).c_str(), StyleOf(entry), box.x, box.y, box.width, box.height,
      Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry.control))), instance, nullptr);
  if (hwnd == nullptr) return nullptr;
  if (HFONT font = FontOf(entry.control)) { ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }
  WNDPROC subclass = nullptr;
  if (entry.kind == ControlKind::TextBox) subclass = &MainWindow::TextBoxProc;
  if (entry.kind == ControlKind::Frame) subclass = &MainWindow::FrameProc;
  if (subclass != nullptr) {
    const LONG_PTR original = ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, original);
  }
  return hwnd;
}

void MainWindow::CreateControls(HINSTANCE instance) {
  // Children are created in tab order, since the window manager tabs in creation order;
  // controls without a tab index come after.
  std::vector<Control> sequence = ControlsInTabOrder();
  for (const ControlLayout& entry : MainWindowLayout()) {
    if (entry.tabIndex < 0) sequence.push_back(entry.control);
  }
  for (Control c : sequence) { controls_[static_cast<std::size_t>(c)] = CreateControl(instance, LayoutOf(c)); }
  // Frames take no focus; putting them beneath everything keeps the tab order and lets
  // the controls they hold paint on top of them. Pushed last to first, so that a frame
  // inside another (Frame4 in Frame1) stays above its container.
  const MainWindowLayoutTable& table = MainWindowLayout();
  for (auto it = table.rbegin(); it != table.rend(); ++it) {
    if (it->kind == ControlKind::Frame) {
      ::SetWindowPos(ControlHandle(it->control), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  SetValue(Control::CkLogoff, 1);  // log-off is ticked when the window opens
}

LRESULT CALLBACK MainWindow::TextBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_LBUTTONDBLCLK) {
    const LRESULT result = ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
    HWND parent = ::GetParent(hwnd);
    ::PostMessageW(parent, kPathBoxDoubleClicked, static_cast<WPARAM>(::GetDlgCtrlID(hwnd)), 0);
    return result;
  }
  return ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainWindow::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_ERASEBKGND) {
    // A group box leaves its inside unpainted; the main window clips its children, so the
    // frame fills it itself, in the colour its caption gets.
    HWND parent = ::GetParent(hwnd);
    HDC dc = reinterpret_cast<HDC>(wParam);
    auto brush =
        reinterpret_cast<HBRUSH>(::SendMessageW(parent, WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(hwnd)));
    if (brush == nullptr) brush = ::GetSysColorBrush(COLOR_BTNFACE);
    RECT rect{};
    ::GetClientRect(hwnd, &rect);
    ::FillRect(dc, &rect, brush);
    return 1;
  }
  return ::CallWindowProcW(original, hwnd, msg, wParam, lParam);
}

HBRUSH MainWindow::ColourControl(HWND control, HDC dc) {
  const std::optional<Control> id = ControlOfId(::GetDlgCtrlID(control));
  if (!id) return nullptr;
  const Control c = *id;
  if (IsRowCheck(c)) {
    ::SetTextColor(dc, kRowTextColour);
    ::SetBkColor(dc, kRowBackColour);
    return blackBrush_.get();
  }
  const auto withBack = [dc](COLORREF back, HBRUSH brush) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, back);
    return brush;
  };
  switch (c) {
    case Control::OptionCopy: return withBack(kCopyColour, copyBrush_.get());
    case Control::OptionMove: return withBack(kMoveColour, moveBrush_.get());
    case Control::OptionDont: return withBack(kDontColour, dontBrush_.get());
    case Control::CkLogoff: return withBack(kLogoffColour, logoffBrush_.get());
    case Control::Label1: return withBack(::GetSysColor(COLOR_WINDOW), ::GetSysColorBrush(COLOR_WINDOW));
    case Control::Frame1:
    case Control::Frame2:
      ::SetTextColor(dc, kFrameCaptionColour);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      return ::GetSysColorBrush(COLOR_BTNFACE);
    case Control::Frame5:
      ::SetTextColor(dc, kFrameCaptionColour);
      ::SetBkColor(dc, ::GetSysColor(kModeFrameSysColour));
      return ::GetSysColorBrush(kModeFrameSysColour);
    default: break;
  }
  if (LayoutOf(c).kind == ControlKind::TextBox) {
    // Read-only path boxes keep the look of a text box rather than turning grey.
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return ::GetSysColorBrush(COLOR_WINDOW);
  }
  return nullptr;
}

void MainWindow::DrawPicture(const DRAWITEMSTRUCT& item) {
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  picture_.Draw(item.hDC, item.rcItem);
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETCURSOR:
      if (!tooltipsTried_) {
        tooltipsTried_ = true;
        CreateTooltips(instance_);
      }
      return Default(msg, wParam, lParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(Handle(), focus)) lastFocus_ = focus;
      }
      return Default(msg, wParam, lParam);  // focuses the window: below
    case WM_SETFOCUS: RestoreFocus(); return 0;
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      if (info->hdr.code == TTN_GETDISPINFOW && info->hdr.hwndFrom == tooltip_ && (info->uFlags & TTF_IDISHWND) != 0) {
        info->lpszText = const_cast<wchar_t*>(PathTip(reinterpret_cast<HWND>(info->hdr.idFrom)));
      }
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      // Enter reaches the window as IDOK. It may start a run only from the start button
      // itself: an Enter typed in the target box or anywhere else must not move files.
      if (id == IDOK && HIWORD(wParam) == 0) {
        if (::GetFocus() == ControlHandle(Control::Command1) && onFormEvent) {
          onFormEvent(Control::Command1, FormEvent::Click);
        }
        return 0;
      }
      // BN_CLICKED and STN_CLICKED are both 0; a text box's own notifications are not events.
      const auto c = ControlOfId(id);
      if (c && HIWORD(wParam) == BN_CLICKED && onFormEvent) onFormEvent(*c, FormEvent::Click);
      return 0;
    }
    case kPathBoxDoubleClicked: {
      const auto c = ControlOfId(static_cast<int>(wParam));
      if (c && onFormEvent) onFormEvent(*c, FormEvent::DoubleClick);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = ColourControl(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      return Default(msg, wParam, lParam);
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == static_cast<UINT>(ControlId(Control::Image1))) {
        DrawPicture(*item);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      tooltip_ = nullptr;  // already destroyed with its owner
      controls_.fill(nullptr);
      return 0;
    default: return Default(msg, wParam, lParam);
  }
}

std::string MainWindow::GetText(Control c) {
  HWND hwnd = ControlHandle(c);
  return hwnd == nullptr ? std::string() : Narrow(TextOfWindow(hwnd));
}

void MainWindow::SetText(Control c, const std::string& text) {
  if (HWND hwnd = ControlHandle(c)) ::SetWindowTextW(hwnd, Wide(text).c_str());
}

int MainWindow::GetValue(Control c) {
  HWND hwnd = ControlHandle(c);
  if (hwnd == nullptr) return 0;
  const LRESULT state = ::SendMessageW(hwnd, BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : (state == BST_INDETERMINATE ? 2 : 0);
}

void MainWindow::SetValue(Control c, int value) {
  HWND hwnd = ControlHandle(c);
  if (hwnd == nullptr) return;
  if (LayoutOf(c).kind == ControlKind::OptionButton && value != 0) {
    // Selecting one mode clears the others, as a click would.
    for (Control option : {Control::OptionCopy, Control::OptionMove, Control::OptionDont}) {
      if (option != c) ::SendMessageW(ControlHandle(option), BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  const WPARAM state = value == 1 ? BST_CHECKED : (value == 2 ? BST_INDETERMINATE : BST_UNCHECKED);
  ::SendMessageW(hwnd, BM_SETCHECK, state, 0);
}

void MainWindow::SetEnabled(Control c, bool enabled) {
  if (HWND hwnd = ControlHandle(c)) ::EnableWindow(hwnd, enabled ? TRUE : FALSE);
}

void MainWindow::SetVisible(Control c, bool visible) {
  if (HWND hwnd = ControlHandle(c)) ::ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::SetCaption(Control c, const std::string& caption) { SetText(c, caption); }

void MainWindow::SetLocked(Control c, bool locked) {
  if (HWND hwnd = ControlHandle(c)) ::SendMessageW(hwnd, EM_SETREADONLY, locked ? TRUE : FALSE, 0);
}

void MainWindow::SetWindowCaption(const std::string& caption) {
  if (Handle() != nullptr) ::SetWindowTextW(Handle(), Wide(caption).c_str());
}

void MainWindow::RestoreFocus() {
  if (Handle() == nullptr) return;
  HWND target = lastFocus_;
  if (target == nullptr || !::IsChild(Handle(), target) || !::IsWindowEnabled(target) || !::IsWindowVisible(target)) {
    target = ::GetNextDlgTabItem(Handle(), nullptr, FALSE);  // the first enabled tab stop
  }
  if (target != nullptr) ::SetFocus(target);
}

void MainWindow::Show() {
  if (Handle() == nullptr) return;
  ::ShowWindow(Handle(), SW_SHOW);
  ::UpdateWindow(Handle());
}

TwipsPoint MainWindow::GetWindowPosition() {
  RECT r{};
  if (Handle() != nullptr) ::GetWindowRect(Handle(), &r);
  return {PixelsToTwips(r.left, Dpi().x), PixelsToTwips(r.top, Dpi().y)};
}

void MainWindow::MoveWindowTo(int leftTwips, int topTwips) {
  if (Handle() == nullptr) return;
  ::SetWindowPos(Handle(), nullptr, TwipsToPixels(leftTwips, Dpi().x), TwipsToPixels(topTwips, Dpi().y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetWindowEnabled(bool enabled) {
  if (Handle() != nullptr) ::EnableWindow(Handle(), enabled ? TRUE : FALSE);
}

}  // namespace vestrand
