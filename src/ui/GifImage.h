// Decodes the first image of a GIF file into 32-bit pixels. The program's picture is a
// GIF; decoding it here spares loading the system's picture and codec libraries at
// start-up, which under some systems costs more than everything else the window does.
#ifndef VESTRAND_UI_GIFIMAGE_H
#define VESTRAND_UI_GIFIMAGE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vestrand {

struct DecodedImage {
  int width = 0;  // the logical screen of the file
  int height = 0;
  // Top-down rows of 0xAARRGGBB; alpha 0 where the image is transparent or not drawn.
  std::vector<std::uint32_t> pixels;
};

// Nothing when the data is not a GIF or is damaged; never reads outside `data`.
std::optional<DecodedImage> DecodeGif(const std::uint8_t* data, std::size_t size);

}  // namespace vestrand

#endif
