// A picture stored in the program's resources (GIF, JPEG or BMP), decoded by the system's
// OLE picture support and drawn scaled into a rectangle.
#ifndef VESTRAND_UI_RESOURCEPICTURE_H
#define VESTRAND_UI_RESOURCEPICTURE_H

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "platform/Win32Handles.h"

namespace vestrand {

// The resource identifier of the main window's picture (type RT_RCDATA).
constexpr int kPictureResourceId = 101;

struct PictureTraits {
  using Value = IPicture*;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value p) noexcept { p->Release(); }
};
using UniquePicture = UniqueResource<PictureTraits>;

class ResourcePicture {
 public:
  // Decodes the RT_RCDATA resource `id` of `module`; false when missing or undecodable.
  bool Load(HMODULE module, int id);
  bool Loaded() const { return static_cast<bool>(picture_); }
  // The picture's own size in pixels.
  SIZE PixelSize() const;
  // Draws the whole picture stretched into `rect`.
  void Draw(HDC dc, const RECT& rect) const;

 private:
  UniquePicture picture_;
};

}  // namespace vestrand

#endif
