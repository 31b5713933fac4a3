#include "imaging/image_probe.h"

#include "base/file_bytes.h"
#include "imaging/codec_dispatch.h"
#include "imaging/header_bytes.h"

namespace vr {

Expected<ImageInfo> ReadImageInfoFromFile(const std::string& path) {
  VR_TRY_ASSIGN(HeaderBytes header, ReadHeaderBytes(path));
  Expected<ImageInfo> info = ReadImageInfo(header.bytes, path);
  if (!info && !header.whole() && SniffFileKind(header.bytes) != FileKind::Unknown) {
    // The header facts lie further in than the first part read.
    VR_TRY(ReadWholeFileInto(path, header.bytes));
    info = ReadImageInfo(header.bytes, path);
  }
  return info;
}

}  // namespace vr
