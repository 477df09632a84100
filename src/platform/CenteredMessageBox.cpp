#include "platform/CenteredMessageBox.h"

#include <cmath>
#include <limits>

namespace vestrand {

namespace {

// Screen coordinates come from 32-bit rectangles, but the sums of extreme ones do not
// fit: keep the result a valid int instead of overflowing.
int ToCoordinate(double value) {
  constexpr double low = static_cast<double>(std::numeric_limits<int>::min());
  constexpr double high = static_cast<double>(std::numeric_limits<int>::max());
  if (value < low) return std::numeric_limits<int>::min();
  if (value > high) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

double Centred(std::int32_t mainLow, std::int32_t mainHigh, std::int32_t boxLow, std::int32_t boxHigh) {
  const double mainSize = static_cast<double>(mainHigh) - static_cast<double>(mainLow);
  const double boxSize = static_cast<double>(boxHigh) - static_cast<double>(boxLow);
  return mainSize / 2 + static_cast<double>(mainLow) - boxSize / 2;
}

}  // namespace

double RoundHalfToEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

ScreenPoint CenteredPosition(const ScreenRect& mainWindow, const ScreenRect& box) {
  ScreenPoint corner;
  corner.x = ToCoordinate(RoundHalfToEven(Centred(mainWindow.left, mainWindow.right, box.left, box.right)));
  corner.y = ToCoordinate(RoundHalfToEven(Centred(mainWindow.top, mainWindow.bottom, box.top, box.bottom)));
  return corner;
}

}  // namespace vestrand
