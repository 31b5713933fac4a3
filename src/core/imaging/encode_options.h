// How the newer output formats are written: the values their options
// dialogs set, and what a thumbnail carries beside its pixels.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/metadata/picture_metadata.h"

namespace vr {

struct WebpOptions {
  int quality = 80;  // 0..100; with lossless, how hard the encoder tries
  bool lossless = false;
};

struct AvifOptions {
  int quality = 60;  // 0..100, mapped onto AV1's quantizer 63..0
  int speed = 6;     // 0 (slowest, smallest) .. 10
};

struct JxlOptions {
  int quality = 90;  // 0..100, mapped onto a Butteraugli distance as cjxl does; 100 is lossless
  int effort = 7;    // 1 (fastest) .. 9
};

struct EncodeOptions {
  WebpOptions webp;
  AvifOptions avif;
  JxlOptions jxl;
};

// Beside the pixels: the profile to embed (empty: the picture is sRGB) and
// the metadata already made true of the thumbnail (orientation 1).
struct EncodeExtras {
  std::span<const std::uint8_t> icc;
  const PictureMetadata* metadata = nullptr;
};

}  // namespace vr
