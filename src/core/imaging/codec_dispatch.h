// Choosing the codec for a file by its magic bytes: the one place that knows
// which reader and decoder belong to which kind of file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/decode_warning.h"
#include "imaging/encode_options.h"
#include "imaging/format_codes.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/row_sink.h"

namespace vr {

class ColourTransforms;
class JpegCodec;

// Header facts (stored size and orientation) for the kind the bytes show.
// Unknown bytes fail with "Unsupported image format in <file>".
Expected<ImageInfo> ReadImageInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Whether a file of `file_length` bytes could hold the picture the header
// at the start of `bytes` claims, for the kinds whose header tells: JPEG
// (its frame's blocks), BMP (its rows or run-length codes) and TIFF (its
// strips or tiles, when its directory is among the bytes). A GIF's frames
// may lie anywhere, so its header reader judges from the whole file. Fails
// with "Implausible <format>: ..." naming `file`; every decoder makes the
// same check before it allocates.
Status CheckPlausibleHeader(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                            const std::string& file);

// What a decode produced beyond the pixels.
struct DecodeResult {
  // What the decoder warned of, if anything; damaged() when pixels were lost.
  DecodeWarning warning;
  // The picture came out at 1/shrink of its stored sides, each rounded up
  // (a JPEG shrunk in the DCT); 1 for a full decode.
  int shrink = 1;
  // What the file says about its colours (its profile, PNG's colour chunks).
  // CMYK and L*a*b* pictures with what they need are already sRGB here
  // (`colour.converted`); the rest are as stored, for the engine's colour
  // step (ops/colour_transform.h) to convert.
  SourceColour colour;
};

// Decodes the bytes of an already sniffed kind into `out`, as stored (the
// orientation is NOT applied). For JPEG, a target above 0 lets the decoder
// scale down in the DCT to a size still at least that large; for WebP and
// HEIF (see DecodesTowardTarget) to a smaller picture too (scaled output, an
// embedded thumbnail), reported with a shrink of 1: the picture's own size
// tells the resampler what it holds. `colour`
// converts CMYK and L*a*b* samples through their profiles (a temporary one
// is used when it is null).
Expected<DecodeResult> DecodeImage(FileKind kind, std::span<const std::uint8_t> bytes,
                                   const std::string& file, JpegCodec& jpeg, int target_width,
                                   int target_height, Image& out, ColourTransforms* colour = nullptr);

// Kinds whose decoder makes use of a target size.
bool DecodesTowardTarget(FileKind kind);

// WebP, AVIF and JPEG XL, written by their own libraries, which take the
// profile and metadata along (EncodeExtras) rather than having them put in
// afterwards as JPEG and PNG do.
bool IsNewerFormat(std::int32_t format_code);
Status EncodeNewerFormat(std::int32_t format_code, const Image& picture, const EncodeOptions& options,
                         const EncodeExtras& extras, std::vector<std::uint8_t>& out, const std::string& file);
// Whether DecodeRows hands this file's rows over in stored order: PNG and
// GIF but interlaced files, BMP but run-length ones, TIFF pictures
// libtiff's RGBA reader converts (see TiffRowsStream). Every other file,
// and every JPEG (shrunk in the DCT instead), is decoded whole.
bool RowsStream(std::span<const std::uint8_t> bytes);

// Whether shrinking a `stored` picture's part `region` (its stored sides)
// to a target on the stored axes streams the decode's rows through the
// shrink: it must shrink, neither side growing; anything else needs the
// whole picture first.
bool ShrinksWhileDecoding(double region_width, double region_height, int target_width, int target_height);

// DecodeImage's picture, for a file RowsStream takes, handed to `sink` row
// by row in stored order (top to bottom, the orientation NOT applied)
// instead of into a picture. Fails as DecodeImage would, and for a file
// RowsStream does not take. A PNG's colour chunks are read from
// `png_outline` when given (see png_outline.h), so a mapped file is not
// walked again.
Expected<DecodeResult> DecodeRows(std::span<const std::uint8_t> bytes, const std::string& file,
                                  const RowSink& sink, std::span<const std::uint8_t> png_outline = {});

}  // namespace vr
