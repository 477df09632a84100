#include "ui/NoteForm.h"

#include "platform/Win32Text.h"
#include "ui/NoteText.h"
#include "ui/Twips.h"

namespace vestrand {

const wchar_t* const kNoteWindowClass = L"VestrandNoteForm";

namespace {

// The notes window's client area and text box, in twips.
constexpr int kClientWidthTwips = 7365;
constexpr int kClientHeightTwips = 3195;
constexpr TwipsRect kTextTwips{120, 120, 7215, 3015};

}  // namespace

void NoteForm::Show() {
  if (Handle() == nullptr && !Create()) return;
  ::ShowWindow(Handle(), ::IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(Handle());
}

bool NoteForm::Create() {
  if (!CreateTopLevel(instance_, kNoteWindowClass, NoteFormCaption(), kClientWidthTwips, kClientHeightTwips)) {
    return false;
  }
  windowFont_.reset(CreateChineseFont(L"微软雅黑", 975, FW_NORMAL));
  textFont_.reset(CreateChineseFont(L"微软雅黑", 900, FW_NORMAL));
  const PixelRect box = ToPixels(kTextTwips);
  text_ = ::CreateWindowExW(
      0, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
      box.x, box.y, box.width, box.height, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoteTextId)),
      instance_, nullptr);
  if (text_ != nullptr) { ::SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE); }
  Load();
  return true;
}

void NoteForm::Load() {
  if (text_ == nullptr) return;
  ::SetWindowTextW(text_, Wide(NoteText()).c_str());
}

LRESULT NoteForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETFONT:  // the window's own font, the default of its controls
      return reinterpret_cast<LRESULT>(windowFont_.get());
    case WM_SETFOCUS:
      if (text_ != nullptr) ::SetFocus(text_);
      return 0;
    case WM_DESTROY: return 0;
    case WM_NCDESTROY:
      // The text box is gone by now: its font can go, and the next Show builds anew.
      text_ = nullptr;
      textFont_.reset();
      windowFont_.reset();
      return Default(msg, wParam, lParam);
    default: return Default(msg, wParam, lParam);
  }
}

}  // namespace vestrand
