// The main window's layout as data: one row per control, geometry in twips. The
// window is built from this table and nothing else.
#ifndef VESTRAND_UI_MAINWINDOWLAYOUT_H
#define VESTRAND_UI_MAINWINDOWLAYOUT_H

#include <array>
#include <vector>

#include "relocation/FormFields.h"
#include "ui/Twips.h"

namespace vestrand {

enum class ControlKind { Frame, CheckBox, TextBox, Picture, OptionButton, Label, PushButton };

struct ControlLayout {
  Control control;
  ControlKind kind;
  Control container;  // Control::Count: the window itself
  const char* caption;
  int left, top, width, height;  // twips, inside the container
  int tabIndex;                  // -1: none
};

constexpr int kFormClientWidthTwips = 6150;
constexpr int kFormClientHeightTwips = 7005;

using MainWindowLayoutTable = std::array<ControlLayout, kControlCount>;

// One row per control, in the order of the Control enumeration: row i describes Control(i).
const MainWindowLayoutTable& MainWindowLayout();
const ControlLayout& LayoutOf(Control c);

// Position of a control relative to the window's client area, in twips.
TwipsRect AbsoluteTwips(Control c);

// Controls ordered by their tab index (those without one left out).
std::vector<Control> ControlsInTabOrder();

}  // namespace vestrand

#endif
