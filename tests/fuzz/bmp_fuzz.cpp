// libFuzzer entry for the BMP reader: header facts, then a full decode.
// Whatever the bytes, both must return (a value or a failure) without
// touching memory they do not own, and agree on the size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/codecs/bmp_codec.h"
#include "streamed_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadBmpInfo(bytes, "fuzz.bmp");
  // A few bytes of RLE may rightly claim a picture up to the engine's limit
  // (1 GiB); clearing that much only slows the search, and the code paths
  // do not depend on the size, so huge claims stop at the header.
  constexpr std::int64_t kFuzzMaxPixels = std::int64_t{4096} * 4096;
  if (info.ok() && std::int64_t{info->width} * info->height > kFuzzMaxPixels) return 0;
  vr::Image image;
  vr::Expected<vr::DecodeResult> decoded = vr::DecodeBmp(bytes, "fuzz.bmp", image);
  if (decoded.ok()) {
    // A decode without a readable header would be a reader bug.
    if (!info.ok() || info->width != image.width || info->height != image.height ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
      std::abort();
    if (vr::BmpRowsStream(bytes))
      vr::fuzz::CheckStreamedRows(
          image, [&](const vr::RowSink& sink) { return vr::DecodeBmpRows(bytes, "fuzz.bmp", sink).ok(); });
  }
  return 0;
}
