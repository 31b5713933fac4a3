// Feeds arbitrary bytes to the JPEG codec the way the engine does: header
// first, then decodes at a few target sizes with one reused codec, as a
// worker would from picture to picture, each decode's colours through the
// colour step (the file's ICC chain) in both modes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/codecs/jpeg_codec.h"
#include "imaging/ops/colour_transform.h"

namespace {

// Pictures the engine accepts may still be far larger than the fuzzer's
// memory budget; their decode is no different from a smaller one's.
constexpr std::int64_t kFuzzMaxPixels = std::int64_t{4096} * 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vr::JpegCodec codec;
  static vr::ColourTransforms colour;
  static std::vector<std::uint8_t> profile;
  static vr::Image picture;
  static std::vector<std::uint8_t> encoded;
  const std::span<const std::uint8_t> bytes(data, size);

  vr::Expected<vr::ImageInfo> info = codec.ReadInfo(bytes, "fuzz.jpg");
  if (!info) return 0;
  if (info->orientation < 1 || info->orientation > 8) __builtin_trap();
  if (std::int64_t{info->width} * info->height > kFuzzMaxPixels) return 0;

  static constexpr int kTargets[][2] = {{0, 0}, {1, 1}, {64, 48}, {300, 200}};
  for (const auto& target : kTargets) {
    vr::Expected<vr::DecodeResult> result =
        codec.Decode(bytes, "fuzz.jpg", target[0], target[1], picture, &colour);
    if (!result) {
      if (!picture.empty()) __builtin_trap();  // a failure leaves no picture behind
      continue;
    }
    if (picture.pixels.size() != picture.stride() * static_cast<std::size_t>(picture.height))
      __builtin_trap();
    if (picture.HasTransparency()) __builtin_trap();  // JPEG output is always opaque
    const vr::ColourOutput output = target[0] % 2 == 0 ? vr::ColourOutput::kSrgb : vr::ColourOutput::kKeep;
    colour.Apply(result->colour, output, picture, profile);
    if (picture.HasTransparency()) __builtin_trap();  // alpha goes through untouched
    if (!profile.empty() && profile.size() > result->colour.icc.size()) __builtin_trap();
  }
  // The decoded picture must encode again.
  if (!picture.empty() && std::int64_t{picture.width} * picture.height <= 512 * 512) {
    if (!codec.Encode(picture, 50, encoded, "fuzz.jpg").ok()) __builtin_trap();
  }
  return 0;
}
