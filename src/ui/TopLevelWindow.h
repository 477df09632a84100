// The base of the program's two top-level windows (the main window and the notes): it
// registers the window class, reads the screen's resolution, sizes and creates the window
// from its client area in twips, routes its messages to the C++ object, and counts the
// open windows, so that the program ends when the last one closes.
#ifndef VESTRAND_UI_TOPLEVELWINDOW_H
#define VESTRAND_UI_TOPLEVELWINDOW_H

#include <windows.h>

#include <string>

#include "ui/Twips.h"

namespace vestrand {

// The resolution of the screen, in dots per inch.
struct ScreenDpi {
  int x = 96;
  int y = 96;
};

// A rectangle in pixels, relative to the window's client area.
struct PixelRect {
  int x, y, width, height;
};

class TopLevelWindow {
 public:
  TopLevelWindow(const TopLevelWindow&) = delete;
  TopLevelWindow& operator=(const TopLevelWindow&) = delete;

  HWND Handle() const { return window_; }

 protected:
  TopLevelWindow() = default;
  ~TopLevelWindow() = default;

  // Registers `className` once (with the program's icon) and creates the window, not
  // shown, with a client area of the given size in twips and no owner. False when the
  // window could not be made.
  bool CreateTopLevel(HINSTANCE instance, const wchar_t* className, const std::string& caption, int clientWidthTwips,
                      int clientHeightTwips);
  // Destroys the window if it is open; called by each window's own destructor, while
  // the object can still answer the messages that destroying sends.
  void DestroyTopLevel();
  // The resolution read when the window was created.
  const ScreenDpi& Dpi() const { return dpi_; }
  // A rectangle given in twips, in pixels at the screen's resolution. Each edge is rounded
  // on its own, so that neighbouring controls meet without gaps.
  PixelRect ToPixels(const TwipsRect& twips) const;
  // A font for Chinese text, `hundredthsOfPoint` / 100 points high at the screen's resolution.
  HFONT CreateChineseFont(const wchar_t* face, int hundredthsOfPoint, int weight) const;
  LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return ::DefWindowProcW(window_, msg, wParam, lParam); }

  // Every message of the window from WM_NCCREATE to WM_NCDESTROY, both included. After
  // WM_NCDESTROY the window is gone and Handle() is null.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  ScreenDpi dpi_;
};

}  // namespace vestrand

#endif
