// libFuzzer entry for the TIFF reader: the header reader, then a full decode
// whatever the header reader said, so the decoder sees every input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/codecs/tiff_codec.h"
#include "imaging/ops/colour_transform.h"
#include "streamed_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadTiffInfo(bytes, "fuzz.tiff");
  // Pictures over 16 megapixels are legal but only cost the fuzzer time
  // clearing memory; the size checks themselves are covered by the tests.
  if (info.ok() && static_cast<std::int64_t>(info->width) * info->height > (std::int64_t{1} << 24)) return 0;
  vr::Image image;
  vr::SourceColour colour;
  static vr::ColourTransforms transforms;
  vr::Status status = vr::DecodeTiff(bytes, "fuzz.tiff", image, &colour, &transforms);
  if (status.ok() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    __builtin_trap();
  if (status.ok() && vr::TiffRowsStream(bytes))
    vr::fuzz::CheckStreamedRows(
        image, [&](const vr::RowSink& sink) { return vr::DecodeTiffRows(bytes, "fuzz.tiff", sink).ok(); });
  if (status.ok()) {
    std::vector<std::uint8_t> profile;
    transforms.Apply(colour, vr::ColourOutput::kSrgb, image, profile);
  }
  return 0;
}
