// TIFF samples libtiff's RGBA reader refuses: 12- and 32-bit integers,
// 16-, 32- and 64-bit floats and 16-bit CMYK, scaled to 8 bits.
//
// Integers go to the nearest level (v * 255 / max, rounded), floats are
// taken as 0..1, clamped, rounded; NaN reads as 0. Grey (either
// photometric), RGB and CMYK (the naive conversion, without a profile)
// with an optional alpha sample, in strips or tiles, samples stored
// together or in planes. The directory's strips or tiles are read one at a
// time, so a decode holds the picture and one of them.
#pragma once

#include <tiffio.h>

#include <string>

#include "base/status.h"
#include "imaging/image.h"

namespace vr {

// Whether the open directory's samples are of a kind read here rather than
// by libtiff's RGBA reader.
bool HasDeepSamples(TIFF* tif);

// Reads the open directory, `width` x `height` as checked by the caller,
// into `out` as straight RGBA, rows as stored. Fails with "Unsupported
// TIFF: ..." for a layout not covered above, and with "Invalid TIFF:
// unreadable pixel data" (libtiff's own reason when `libtiff_error` holds
// one) when a strip or tile cannot be read; `out` is then empty.
Status ReadDeepSamples(TIFF* tif, int width, int height, const std::string& libtiff_error,
                       const std::string& file, Image& out);

}  // namespace vr
