// GIF reading through giflib, entirely in memory.
//
// Only the first frame is decoded, placed at its offset on the logical
// screen; the rest of the screen is fully transparent, as are the frame's
// pixels of its transparent index (from its Graphics Control Extension); the
// background colour index is ignored, as browsers do. A screen with a zero
// side, or one larger than all the file's LZW data could fill, is not
// allocated: the canvas is then the frames' bounding box cut to the screen.
// Without any colour table the indices show as grey levels; indices past the
// table are opaque black. Frames whose LZW minimum code size giflib refuses
// (9 to 11) are decoded by gif_lzw. A file whose first frame's data ends
// early or is corrupt fails: there is no partial picture. So does one whose
// frame or canvas is larger than its LZW data could fill, before anything is
// allocated.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/status.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/row_sink.h"

namespace vr {

// True when the bytes start with "GIF87a" or "GIF89a".
bool IsGif(std::span<const std::uint8_t> bytes);

// Canvas size as DecodeGif will produce it. GIF carries no orientation, so
// it is 1.
Expected<ImageInfo> ReadGifInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Decodes the first frame as described above into `out` (RGBA, rows top-down).
Status DecodeGif(std::span<const std::uint8_t> bytes, const std::string& file, Image& out);

// Whether DecodeGifRows takes the file: its first frame is not interlaced
// and giflib reads its codes.
bool GifRowsStream(std::span<const std::uint8_t> bytes);

// DecodeGif's canvas for a file GifRowsStream takes, top to bottom into
// `sink`, one canvas row and one frame line held at a time. Failures as
// DecodeGif's.
Status DecodeGifRows(std::span<const std::uint8_t> bytes, const std::string& file, const RowSink& sink);

}  // namespace vr
