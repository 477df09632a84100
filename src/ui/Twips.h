// Twips, the unit the window's geometry is given in (1440 to the inch), and their
// conversion to the screen's pixels at its real resolution.
#ifndef VESTRAND_UI_TWIPS_H
#define VESTRAND_UI_TWIPS_H

namespace vestrand {

constexpr int kTwipsPerInch = 1440;

// A rectangle in twips: its left and top edge, width and height.
struct TwipsRect {
  int left, top, width, height;
};

// Converts twips to pixels at `dpi`, rounding to the nearest pixel (halves away from 0).
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

}  // namespace vestrand

#endif
