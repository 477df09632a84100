#include "ui/ResourcePicture.h"

#include <vector>

namespace vestrand {

bool ResourcePicture::Load(HMODULE module, int id) {
  image_ = DecodedImage();
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (info == nullptr) return false;
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);  // part of the module image: never freed
  const auto* bytes = static_cast<const std::uint8_t*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
  if (bytes == nullptr || size == 0) return false;
  auto image = DecodeGif(bytes, size);
  if (!image) return false;
  image_ = std::move(*image);
  return true;
}

void ResourcePicture::Draw(HDC dc, const RECT& rect, COLORREF background) const {
  if (!Loaded()) return;
  const std::uint32_t back = (static_cast<std::uint32_t>(GetRValue(background)) << 16) |
                             (static_cast<std::uint32_t>(GetGValue(background)) << 8) | GetBValue(background);
  std::vector<std::uint32_t> pixels(image_.pixels.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t p = image_.pixels[i];
    pixels[i] = (p >> 24) != 0 ? (p & 0x00FFFFFFu) : back;
  }
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = image_.width;
  bmi.bmiHeader.biHeight = -image_.height;  // top-down rows
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  const int previous = ::SetStretchBltMode(dc, HALFTONE);
  POINT origin{};
  ::SetBrushOrgEx(dc, 0, 0, &origin);
  ::StretchDIBits(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, image_.width,
                  image_.height, pixels.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
  ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
  ::SetStretchBltMode(dc, previous);
}

}  // namespace vestrand
