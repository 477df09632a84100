// The notes window: one editable text box with the usage notes. Not owned by the main
// window, so it outlives it; rebuilt from scratch each time it is opened after closing.
#ifndef VESTRAND_UI_NOTEFORM_H
#define VESTRAND_UI_NOTEFORM_H

#include <windows.h>

#include "platform/Win32Handles.h"
#include "ui/TopLevelWindow.h"

namespace vestrand {

extern const wchar_t* const kNoteWindowClass;

// The dialog identifier of the notes' text box.
constexpr int kNoteTextId = 1;

class NoteForm final : public TopLevelWindow {
 public:
  explicit NoteForm(HINSTANCE instance) : instance_(instance) {}
  ~NoteForm() { DestroyTopLevel(); }

  // Shows the one notes window, creating and loading it when it is not open.
  void Show();

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool Create();
  void Load();

  HINSTANCE instance_;
  HWND text_ = nullptr;  // a child of the window, destroyed with it
  UniqueFont windowFont_;
  UniqueFont textFont_;
};

}  // namespace vestrand

#endif
