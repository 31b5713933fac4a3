// libFuzzer entry for the HEIF reader: header, the primary picture and the
// embedded thumbnail a small target picks, and metadata, whatever the
// header said.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/codecs/heif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  vr::Expected<vr::ImageInfo> info = vr::ReadHeifInfo(bytes, "fuzz.heic");
  // Large pictures are legal but only cost the fuzzer time clearing memory.
  if (info.ok() && static_cast<std::int64_t>(info->width) * info->height > (std::int64_t{1} << 24)) return 0;
  for (const int target : {0, 8}) {
    vr::Image image;
    vr::SourceColour colour;
    const vr::Status status = vr::DecodeHeif(bytes, "fuzz.heic", target, target, image, colour);
    if (status.ok() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
      __builtin_trap();
  }
  (void)vr::ReadHeifMetadata(bytes);
  return 0;
}
