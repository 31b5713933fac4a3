// PNG reading and writing through libpng, entirely in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/row_sink.h"

namespace vr {

// True when the bytes start with the PNG signature.
bool IsPng(std::span<const std::uint8_t> bytes);

// Size from the IHDR chunk, and the orientation its EXIF or XMP chunks give
// (orientation_sources.h), 1 without them.
Expected<ImageInfo> ReadPngInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Decodes every bit depth, colour type and interlace method to 8-bit RGBA:
// palettes and tRNS become alpha, 16-bit samples are scaled to 8, gray is
// spread to RGB. Gamma and colour-space chunks are not applied here; the
// samples are as stored (colour/icc_profile.h reads those chunks for the
// engine's colour step). `file` names the picture in messages only.
Status DecodePng(std::span<const std::uint8_t> bytes, const std::string& file, Image& out);

// Whether DecodePngRows can hand the file's rows over in order: every PNG
// but an interlaced one, whose passes need the whole picture.
bool PngRowsStream(std::span<const std::uint8_t> bytes);

// DecodePng's rows, top to bottom, into `sink`, holding one of them (and
// libpng its two stored rows) instead of the picture. An interlaced file
// fails: its rows do not come in order (see PngRowsStream). Failures as
// DecodePng's; rows handed over before one stay handed over.
Status DecodePngRows(std::span<const std::uint8_t> bytes, const std::string& file, const RowSink& sink);

// Writes 8-bit RGB, or RGBA when the picture has any pixel that is not fully
// opaque. `out` is replaced; it is left empty on failure. A non-empty `icc`
// (an RGB profile) is written as the iCCP chunk "ICC profile"; one libpng
// finds unfit for an RGB picture is left out with the picture still written.
Status EncodePng(const Image& image, std::vector<std::uint8_t>& out, const std::string& file,
                 std::span<const std::uint8_t> icc = {});

}  // namespace vr
