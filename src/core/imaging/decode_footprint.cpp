#include "imaging/decode_footprint.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/codec_dispatch.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_header_check.h"
#include "imaging/codecs/tiff_codec.h"
#include "imaging/header_bytes.h"
#include "imaging/metadata/orientation_sources.h"

namespace vr {
namespace {

constexpr std::uint64_t kBlockBytes = 64 * 2;

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
  VR_TRY_ASSIGN(const HeaderBytes header, ReadHeaderBytes(path));
  return ReadDecodeFootprint(header.bytes, header.file_length, path);
}

std::uint64_t DecodeBytes(const DecodeFootprint& footprint, int target_width, int target_height) {
  const ImageInfo& info = footprint.info;
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
