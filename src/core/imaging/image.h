// The engine's picture: 8-bit RGBA, straight (not premultiplied) alpha,
// rows top to bottom, no padding between rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vr {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

  bool empty() const { return width <= 0 || height <= 0; }
  std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
  std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride(); }
  const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * stride(); }
  std::uint8_t* at(int x, int y) { return row(y) + static_cast<std::size_t>(x) * 4; }
  const std::uint8_t* at(int x, int y) const { return row(y) + static_cast<std::size_t>(x) * 4; }

  // Sizes the picture, keeping the buffer's capacity so a worker that
  // handles picture after picture does not touch fresh memory each time.
  // The caller must have checked the size against the limits.
  void Resize(int w, int h) {
    width = w;
    height = h;
    pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  }

  bool HasTransparency() const {
    for (std::size_t i = 3; i < pixels.size(); i += 4)
      if (pixels[i] != 255) return true;
    return false;
  }
};

}  // namespace vr
