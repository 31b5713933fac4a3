// libFuzzer entry for the WebP reader: header, full and scaled decode (an
// animation's first frame), chunks and metadata, whatever the header said.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/codecs/webp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadWebpInfo(bytes, "fuzz.webp");
  // Large pictures are legal but only cost the fuzzer time clearing memory.
  if (info.ok() && static_cast<std::int64_t>(info->width) * info->height > (std::int64_t{1} << 24)) return 0;
  for (const int target : {0, 7}) {
    vr::Image image;
    vr::SourceColour colour;
    const vr::Status status = vr::DecodeWebp(bytes, "fuzz.webp", target, target, image, colour);
    if (status.ok() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
      __builtin_trap();
    if (colour.icc.size() > vr::kMaxIccProfileBytes) __builtin_trap();
  }
  (void)vr::ReadWebpMetadata(bytes);
  return 0;
}
