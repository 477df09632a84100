#include "ui/Win32FormWindows.h"

#include "platform/SystemLibraries.h"

#include <shellapi.h>

#include "platform/Win32Text.h"

namespace vestrand {

void Win32FormWindows::ShowNotes() { notes_.Show(); }

void Win32FormWindows::OpenWebPage(const std::string& address) {
  syslib::ShellExecuteW(nullptr, nullptr, Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ConnectFormEvents(NT6Form& form, Services& services, FormWindows& windows,
                       const RunChoice& runs) {
  form.onControlEvent = [&form, &services, &windows, runs](Control control, int code) {
    // BN_CLICKED and STN_CLICKED are both 0; text boxes' own notifications are not events.
    FormEvent event;
    if (code == 0) {
      event = FormEvent::Click;
    } else if (code == NT6Form::kDoubleClick) {
      event = FormEvent::DoubleClick;
    } else {
      return;
    }
    HandleFormEvent(services, form, windows, control, event, runs);
  };
}

}  // namespace vestrand
