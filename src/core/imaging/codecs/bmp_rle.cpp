#include "imaging/codecs/bmp_rle.h"

#include <algorithm>
#include <cstring>

namespace vr {
namespace {

// Writes pixels along the stored rows, which run from the bottom up. The
// column is clamped to the width: it only grows within a line, so a clamped
// column drops the same pixels the true one would.
class RleCursor {
 public:
  RleCursor(const BmpLayout& layout, const BmpPalette& palette, Image& out)
      : width_(layout.width), height_(layout.height), palette_(palette), out_(out) {}

  bool past_top() const { return y_ >= height_; }
  int room() const { return width_ - x_; }  // pixels left in this line

  void PutIndex(unsigned index) { PutColor(palette_[index]); }
  void PutBgr(const std::uint8_t* bgr) {
    const std::uint8_t rgba[4] = {bgr[2], bgr[1], bgr[0], 255};
    PutColor(rgba);
  }
  void Skip(unsigned count) {
    x_ = static_cast<int>(std::min<long long>(width_, static_cast<long long>(x_) + count));
  }
  void NextLine(unsigned count = 1) {
    x_ = 0;
    y_ = static_cast<int>(std::min<long long>(height_, static_cast<long long>(y_) + count));
  }

 private:
  void PutColor(const std::uint8_t* rgba) {
    if (x_ >= width_ || y_ >= height_) return;
    std::memcpy(out_.at(x_, height_ - 1 - y_), rgba, 4);
    ++x_;
  }

  int width_;
  int height_;
  int x_ = 0;
  int y_ = 0;
  const BmpPalette& palette_;
  Image& out_;
};

}  // namespace

bool DecodeBmpRle(std::span<const std::uint8_t> data, const BmpLayout& layout, const BmpPalette& palette,
                  Image& out) {
  std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
  RleCursor cursor(layout, palette, out);
  const BmpCompression kind = layout.compression;
  std::size_t at = 0;
  auto left = [&] { return data.size() - at; };

  while (!cursor.past_top()) {
    if (left() < 2) return false;
    const unsigned count = data[at];
    const unsigned value = data[at + 1];
    at += 2;
    if (count > 0) {
      // A run of one colour, or in RLE4 of two alternating ones.
      const unsigned n = std::min<unsigned>(count, static_cast<unsigned>(cursor.room()));
      if (kind == BmpCompression::kRle24) {
        if (left() < 2) return false;
        const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(value), data[at], data[at + 1]};
        at += 2;
        for (unsigned i = 0; i < n; ++i) cursor.PutBgr(bgr);
      } else if (kind == BmpCompression::kRle4) {
        for (unsigned i = 0; i < n; ++i) cursor.PutIndex(i % 2 == 0 ? value >> 4 : value & 0x0F);
      } else {
        for (unsigned i = 0; i < n; ++i) cursor.PutIndex(value);
      }
      cursor.Skip(count - n);
      continue;
    }
    if (value == 0) {  // end of line
      cursor.NextLine();
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta: right and up
      if (left() < 2) return false;
      const unsigned dx = data[at];
      const unsigned dy = data[at + 1];
      at += 2;
      if (dy > 0) {
        // Keep the column across the jump.
        const int column = layout.width - cursor.room();
        cursor.NextLine(dy);
        cursor.Skip(static_cast<unsigned>(column));
      }
      cursor.Skip(dx);
    } else {
      // Literal pixels, padded to an even number of bytes.
      const std::size_t literal_bytes = kind == BmpCompression::kRle24  ? std::size_t{value} * 3
                                        : kind == BmpCompression::kRle4 ? (std::size_t{value} + 1) / 2
                                                                        : std::size_t{value};
      const std::size_t padded = literal_bytes + (literal_bytes & 1);
      const bool complete = left() >= padded;
      const std::size_t usable = std::min(left(), literal_bytes);
      const std::uint8_t* p = data.data() + at;
      for (unsigned i = 0; i < value; ++i) {
        if (kind == BmpCompression::kRle24) {
          if (std::size_t{i} * 3 + 3 > usable) break;
          cursor.PutBgr(p + std::size_t{i} * 3);
        } else if (kind == BmpCompression::kRle4) {
          if (i / 2 >= usable) break;
          cursor.PutIndex(i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 0x0F);
        } else {
          if (i >= usable) break;
          cursor.PutIndex(p[i]);
        }
      }
      if (!complete) return false;
      at += padded;
    }
  }
  return true;  // the picture is full; anything after the last line is ignored
}

}  // namespace vr
