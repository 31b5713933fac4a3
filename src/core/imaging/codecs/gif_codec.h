// GIF reading through giflib, entirely in memory.
//
// Only the first frame is decoded, onto a canvas that is the bounding box
// of all the file's frames cut to the logical screen (a screen with a zero
// side counts as unbounded). Canvas pixels outside the frame and pixels of
// the frame's transparent index (from its Graphics Control Extension) are
// fully transparent; the background colour index is ignored, as browsers do.
// Palette indices past the colour table are opaque black. A file whose first
// frame's data ends early or is corrupt fails: there is no partial picture.
// So does one whose frame or canvas is larger than its LZW data could fill,
// before anything is allocated.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/status.h"
#include "imaging/image.h"
#include "imaging/image_info.h"

namespace vr {

// True when the bytes start with "GIF87a" or "GIF89a".
bool IsGif(std::span<const std::uint8_t> bytes);

// Canvas size as DecodeGif will produce it. GIF carries no orientation, so
// it is 1.
Expected<ImageInfo> ReadGifInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Decodes the first frame as described above into `out` (RGBA, rows top-down).
Status DecodeGif(std::span<const std::uint8_t> bytes, const std::string& file, Image& out);

}  // namespace vr
