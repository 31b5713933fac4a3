// Reading the colour facts a picture file carries, straight from its bytes:
// the ICC profile of a JPEG (APP2 "ICC_PROFILE" chain) and of a PNG (iCCP),
// and PNG's other colour chunks (sRGB, gAMA, cHRM). No colour library is
// involved here: the bytes are only found, checked for form and joined;
// ops/colour_transform judges and uses them. Every read is bounds-checked:
// these bytes come from arbitrary files. A TIFF's profile is a tag, which
// the TIFF codec reads through libtiff.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vr {

// The largest profile read or written: a JPEG chain holds at most 255
// chunks of 65519 bytes, and no honest profile comes near this.
inline constexpr std::size_t kMaxIccProfileBytes = std::size_t{16} << 20;

// What the stored samples are before any conversion.
enum class ColourModel { kRgb, kGray, kCmyk, kLab };

// What a decoded picture's file says about its colours; filled by the
// decoders, read by the engine's colour step.
struct SourceColour {
  ColourModel model = ColourModel::kRgb;
  std::vector<std::uint8_t> icc;  // the embedded profile as stored; empty: none
  // PNG only, used when there is no iCCP: an sRGB chunk, else gAMA and cHRM
  // (each in hundred-thousandths, cHRM as white x, y, red x, y, green x, y,
  // blue x, y).
  bool srgb = false;
  std::optional<std::uint32_t> gamma;
  std::optional<std::array<std::uint32_t, 8>> chromaticities;
  // The decoder has already turned the samples into sRGB with the profile
  // (CMYK and L*a*b* pictures): nothing is left to do.
  bool converted = false;

  bool Tagged() const { return !icc.empty() || srgb || gamma || chromaticities; }
};

// The profile of a JPEG from its APP2 "ICC_PROFILE\0" segments, joined in
// their sequence order. Empty when there is none, and when the chain is not
// whole and consistent: chunks that disagree on their count, a sequence
// number of 0, above the count or given twice, a missing chunk. A damaged
// chain is thus the same as no profile.
std::vector<std::uint8_t> ReadJpegIccProfile(std::span<const std::uint8_t> jpeg);

// The colour chunks of a PNG before its first IDAT: iCCP inflated (at most
// kMaxIccProfileBytes; a chunk that does not inflate whole is dropped), sRGB,
// gAMA, cHRM. A chunk whose CRC is wrong is dropped, as libpng drops a
// damaged ancillary chunk. `model` is kGray for the grey colour types.
// Bytes that are not a PNG give an untagged kRgb.
SourceColour ReadPngColour(std::span<const std::uint8_t> png);

}  // namespace vr
