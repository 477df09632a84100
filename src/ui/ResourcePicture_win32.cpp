#include "ui/ResourcePicture.h"

#include <cstring>

namespace vestrand {

namespace {

struct StreamTraits {
  using Value = IStream*;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value s) noexcept { s->Release(); }
};
using UniqueStream = UniqueResource<StreamTraits>;

struct GlobalTraits {
  using Value = HGLOBAL;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value g) noexcept { ::GlobalFree(g); }
};
using UniqueGlobal = UniqueResource<GlobalTraits>;

constexpr long kHimetricPerInch = 2540;

}  // namespace

bool ResourcePicture::Load(HMODULE module, int id) {
  picture_.reset();
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (info == nullptr) return false;
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);  // part of the module image: never freed
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return false;

  // The picture loader reads from a stream; the stream takes over the memory block.
  UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return false;
  void* target = ::GlobalLock(block.get());
  if (target == nullptr) return false;
  std::memcpy(target, bytes, size);
  ::GlobalUnlock(block.get());
  UniqueStream stream;
  if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, stream.put()))) return false;
  block.release();  // now the stream's

  void* picture = nullptr;
  if (FAILED(::OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture, &picture))) {
    return false;
  }
  picture_.reset(static_cast<IPicture*>(picture));
  return true;
}

SIZE ResourcePicture::PixelSize() const {
  SIZE size{0, 0};
  if (!picture_) return size;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture_.get()->get_Width(&width);
  picture_.get()->get_Height(&height);
  // The loader measured the picture at the screen's resolution; measure it back the same way.
  ScreenDC screen;
  const long dpiX = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  const long dpiY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  size.cx = static_cast<LONG>((width * dpiX + kHimetricPerInch / 2) / kHimetricPerInch);
  size.cy = static_cast<LONG>((height * dpiY + kHimetricPerInch / 2) / kHimetricPerInch);
  return size;
}

void ResourcePicture::Draw(HDC dc, const RECT& rect) const {
  if (!picture_) return;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture_.get()->get_Width(&width);
  picture_.get()->get_Height(&height);
  // The source is given in HIMETRIC, bottom up.
  picture_.get()->Render(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                         0, height, width, -height, nullptr);
}

}  // namespace vestrand
