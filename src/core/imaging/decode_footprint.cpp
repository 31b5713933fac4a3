#include "imaging/decode_footprint.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "base/file_bytes.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jpeg_codec.h"

namespace vr {
namespace {

constexpr std::uint64_t kBlockBytes = 64 * 2;
// Frame headers sit behind the metadata, which rarely runs longer.
constexpr std::size_t kHeaderBytes = 128 * 1024;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

struct Frame {
  std::span<const std::uint8_t> segment;
  bool progressive = false;
};

// The frame header (SOFn) in any of its kinds: baseline, extended,
// progressive, lossless, and their arithmetic-coded twins.
std::optional<Frame> FindFrame(std::span<const std::uint8_t> jpeg) {
  constexpr std::uint8_t kFrames[] = {0xC0, 0xC1, 0xC2, 0xC3, 0xC9, 0xCA, 0xCB};
  for (const std::uint8_t marker : kFrames)
    if (auto segment = FindJpegSegment(jpeg, marker, {}))
      return Frame{*segment, marker == 0xC2 || marker == 0xCA};
  return std::nullopt;
}

// The coefficient buffers of a frame's components; 0 when the header is
// malformed (the decoder will refuse the file on its own).
std::uint64_t CoefficientBytes(std::span<const std::uint8_t> f) {
  // precision, height (2), width (2), components, then 3 bytes per component
  if (f.size() < 6) return 0;
  const std::uint64_t height = static_cast<std::uint64_t>(f[1]) << 8 | f[2];
  const std::uint64_t width = static_cast<std::uint64_t>(f[3]) << 8 | f[4];
  const std::size_t components = f[5];
  if (components == 0 || f.size() < 6 + 3 * components) return 0;
  auto h_of = [&](std::size_t c) { return std::max(1, f[7 + 3 * c] >> 4); };
  auto v_of = [&](std::size_t c) { return std::max(1, f[7 + 3 * c] & 15); };
  int h_max = 1, v_max = 1;
  for (std::size_t c = 0; c < components; ++c) {
    h_max = std::max(h_max, h_of(c));
    v_max = std::max(v_max, v_of(c));
  }
  std::uint64_t total = 0;
  for (std::size_t c = 0; c < components; ++c) {
    const std::uint64_t h = h_of(c), v = v_of(c);
    // The component's blocks, rounded up to whole MCUs.
    const std::uint64_t columns = CeilDiv(CeilDiv(width * h, 8 * h_max), h) * h;
    const std::uint64_t rows = CeilDiv(CeilDiv(height * v, 8 * v_max), v) * v;
    total += columns * rows * kBlockBytes;
  }
  return total;
}

}  // namespace

Expected<DecodeFootprint> ReadDecodeFootprint(std::span<const std::uint8_t> bytes, const std::string& file) {
  DecodeFootprint footprint;
  if (SniffFileKind(bytes) != FileKind::Jpeg) {
    Expected<ImageInfo> info = ReadImageInfo(bytes, file);
    if (!info) return info.status();
    footprint.info = *info;
    return footprint;
  }
  // Read by hand rather than through the decoder: this runs for every row
  // and needs no decoder state.
  const std::optional<Frame> frame = FindFrame(bytes);
  if (!frame || frame->segment.size() < 6)
    return Status::Fail("Invalid JPEG: no frame header near the start of " + file);
  const std::span<const std::uint8_t> f = frame->segment;
  footprint.info.kind = FileKind::Jpeg;
  footprint.info.height = f[1] << 8 | f[2];
  footprint.info.width = f[3] << 8 | f[4];
  footprint.info.orientation = ReadExifOrientation(bytes);
  footprint.progressive = frame->progressive;
  if (frame->progressive) footprint.coefficient_bytes = CoefficientBytes(f);
  return footprint;
}

Expected<DecodeFootprint> ReadDecodeFootprintFromFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  Expected<std::uint64_t> length = ReadFileStart(path, kHeaderBytes, bytes);
  if (!length) return length.status();
  // A GIF's canvas spans all its frames, which may lie anywhere in it.
  if (*length > bytes.size() && SniffFileKind(bytes) == FileKind::Gif) {
    if (Status whole = ReadWholeFileInto(path, bytes); !whole.ok()) return whole;
  }
  return ReadDecodeFootprint(bytes, path);
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
  return pixels * 4 + footprint.coefficient_bytes;
}

}  // namespace vr
