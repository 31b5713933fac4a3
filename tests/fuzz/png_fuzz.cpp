// libFuzzer entry for the PNG reader: the header reader, then a full decode
// whatever the header reader said, so the decoder sees every input; then
// the colour chunks and the colour step over what was decoded.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/codecs/png_codec.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/ops/colour_transform.h"
#include "streamed_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadPngInfo(bytes, "fuzz.png");
  // Pictures over 16 megapixels are legal but only cost the fuzzer time
  // clearing memory; the size checks themselves are covered by the tests.
  if (info.ok() && static_cast<std::int64_t>(info->width) * info->height > (std::int64_t{1} << 24)) return 0;
  vr::Image image;
  vr::Status status = vr::DecodePng(bytes, "fuzz.png", image);
  if (status.ok() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    __builtin_trap();
  if (status.ok() && vr::PngRowsStream(bytes))
    vr::fuzz::CheckStreamedRows(
        image, [&](const vr::RowSink& sink) { return vr::DecodePngRows(bytes, "fuzz.png", sink).ok(); });
  static vr::ColourTransforms colour;
  static std::vector<std::uint8_t> profile;
  const vr::SourceColour chunks = vr::ReadPngColour(bytes);
  if (chunks.icc.size() > vr::kMaxIccProfileBytes) __builtin_trap();
  if (status.ok()) {
    std::vector<std::uint8_t> alpha;
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) alpha.push_back(image.pixels[i]);
    colour.Apply(chunks, size % 2 == 0 ? vr::ColourOutput::kSrgb : vr::ColourOutput::kKeep, image, profile);
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
      if (image.pixels[i] != alpha[i / 4]) __builtin_trap();  // alpha goes through untouched
  }
  return 0;
}
