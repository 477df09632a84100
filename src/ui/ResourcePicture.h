// The GIF picture stored in the program's resources, decoded by the program itself and
// drawn scaled into a rectangle.
#ifndef VESTRAND_UI_RESOURCEPICTURE_H
#define VESTRAND_UI_RESOURCEPICTURE_H

#include <windows.h>

#include "ui/GifImage.h"

namespace vestrand {

// The resource identifier of the main window's picture (type RT_RCDATA).
constexpr int kPictureResourceId = 101;

class ResourcePicture {
 public:
  // Decodes the RT_RCDATA resource `id` of `module`; false when missing or undecodable.
  bool Load(HMODULE module, int id);
  // Draws the whole picture stretched into `rect`, transparent parts on `background`.
  void Draw(HDC dc, const RECT& rect, COLORREF background = ::GetSysColor(COLOR_BTNFACE)) const;

 private:
  bool Loaded() const { return image_.width > 0; }

  DecodedImage image_;
};

}  // namespace vestrand

#endif
