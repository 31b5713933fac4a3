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
#include "imaging/metadata/orientation_sources.h"
#include "imaging/ops/row_shrinker.h"

namespace vr {
namespace {

constexpr std::uint64_t kBlockBytes = 64 * 2;
// Frame headers sit behind the metadata, which rarely runs longer.
constexpr std::size_t kHeaderBytes = 128 * 1024;

constexpr std::uint64_t kInflateBytes = 64 * 1024;
constexpr std::uint64_t kLzwBytes = 32 * 1024;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

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
  std::vector<std::uint8_t> bytes;
  VR_TRY_ASSIGN(const std::uint64_t length, ReadFileStart(path, kHeaderBytes, bytes));
  // A GIF's canvas spans all its frames, which may lie anywhere in it.
  if (length > bytes.size() && SniffFileKind(bytes) == FileKind::Gif) VR_TRY(ReadWholeFileInto(path, bytes));
  return ReadDecodeFootprint(bytes, length, path);
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
  return pixels * 4 + footprint.coefficient_bytes + footprint.chunk_bytes;
}

}  // namespace vr
