#include "imaging/image_probe.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/file_bytes.h"
#include "imaging/codec_dispatch.h"

namespace vr {

Expected<ImageInfo> ReadImageInfoFromFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  VR_TRY_ASSIGN(const std::uint64_t length, ReadFileStart(path, kProbeBytes, bytes));

  Expected<ImageInfo> info = ReadImageInfo(bytes, path);
  if (!info && length > bytes.size() && SniffFileKind(bytes) != FileKind::Unknown) {
    // The header facts lie further in than the first part read.
    VR_TRY(ReadWholeFileInto(path, bytes));
    info = ReadImageInfo(bytes, path);
  }
  if (!info) return info;

  ImageInfo upright = *info;
  const Sides sides = UprightSides(*info);
  upright.width = sides.width;
  upright.height = sides.height;
  return upright;
}

}  // namespace vr
