// libFuzzer entry for the JPEG XL reader: header, decode and boxes,
// whatever the header said.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/codecs/jxl_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadJxlInfo(bytes, "fuzz.jxl");
  if (info.ok() && (info->orientation < 1 || info->orientation > 8)) __builtin_trap();
  // Large pictures are legal but only cost the fuzzer time clearing memory.
  if (info.ok() && static_cast<std::int64_t>(info->width) * info->height > (std::int64_t{1} << 24)) return 0;
  vr::Image image;
  vr::SourceColour colour;
  const vr::Status status = vr::DecodeJxl(bytes, "fuzz.jxl", image, colour);
  if (status.ok() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    __builtin_trap();
  (void)vr::ReadJxlMetadata(bytes);
  return 0;
}
