// Routes a window's messages to the C++ object that created it: the object passes itself
// as the creation parameter and is found again through the window's user data.
#ifndef VESTRAND_UI_FORMWINDOW_H
#define VESTRAND_UI_FORMWINDOW_H

#include <windows.h>

namespace vestrand {

// The object owning `hwnd`, or null before WM_NCCREATE and after it detached itself.
template <typename Form>
Form* AttachedForm(HWND hwnd, UINT msg, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    return form;
  }
  return reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// A C++ exception must never unwind through the system's frames that called a window
// procedure: it is stopped here, the user is told, and the message gets its default answer.
template <typename Handler>
LRESULT GuardedMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Handler&& handle) noexcept {
  try {
    return handle();
  } catch (...) {
    ::MessageBoxW(hwnd, L"程序出现意外错误,刚才的操作没有完成。", L"Vestrand", MB_ICONERROR | MB_OK);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace vestrand

#endif
