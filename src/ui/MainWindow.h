// The main window, built from the layout table; the same window on both Windows families.
#ifndef VESTRAND_UI_MAINWINDOW_H
#define VESTRAND_UI_MAINWINDOW_H

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "platform/Win32Handles.h"
#include "relocation/FormFields.h"
#include "ui/MainWindowEvents.h"
#include "ui/MainWindowLayout.h"
#include "ui/ResourcePicture.h"
#include "ui/TopLevelWindow.h"

namespace vestrand {

extern const wchar_t* const kMainWindowClass;
// Held by the running Vestrand, whose window a second start brings forward.
extern const wchar_t* const kOneInstanceMutex;

// The dialog identifier of a control: stable, so that tools can find controls by it.
constexpr int kFirstControlId = 1000;
inline int ControlId(Control c) { return kFirstControlId + static_cast<int>(c); }

class MainWindow final : public TopLevelWindow, public MainForm {
 public:
  MainWindow() = default;
  ~MainWindow() override { DestroyTopLevel(); }

  // Creates the window and its controls (hidden until Show).
  bool Create(HINSTANCE instance);
  HWND ControlHandle(Control c) const { return controls_[static_cast<std::size_t>(c)]; }

  // Called for each event of a control: a click of a button, check box, option or label,
  // a double click on a path box. Other notifications are the window's own business.
  std::function<void(Control, FormEvent)> onFormEvent;

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

  // Gives the keyboard focus back to the control that last had it, or to the first
  // enabled control of the tab order, as a dialog box does on activation.
  void RestoreFocus();

 private:
  static LRESULT CALLBACK TextBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void CreateFonts();
  void CreateControls(HINSTANCE instance);
  HWND CreateControl(HINSTANCE instance, const ControlLayout& entry);
  void CreateTooltips(HINSTANCE instance);
  // The whole text of a path box when it does not fit the box, otherwise empty (no tip).
  const wchar_t* PathTip(HWND box);
  // Colours of a static-coloured control (check box, option button, frame, label, read-only
  // text box); null when the system's defaults apply.
  HBRUSH ColourControl(HWND control, HDC dc);
  void DrawPicture(const DRAWITEMSTRUCT& item);
  HFONT FontOf(Control c) const;

  std::array<HWND, kControlCount> controls_{};
  // The tips of Text15, Label1 and the path boxes, owned by the main window, which destroys
  // it. Made when the mouse first comes over the window, so that the common controls library
  // is loaded then, not at start-up.
  HWND tooltip_ = nullptr;
  HINSTANCE instance_ = nullptr;
  bool tooltipsTried_ = false;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window went inactive
  std::wstring pathTip_;      // the text the tooltip is showing for a path box
  UniqueFont windowFont_;
  UniqueFont rowFont_;    // Check1 to Check6
  UniqueFont labelFont_;  // Label1
  UniqueBrush blackBrush_;
  UniqueBrush copyBrush_;
  UniqueBrush moveBrush_;
  UniqueBrush dontBrush_;
  UniqueBrush logoffBrush_;
  ResourcePicture picture_;
};

// The colours of the main window.
constexpr COLORREF kRowTextColour = RGB(255, 255, 255);
constexpr COLORREF kRowBackColour = RGB(0, 0, 0);
constexpr COLORREF kFrameCaptionColour = RGB(0, 64, 0);
constexpr COLORREF kCopyColour = RGB(255, 128, 0);
constexpr COLORREF kMoveColour = RGB(0, 192, 192);
constexpr COLORREF kDontColour = RGB(192, 0, 192);
constexpr COLORREF kLogoffColour = RGB(255, 0, 0);
constexpr int kModeFrameSysColour = COLOR_SCROLLBAR;

}  // namespace vestrand

#endif
