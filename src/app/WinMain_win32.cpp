// The program's entry point: wires the Win32 services, the two windows and the main
// window's events to the start-up procedure, and runs the message loop while any window
// of the program is open.
#include <windows.h>

#include <memory>

#include "platform/SystemLibraries.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "startup/StartMain.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowEvents.h"
#include "ui/NoteForm.h"

namespace vestrand {
namespace {

class Win32Links final : public MainWindowLinks {
 public:
  explicit Win32Links(NoteForm& notes) : notes_(notes) {}
  void ShowNotes() override { notes_.Show(); }
  void OpenWebPage(const std::string& address) override {
    syslib::ShellExecuteW(nullptr, nullptr, Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

 private:
  NoteForm& notes_;
};

// Hands the window's events to their handlers. `services` and `links` must outlive the window.
void ConnectEvents(MainWindow& form, Services& services, MainWindowLinks& links) {
  form.onFormEvent = [&form, &services, &links](Control control, FormEvent event) {
    HandleFormEvent(services, form, links, control, event, DefaultRuns());
  };
}

}  // namespace
}  // namespace vestrand

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace vestrand;
  // Started by a run as the watcher of the desktop shell: no window, and not counted as a Vestrand.
  int watcherExit = 0;
  if (RunAsShellWatcher(::GetCommandLineW(), watcherExit)) return watcherExit;

  // One Vestrand at a time in this logon session: two runs would carry the same folders
  // twice. A first one that runs elevated makes a mutex this process may not open: it runs
  // all the same. A second start brings the first one's window forward (its notes, when
  // only they are open) and ends.
  const UniqueHandle onlyOne(::CreateMutexW(nullptr, FALSE, kOneInstanceMutex));
  const DWORD claimed = ::GetLastError();
  if ((onlyOne && claimed == ERROR_ALREADY_EXISTS) || (!onlyOne && claimed == ERROR_ACCESS_DENIED)) {
    HWND first = ::FindWindowW(kMainWindowClass, nullptr);
    if (first == nullptr) first = ::FindWindowW(kNoteWindowClass, nullptr);
    if (first != nullptr) {
      if (::IsIconic(first)) ::ShowWindow(first, SW_RESTORE);
      ::SetForegroundWindow(first);
    }
    return 0;
  }
  BringShellBackOnCrash();
  Win32Registry registry;
  Win32FileSystem files;
  Win32Host host;
  Win32Dialogs dialogs;
  Services services{registry, files, host, dialogs};

  // Declared before the main window so that it outlives it: the notes may stay open
  // after the main window has closed.
  NoteForm notes(instance);
  Win32Links links(notes);

  std::unique_ptr<MainWindow> form;
  auto mainForm = [&]() -> MainForm& {
    if (!form) {
      form = std::make_unique<MainWindow>();
      form->Create(instance);
      dialogs.SetOwner(form->Handle());
      ConnectEvents(*form, services, links);
    }
    return *form;
  };

  if (!StartMain(services, mainForm) || !form || form->Handle() == nullptr) return 0;
  // Start-up may have disabled the row that took the focus when the window was shown.
  form->RestoreFocus();

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Tab, Shift+Tab, arrows and Space work as in any dialog.
    HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && ::IsDialogMessageW(root, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
