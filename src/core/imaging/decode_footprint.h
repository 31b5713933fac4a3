// What decoding a picture will hold in memory, told from the start of its
// file alone, so a run can keep large decodes from piling up.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/status.h"
#include "imaging/image_info.h"

namespace vr {

struct DecodeFootprint {
  ImageInfo info;  // sides as stored
  bool progressive = false;
  // A progressive JPEG is decoded from whole-picture coefficient buffers
  // (64 two-byte coefficients a block, every block of every component),
  // whatever scale it is shrunk to; 0 for any other file.
  std::uint64_t coefficient_bytes = 0;
  // A TIFF's strip or tile of decoded samples (16 bytes a pixel for float
  // RGBA, four times its share of the picture); 0 for any other file.
  std::uint64_t chunk_bytes = 0;
  // What a WebP, AVIF, JPEG XL or HEIF decoder holds beside the picture it
  // gives (its planes, its working copies); 0 for any other file.
  std::uint64_t codec_bytes = 0;
  // The file's rows come in order (RowsStream), so a decode that shrinks
  // hands them to the shrink and never holds the picture; `row_band` rows
  // are converted at once (a TIFF's strip or row of tiles, 1 for PNG).
  bool rows_stream = false;
  int row_band = 0;
  // The whole file's length, which the engine holds while it decodes.
  std::uint64_t file_bytes = 0;
};

// From the bytes of a file's start, `file_length` bytes long in all; a
// JPEG's frame header must be among them. A file too short for the picture
// its header claims fails (see CheckPlausibleHeader).
Expected<DecodeFootprint> ReadDecodeFootprint(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                                              const std::string& file);
// The same for bytes that are the whole file.
Expected<DecodeFootprint> ReadDecodeFootprint(std::span<const std::uint8_t> bytes, const std::string& file);

// Reads the start of `path` (header_bytes.h) and measures it.
Expected<DecodeFootprint> ReadDecodeFootprintFromFile(const std::string& path);

// Bytes the engine holds while decoding towards an upright target of
// target_width x target_height (0 x 0: the full picture): the decoded RGBA
// picture, for a JPEG at the DCT scale the engine will use, plus any
// coefficient buffers, TIFF chunk or decoder planes. A file whose rows stream into a
// shrinking target holds instead the decoder's rows, the shrink's
// (RowShrinker::BytesFor) and the thumbnail twice (the orientation turns a
// copy).
std::uint64_t DecodeBytes(const DecodeFootprint& footprint, int target_width, int target_height);

}  // namespace vr
