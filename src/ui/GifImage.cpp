#include "ui/GifImage.h"

#include <array>
#include <cstring>

namespace vestrand {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxSide = 16384;

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Has(std::size_t n) const { return pos_ <= size_ && size_ - pos_ >= n; }
  std::uint8_t Byte() {
    if (Has(1)) return data_[pos_++];
    failed_ = true;
    return 0;
  }
  int Word() {
    const int lo = Byte();
    return lo | (Byte() << 8);
  }
  const std::uint8_t* Take(std::size_t n) {
    if (!Has(n)) {
      failed_ = true;
      return nullptr;
    }
    const std::uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  bool Failed() const { return failed_; }
  // Skips a chain of data sub-blocks up to and including the zero-length terminator.
  void SkipSubBlocks() {
    for (std::uint8_t n = Byte(); n != 0 && !failed_; n = Byte()) Take(n);
  }
  // Joins a chain of data sub-blocks.
  std::vector<std::uint8_t> SubBlocks() {
    std::vector<std::uint8_t> out;
    for (std::uint8_t n = Byte(); n != 0 && !failed_; n = Byte()) {
      if (const std::uint8_t* p = Take(n)) out.insert(out.end(), p, p + n);
    }
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

using Palette = std::vector<std::uint32_t>;

Palette ReadPalette(Reader& r, int flags) {
  const std::size_t count = std::size_t{1} << ((flags & 0x07) + 1);
  Palette palette(count);
  for (std::uint32_t& c : palette) {
    const std::uint32_t red = r.Byte(), green = r.Byte(), blue = r.Byte();
    c = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
  return palette;
}

// Variable-length LZW as GIF uses it; yields at most `expected` colour indices.
bool Decompress(const std::vector<std::uint8_t>& data, int minCodeSize, std::size_t expected,
                std::vector<std::uint8_t>& out) {
  if (minCodeSize < 2 || minCodeSize > 8) return false;
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  std::array<std::uint16_t, kMaxCodes> prefix{};
  std::array<std::uint8_t, kMaxCodes> suffix{};
  std::array<std::uint8_t, kMaxCodes> first{};
  std::array<std::uint8_t, kMaxCodes + 1> stack{};
  for (int i = 0; i < clear; ++i) {
    suffix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    first[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  }
  int codeSize = minCodeSize + 1;
  int next = clear + 2;
  int previous = -1;
  std::uint32_t bits = 0;
  int bitCount = 0;
  std::size_t pos = 0;
  out.clear();
  out.reserve(expected);
  while (out.size() < expected) {
    while (bitCount < codeSize) {
      if (pos >= data.size()) return !out.empty();  // short data: keep what arrived
      bits |= static_cast<std::uint32_t>(data[pos++]) << bitCount;
      bitCount += 8;
    }
    const int code = static_cast<int>(bits & ((1u << codeSize) - 1));
    bits >>= codeSize;
    bitCount -= codeSize;
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) break;
    if (previous < 0) {
      if (code >= clear) return false;
      out.push_back(static_cast<std::uint8_t>(code));
      previous = code;
      continue;
    }
    int walk = code;
    std::size_t depth = 0;
    std::uint8_t firstOfCode;
    if (code < next) {
      firstOfCode = first[static_cast<std::size_t>(code)];
    } else if (code == next) {
      // The code being defined right now: the previous string plus its own first byte.
      firstOfCode = first[static_cast<std::size_t>(previous)];
      stack[depth++] = firstOfCode;
      walk = previous;
    } else {
      return false;
    }
    while (walk >= clear) {
      if (depth >= stack.size() - 1) return false;
      stack[depth++] = suffix[static_cast<std::size_t>(walk)];
      walk = prefix[static_cast<std::size_t>(walk)];
    }
    stack[depth++] = static_cast<std::uint8_t>(walk);
    while (depth > 0 && out.size() < expected) out.push_back(stack[--depth]);
    if (next < kMaxCodes) {
      prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
      suffix[static_cast<std::size_t>(next)] = firstOfCode;
      first[static_cast<std::size_t>(next)] = first[static_cast<std::size_t>(previous)];
      ++next;
      if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
    }
    previous = code;
  }
  return true;
}

// Row order of an interlaced image: every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  const int starts[] = {0, 4, 2, 1};
  const int steps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = starts[pass]; y < height; y += steps[pass]) rows.push_back(y);
  }
  return rows;
}

}  // namespace

std::optional<DecodedImage> DecodeGif(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return std::nullopt;
  Reader r(data, size);
  const std::uint8_t* signature = r.Take(6);
  if (signature == nullptr || (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0)) {
    return std::nullopt;
  }
  DecodedImage image;
  image.width = r.Word();
  image.height = r.Word();
  const int screenFlags = r.Byte();
  r.Byte();  // background colour index: the caller's background shows instead
  r.Byte();  // pixel aspect ratio
  if (r.Failed() || image.width <= 0 || image.height <= 0 || image.width > kMaxSide || image.height > kMaxSide) {
    return std::nullopt;
  }
  Palette global;
  if (screenFlags & 0x80) global = ReadPalette(r, screenFlags);
  image.pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0u);

  int transparent = -1;
  while (!r.Failed()) {
    const std::uint8_t block = r.Byte();
    if (block == 0x3B) return std::nullopt;  // the file ended before any image
    if (block == 0x21) {
      const std::uint8_t label = r.Byte();
      if (label == 0xF9) {
        const std::uint8_t length = r.Byte();
        const std::uint8_t* gce = r.Take(length);
        if (gce != nullptr && length >= 4 && (gce[0] & 0x01)) transparent = gce[3];
        r.SkipSubBlocks();
      } else {
        r.SkipSubBlocks();
      }
      continue;
    }
    if (block != 0x2C) return std::nullopt;
    const int left = r.Word();
    const int top = r.Word();
    const int width = r.Word();
    const int height = r.Word();
    const int flags = r.Byte();
    if (r.Failed() || width <= 0 || height <= 0) return std::nullopt;
    const Palette local = (flags & 0x80) ? ReadPalette(r, flags) : Palette();
    const Palette& palette = (flags & 0x80) ? local : global;
    const int minCodeSize = r.Byte();
    const std::vector<std::uint8_t> compressed = r.SubBlocks();
    if (r.Failed() || palette.empty()) return std::nullopt;
    std::vector<std::uint8_t> indices;
    const std::size_t expected = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (!Decompress(compressed, minCodeSize, expected, indices)) return std::nullopt;
    const std::vector<int> rows = RowOrder(height, (flags & 0x40) != 0);
    for (std::size_t i = 0; i < indices.size(); ++i) {
      const int x = left + static_cast<int>(i % static_cast<std::size_t>(width));
      const int y = top + rows[i / static_cast<std::size_t>(width)];
      const int index = indices[i];
      if (x >= image.width || y >= image.height || index == transparent) continue;
      if (static_cast<std::size_t>(index) >= palette.size()) continue;
      image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)] =
          palette[static_cast<std::size_t>(index)];
    }
    return image;
  }
  return std::nullopt;
}

}  // namespace vestrand
