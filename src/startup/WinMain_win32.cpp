// The program's entry point: wires the Win32 services to the start-up procedure and
// runs the message loop while any window of the program is open.
#include <windows.h>

#include <memory>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "startup/StartMain.h"
#include "ui/NT6Form.h"
#include "ui/NoteForm.h"
#include "ui/Win32FormWindows.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace vestrand;
  // One Vestrand at a time in this logon session: two runs would carry the same folders
  // twice. A second start brings the first one's window forward and ends.
  const UniqueHandle onlyOne(::CreateMutexW(nullptr, FALSE, L"Local\\Vestrand-F3B1C2A4-one-at-a-time"));
  if (onlyOne && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND first = ::FindWindowW(kMainWindowClass, nullptr)) {
      if (::IsIconic(first)) ::ShowWindow(first, SW_RESTORE);
      ::SetForegroundWindow(first);
    }
    return 0;
  }
  Win32Registry registry;
  Win32FileSystem files;
  Win32Host host;
  Win32Dialogs dialogs;
  Services services{registry, files, host, dialogs};

  // Declared before the main window so that it outlives it: the notes may stay open
  // after the main window has closed.
  NoteForm notes(instance);
  Win32FormWindows windows(notes);

  std::unique_ptr<NT6Form> form;
  auto mainForm = [&]() -> MainForm& {
    if (!form) {
      form = std::make_unique<NT6Form>();
      form->Create(instance);
      dialogs.SetOwner(form->Handle());
      ConnectFormEvents(*form, services, windows);
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
