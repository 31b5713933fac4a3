#include "imaging/codecs/jpeg_header_check.h"

#include <algorithm>

#include "imaging/codecs/exif_orientation.h"
#include "imaging/limits.h"

namespace vr {
namespace {

// Every Huffman code is at least one bit, and every block's DC coefficient
// needs one in a sequential scan and in a progressive file's first DC scan.
// So an honest file holds at least one bit a block: 8 blocks a byte. The
// encoders' own best, a picture of one flat colour, is 4 blocks a byte
// (progressive, with a refinement scan) and 1.3 to 1.7 (baseline); real
// photographs stay under 1. A file whose frame has more than 64 blocks for
// each of its bytes is none of these, whatever it claims.
constexpr std::uint64_t kMaxHuffmanBlocksPerByte = 64;
// Arithmetic coding adapts until a flat picture costs well under a bit a
// block, so only a far looser bound holds; such files are rare.
constexpr std::uint64_t kMaxArithmeticBlocksPerByte = 4096;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

// The blocks of a frame header's components: precision, height (2), width
// (2), the component count, then 3 bytes a component, whose second holds
// its horizontal and vertical sampling factors.
std::uint64_t BlocksOf(std::span<const std::uint8_t> f) {
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
    total += columns * rows;
  }
  return total;
}

}  // namespace

std::optional<JpegFrame> ReadJpegFrame(std::span<const std::uint8_t> jpeg) {
  // Baseline, extended, progressive, lossless, and their arithmetic twins.
  constexpr std::uint8_t kFrames[] = {0xC0, 0xC1, 0xC2, 0xC3, 0xC9, 0xCA, 0xCB};
  for (const std::uint8_t marker : kFrames) {
    const auto segment = FindJpegSegment(jpeg, marker, {});
    if (!segment || segment->size() < 6) continue;
    const std::span<const std::uint8_t> f = *segment;
    JpegFrame frame;
    frame.height = f[1] << 8 | f[2];
    frame.width = f[3] << 8 | f[4];
    frame.progressive = marker == 0xC2 || marker == 0xCA;
    frame.arithmetic = marker >= 0xC9;
    frame.blocks = BlocksOf(f);
    return frame;
  }
  return std::nullopt;
}

Status CheckJpegFrame(const JpegFrame& frame, std::uint64_t file_length, const std::string& file) {
  const std::uint64_t per_byte = frame.arithmetic ? kMaxArithmeticBlocksPerByte : kMaxHuffmanBlocksPerByte;
  if (frame.blocks <= file_length * per_byte) return Status::Ok();
  return ImplausibleSize("JPEG", "picture", frame.width, frame.height, file_length, file);
}

Status CheckJpegFileLength(std::span<const std::uint8_t> jpeg, std::uint64_t file_length,
                           const std::string& file) {
  const std::optional<JpegFrame> frame = ReadJpegFrame(jpeg);
  return frame ? CheckJpegFrame(*frame, file_length, file) : Status::Ok();
}

}  // namespace vr
