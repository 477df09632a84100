// The main window, built from the layout table.
#ifndef VESTRAND_UI_NT6FORM_H
#define VESTRAND_UI_NT6FORM_H

#include <windows.h>

#include <array>
#include <functional>

#include "platform/Win32Handles.h"
#include "relocation/FormFields.h"
#include "ui/NT6FormLayout.h"

namespace vestrand {

extern const wchar_t* const kMainWindowClass;

// The dialog identifier of a control: stable, so that tools can find controls by it.
constexpr int kFirstControlId = 1000;
inline int ControlId(Control c) { return kFirstControlId + static_cast<int>(c); }

class NT6Form final : public MainForm {
 public:
  NT6Form() = default;
  ~NT6Form() override;
  NT6Form(const NT6Form&) = delete;
  NT6Form& operator=(const NT6Form&) = delete;

  // Creates the window and its controls (hidden until Show).
  bool Create(HINSTANCE instance);
  HWND Handle() const { return window_; }
  HWND ControlHandle(Control c) const { return controls_[static_cast<std::size_t>(c)]; }
  int Dpi() const { return dpiX_; }

  // Called for a control's notification (BN_CLICKED, STN_CLICKED, EN_… codes) and for
  // double clicks on text boxes (notify code kDoubleClick).
  static constexpr int kDoubleClick = -1;
  std::function<void(Control, int)> onControlEvent;

  std::string GetText(Control c) override;
  void SetText(Control c, const std::string& text) override;
  int GetValue(Control c) override;
  void SetValue(Control c, int value) override;
  void SetEnabled(Control c, bool enabled) override;
  void SetVisible(Control c, bool visible) override;
  void SetCaption(Control c, const std::string& caption) override;
  void SetLocked(Control c, bool locked) override;
  void SetWindowCaption(const std::string& caption) override;
  void Show() override;
  TwipsPoint GetWindowPosition() override;
  void MoveWindowTo(int leftTwips, int topTwips) override;
  void SetWindowEnabled(bool enabled) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TextBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls(HINSTANCE instance);
  HWND CreateControl(HINSTANCE instance, const ControlSpec& spec);

  HWND window_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  int dpiX_ = 96;
  int dpiY_ = 96;
  UniqueFont windowFont_;
};

// Counts the program's open top-level windows; the program ends when the last closes.
void TopLevelWindowOpened();
void TopLevelWindowClosed();

}  // namespace vestrand

#endif
