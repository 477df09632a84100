// The main window's events, connected to the real window and the real notes window.
#ifndef VESTRAND_UI_WIN32FORMWINDOWS_H
#define VESTRAND_UI_WIN32FORMWINDOWS_H

#include <windows.h>

#include "platform/Services.h"
#include "ui/NT6Form.h"
#include "ui/NT6FormEvents.h"
#include "ui/NoteForm.h"

namespace vestrand {

class Win32FormWindows final : public FormWindows {
 public:
  explicit Win32FormWindows(NoteForm& notes) : notes_(notes) {}
  void ShowNotes() override;
  void OpenWebPage(const std::string& address) override;

 private:
  NoteForm& notes_;
};

// Translates the window's notifications into events and hands them to the handlers.
// `services` and `windows` must outlive the form's window.
void ConnectFormEvents(NT6Form& form, Services& services, FormWindows& windows,
                       const RunChoice& runs = DefaultRuns());

}  // namespace vestrand

#endif
