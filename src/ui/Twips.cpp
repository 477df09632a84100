#include "ui/Twips.h"

namespace vestrand {

int TwipsToPixels(int twips, int dpi) {
  const long long num = static_cast<long long>(twips) * dpi;
  const long long half = kTwipsPerInch / 2;
  return static_cast<int>(num >= 0 ? (num + half) / kTwipsPerInch : -((-num + half) / kTwipsPerInch));
}

int PixelsToTwips(int pixels, int dpi) {
  if (dpi <= 0) return 0;
  const long long num = static_cast<long long>(pixels) * kTwipsPerInch;
  const long long half = dpi / 2;
  return static_cast<int>(num >= 0 ? (num + half) / dpi : -((-num + half) / dpi));
}

}  // namespace vestrand
