// Where a message box goes so that its centre lies over the main window's centre.
#ifndef VESTRAND_PLATFORM_CENTEREDMESSAGEBOX_H
#define VESTRAND_PLATFORM_CENTEREDMESSAGEBOX_H

#include <cstdint>

namespace vestrand {

// A window rectangle in screen pixels, as the system reports it.
struct ScreenRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// Rounds to the nearest integer, a value exactly halfway going to the even neighbour.
double RoundHalfToEven(double value);

// The box's new top-left corner. Not clamped to the screen: a main window near an edge
// may put the box partly outside it.
ScreenPoint CenteredPosition(const ScreenRect& mainWindow, const ScreenRect& box);

}  // namespace vestrand

#endif
