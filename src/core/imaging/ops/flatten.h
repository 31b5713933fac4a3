// Transparency for formats that cannot hold it. A JPEG has no alpha, so a
// transparent picture is composited over a background colour before it is
// written; keeping the stored colours would show whatever a decoder left
// under transparent pixels (usually black) as solid colour.
#pragma once

#include <cstdint>

#include "imaging/image.h"

namespace vr {

// An sRGB colour as the settings store colours: 0x00BBGGRR, red in the low
// byte. The top byte is ignored.
struct Background {
  std::uint8_t red = 255;
  std::uint8_t green = 255;
  std::uint8_t blue = 255;

  static Background FromStored(std::uint32_t bgr) {
    return {static_cast<std::uint8_t>(bgr & 0xFF), static_cast<std::uint8_t>((bgr >> 8) & 0xFF),
            static_cast<std::uint8_t>((bgr >> 16) & 0xFF)};
  }
};

// Every pixel composited "over" the background with its straight alpha,
// rounded once: C' = (C * a + B * (255 - a)) / 255; alpha becomes 255. An
// opaque pixel keeps its colour exactly.
void FlattenOnto(Image& image, Background background);

// Only the fully transparent pixels take the background's colour (alpha
// stays 0), so a reader that ignores alpha shows the background there while
// one that honours it sees the same picture as before. Partly transparent
// pixels keep their colour: pre-blending them would blend twice in a reader
// that honours alpha.
void FillTransparent(Image& image, Background background);

}  // namespace vr
