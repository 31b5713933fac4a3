// Run-length encoded BMP pixels: RLE8, RLE4 and the OS/2 RLE24.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/codecs/bmp_header.h"
#include "imaging/image.h"

namespace vr {

// Decodes the stream `data` (everything from the pixel offset on) into `out`,
// already sized to the layout. Pixels the stream skips with deltas or early
// end-of-line and end-of-bitmap codes are left fully transparent; runs past
// the right edge are clipped. Returns false when the data ran out before the
// end-of-bitmap code, i.e. the file is truncated.
bool DecodeBmpRle(std::span<const std::uint8_t> data, const BmpLayout& layout, const BmpPalette& palette,
                  Image& out);

}  // namespace vr
