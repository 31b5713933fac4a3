#include "imaging/decode_footprint.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "base/file_bytes.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_header_check.h"
#include "imaging/codecs/tiff_codec.h"
#include "imaging/header_bytes.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/ops/row_shrinker.h"

namespace vr {
namespace {

constexpr std::uint64_t kBlockBytes = 64 * 2;

constexpr std::uint64_t kInflateBytes = 64 * 1024;
constexpr std::uint64_t kLzwBytes = 32 * 1024;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

// Bytes a stored pixel costs inside the newer formats' decoders, on top of
// the RGBA picture they give, as measured with their libraries' largest
// cases: a lossless WebP's ARGB plane; AVIF's up to 16-bit Y, U, V and alpha
// planes; libheif's planes and its interleaved copy; libjxl's float planes.
std::uint64_t CodecWorkingBytes(const ImageInfo& info) {
  std::uint64_t per_pixel = 0;
  switch (info.kind) {
    case FileKind::Webp:
      per_pixel = 4;
      break;
    case FileKind::Avif:
      per_pixel = 8;
      break;
    case FileKind::Heif:
      per_pixel = 12;
      break;
    case FileKind::Jxl:
      per_pixel = 16;
      break;
    default:
      return 0;
  }
  return per_pixel * static_cast<std::uint64_t>(std::max(info.width, 0)) *
         static_cast<std::uint64_t>(std::max(info.height, 0));
}

}  // namespace

Expected<DecodeFootprint> ReadDecodeFootprint(std::span<const std::uint8_t> bytes, const std::string& file) {
  return ReadDecodeFootprint(bytes, bytes.size(), file);
}

Expected<DecodeFootprint> ReadDecodeFootprint(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                                              const std::string& file) {
  // A file too short for its claim is refused here already, so a run never
  // plans (or waits for room for) a decode that would be refused.
  VR_TRY(CheckPlausibleHeader(bytes, file_length, file));
  DecodeFootprint footprint;
  footprint.file_bytes = file_length;
  if (SniffFileKind(bytes) != FileKind::Jpeg) {
    VR_TRY_ASSIGN(footprint.info, ReadImageInfo(bytes, file));
    if (footprint.info.kind == FileKind::Tiff) footprint.chunk_bytes = TiffChunkBytes(bytes);
    footprint.codec_bytes = CodecWorkingBytes(footprint.info);
    footprint.rows_stream = RowsStream(bytes);
    if (footprint.rows_stream)
      footprint.row_band = footprint.info.kind == FileKind::Tiff ? TiffRowBand(bytes) : 1;
    return footprint;
  }
  // Read by hand rather than through the decoder: this runs for every row
  // and needs no decoder state.
  const std::optional<JpegFrame> frame = ReadJpegFrame(bytes);
  if (!frame) return Status::Fail("Invalid JPEG: no frame header near the start of " + file);
  footprint.info.kind = FileKind::Jpeg;
  footprint.info.height = frame->height;
  footprint.info.width = frame->width;
  footprint.info.orientation = ReadJpegOrientation(bytes);
  footprint.progressive = frame->progressive;
  if (frame->progressive) footprint.coefficient_bytes = frame->blocks * kBlockBytes;
  return footprint;
}

Expected<DecodeFootprint> ReadDecodeFootprintFromFile(const std::string& path) {
  VR_TRY_ASSIGN(HeaderBytes header, ReadHeaderBytes(path));
  Expected<DecodeFootprint> footprint = ReadDecodeFootprint(header.bytes, header.file_length, path);
  // The libraries of the newer formats read their headers from whole files
  // only (a HEIF's item boxes may also lie behind its pixels).
  const FileKind kind = SniffFileKind(header.bytes);
  const bool whole_file_header =
      kind == FileKind::Webp || kind == FileKind::Avif || kind == FileKind::Jxl || kind == FileKind::Heif;
  if (!footprint && whole_file_header && header.file_length > header.bytes.size()) {
    VR_TRY(ReadWholeFileInto(path, header.bytes));
    footprint = ReadDecodeFootprint(header.bytes, header.file_length, path);
  }
  return footprint;
}

namespace {

// What a decode streaming its rows into a shrink to the stored-axis target holds.
std::uint64_t StreamedBytes(const DecodeFootprint& footprint, Sides stored) {
  const ImageInfo& info = footprint.info;
  const std::uint64_t width = static_cast<std::uint64_t>(info.width);
  const std::uint64_t thumbnail = std::uint64_t{4} * static_cast<std::uint64_t>(stored.width) * stored.height;
  const SourceBox whole{0, 0, static_cast<double>(info.width), static_cast<double>(info.height)};
  std::uint64_t decoder = width * 4 * static_cast<std::uint64_t>(std::max(footprint.row_band, 1));
  // libpng's current and previous stored rows (16-bit RGBA at most) and
  // zlib's state with its window; giflib's line of indices and its tables.
  if (info.kind == FileKind::Png) decoder += 2 * (width * 8 + 1) + kInflateBytes;
  if (info.kind == FileKind::Gif) decoder += width + kLzwBytes;
  return 2 * thumbnail + RowShrinker::BytesFor(info.width, info.height, whole, stored.width, stored.height) +
         decoder + footprint.chunk_bytes;
}

}  // namespace

std::uint64_t DecodeBytes(const DecodeFootprint& footprint, int target_width, int target_height) {
  const ImageInfo& info = footprint.info;
  if (footprint.rows_stream && target_width > 0 && target_height > 0) {
    const Sides stored = OrientedSides(target_width, target_height, info.orientation);
    if (ShrinksWhileDecoding(info.width, info.height, stored.width, stored.height))
      return StreamedBytes(footprint, stored);
  }
  int denominator = 1;
  if (info.kind == FileKind::Jpeg && target_width > 0 && target_height > 0) {
    // The engine shrinks on the stored axes.
    const Sides stored = OrientedSides(target_width, target_height, info.orientation);
    denominator = JpegScaleDenominator(info.width, info.height, stored.width, stored.height);
  }
  const std::uint64_t pixels = CeilDiv(static_cast<std::uint64_t>(std::max(info.width, 0)), denominator) *
                               CeilDiv(static_cast<std::uint64_t>(std::max(info.height, 0)), denominator);
  return pixels * 4 + footprint.coefficient_bytes + footprint.chunk_bytes + footprint.codec_bytes;
}

}  // namespace vr
