#include <windows.h>

#include "platform/CenteredMessageBox.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace vestrand {

namespace {

// The hook lives for one message box on the thread that shows it.
struct CentringHook {
  UniqueHook hook;
  HWND mainWindow = nullptr;
};
thread_local CentringHook tCentring;

ScreenRect ToScreenRect(const RECT& r) { return ScreenRect{r.left, r.top, r.right, r.bottom}; }

LRESULT CALLBACK CentreFirstActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HCBT_ACTIVATE || !tCentring.hook) { return ::CallNextHookEx(tCentring.hook.get(), code, wParam, lParam); }
  // The first window activated while the hook is in place is the message box.
  const HWND box = reinterpret_cast<HWND>(wParam);
  RECT mainRect{};
  RECT boxRect{};
  if (::GetWindowRect(tCentring.mainWindow, &mainRect) && ::GetWindowRect(box, &boxRect)) {
    const ScreenPoint corner = CenteredPosition(ToScreenRect(mainRect), ToScreenRect(boxRect));
    ::SetWindowPos(box, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Exactly one window is moved: later boxes of this thread keep the system's place.
  tCentring.hook.reset();
  tCentring.mainWindow = nullptr;
  return 0;  // let the activation go ahead
}

}  // namespace

void Win32Dialogs::CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) {
  tCentring.mainWindow = Owner();
  // Without a hook the box simply appears at the system's place.
  tCentring.hook.reset(::SetWindowsHookExW(WH_CBT, CentreFirstActivation, nullptr, ::GetCurrentThreadId()));
  MessageBox(text, flags, title);
  // A box that never became active (it could not be created) must not leave the hook
  // waiting for an unrelated window.
  tCentring.hook.reset();
  tCentring.mainWindow = nullptr;
}

}  // namespace vestrand
