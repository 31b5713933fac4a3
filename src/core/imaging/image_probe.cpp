#include "imaging/image_probe.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/file_bytes.h"
#include "imaging/codec_dispatch.h"

namespace vr {

Expected<ImageInfo> ReadImageInfoFromFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  Expected<std::uint64_t> length = ReadFileStart(path, kProbeBytes, bytes);
  if (!length) return length.status();

  Expected<ImageInfo> info = ReadImageInfo(bytes, path);
  if (!info && *length > bytes.size() && SniffFileKind(bytes) != FileKind::Unknown) {
    // The header facts lie further in than the first part read.
    if (Status whole = ReadWholeFileInto(path, bytes); !whole.ok()) return whole;
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
