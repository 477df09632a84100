// The notes window: one editable text box with the usage notes. Not owned by the main
// window, so it outlives it; rebuilt from scratch each time it is opened after closing.
#ifndef VESTRAND_UI_NOTEFORM_H
#define VESTRAND_UI_NOTEFORM_H

#include <windows.h>

#include "platform/Win32Handles.h"

namespace vestrand {

extern const wchar_t* const kNoteWindowClass;

// The notes window's client area and text box, in twips.
constexpr int kNoteClientWidthTwips = 7365;
constexpr int kNoteClientHeightTwips = 3195;
constexpr int kNoteTextLeftTwips = 120;
constexpr int kNoteTextTopTwips = 120;
constexpr int kNoteTextWidthTwips = 7215;
constexpr int kNoteTextHeightTwips = 3015;
constexpr int kNoteTextId = 1;

class NoteForm final {
 public:
  explicit NoteForm(HINSTANCE instance) : instance_(instance) {}
  ~NoteForm();
  NoteForm(const NoteForm&) = delete;
  NoteForm& operator=(const NoteForm&) = delete;

  // Shows the one notes window, creating and loading it when it is not open.
  void Show();
  HWND Handle() const { return window_; }
  HWND TextBox() const { return text_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool Create();
  void Load();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND text_ = nullptr;  // a child of window_, destroyed with it
  UniqueFont windowFont_;
  UniqueFont textFont_;
};

}  // namespace vestrand

#endif
