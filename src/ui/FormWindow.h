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

}  // namespace vestrand

#endif
