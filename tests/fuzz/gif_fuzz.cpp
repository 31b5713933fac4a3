// libFuzzer entry for the GIF reader: the header reader, then a full decode
// whatever the header reader said, so the decoder sees every input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/codecs/gif_codec.h"
#include "streamed_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadGifInfo(bytes, "fuzz.gif");
  // Pictures over 16 megapixels are legal but only cost the fuzzer time
  // clearing memory; the size checks themselves are covered by the tests.
  if (info.ok() && static_cast<std::int64_t>(info->width) * info->height > (std::int64_t{1} << 24)) return 0;
  vr::Image image;
  vr::Status status = vr::DecodeGif(bytes, "fuzz.gif", image);
  if (status.ok() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    __builtin_trap();
  if (status.ok() && vr::GifRowsStream(bytes))
    vr::fuzz::CheckStreamedRows(
        image, [&](const vr::RowSink& sink) { return vr::DecodeGifRows(bytes, "fuzz.gif", sink).ok(); });
  return 0;
}
