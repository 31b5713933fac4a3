#include "imaging/codecs/embedded_facts.h"

#include <algorithm>
#include <array>
#include <optional>

namespace vr {
namespace {

// H.273 code points this file tells apart.
constexpr int kPrimariesBt709 = 1;
constexpr int kPrimariesUnspecified = 2;
constexpr int kTransferBt709 = 1;
constexpr int kTransferUnspecified = 2;
constexpr int kTransferGamma22 = 4;
constexpr int kTransferGamma28 = 5;
constexpr int kTransferBt601 = 6;
constexpr int kTransferLinear = 8;
constexpr int kTransferSrgb = 13;
constexpr int kTransferBt2020Ten = 14;
constexpr int kTransferBt2020Twelve = 15;
constexpr int kTransferPq = 16;
constexpr int kTransferHlg = 18;

using Chromaticities = std::array<std::uint32_t, 8>;  // white, red, green, blue x and y, 1/100000

std::optional<Chromaticities> PrimariesOf(int code) {
  switch (code) {
    case 4:  // BT.470 M, illuminant C
      return Chromaticities{31006, 31616, 67000, 33000, 21000, 71000, 14000, 8000};
    case 5:  // BT.470 B/G
      return Chromaticities{31270, 32900, 64000, 33000, 29000, 60000, 15000, 6000};
    case 6:  // BT.601 525 lines
    case 7:  // SMPTE 240
      return Chromaticities{31270, 32900, 63000, 34000, 31000, 59500, 15500, 7000};
    case 9:  // BT.2020
      return Chromaticities{31270, 32900, 70800, 29200, 17000, 79700, 13100, 4600};
    case 11:  // DCI-P3, its own white
      return Chromaticities{31400, 35100, 68000, 32000, 26500, 69000, 15000, 6000};
    case 12:  // Display P3
      return Chromaticities{31270, 32900, 68000, 32000, 26500, 69000, 15000, 6000};
    default:
      return std::nullopt;
  }
}

bool SrgbLikeTransfer(int code) {
  return code == kTransferSrgb || code == kTransferUnspecified || code == kTransferBt709 ||
         code == kTransferBt601 || code == kTransferBt2020Ten || code == kTransferBt2020Twelve;
}

bool IsTiffHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8) return false;
  return (bytes[0] == 'I' && bytes[1] == 'I' && bytes[2] == 42 && bytes[3] == 0) ||
         (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && bytes[3] == 42);
}

}  // namespace

SourceColour ColourFromCodePoints(int primaries, int transfer) {
  SourceColour colour;
  if (transfer == kTransferPq || transfer == kTransferHlg) return colour;
  const bool srgb_primaries = primaries == kPrimariesBt709 || primaries == kPrimariesUnspecified;
  if (srgb_primaries && SrgbLikeTransfer(transfer)) return colour;
  const std::optional<Chromaticities> named = PrimariesOf(primaries);
  // Primaries we cannot name are taken as sRGB's rather than guessed.
  if (!srgb_primaries && named) colour.chromaticities = *named;
  // PNG's gAMA convention: the encoding exponent in 1/100000.
  if (transfer == kTransferLinear) colour.gamma = 100000;
  if (transfer == kTransferGamma22) colour.gamma = 45455;
  if (transfer == kTransferGamma28) colour.gamma = 35714;
  return colour;
}

std::vector<std::uint8_t> TiffStructuredExif(std::span<const std::uint8_t> payload) {
  constexpr std::array<std::uint8_t, 6> kExifPrefix = {'E', 'x', 'i', 'f', 0, 0};
  std::span<const std::uint8_t> block;
  if (IsTiffHeader(payload)) {
    block = payload;
  } else if (payload.size() > kExifPrefix.size() &&
             std::equal(kExifPrefix.begin(), kExifPrefix.end(), payload.begin())) {
    block = payload.subspan(kExifPrefix.size());
  } else if (payload.size() >= 4) {
    const std::uint64_t offset = std::uint64_t{payload[0]} << 24 | std::uint64_t{payload[1]} << 16 |
                                 std::uint64_t{payload[2]} << 8 | payload[3];
    if (offset <= payload.size() - 4) {
      block = payload.subspan(4 + offset);
      // The offset usually skips "Exif\0\0" itself.
      if (!IsTiffHeader(block)) block = {};
    }
  }
  if (!IsTiffHeader(block)) return {};
  return {block.begin(), block.end()};
}

}  // namespace vr
