#include "imaging/header_bytes.h"

#include "base/file_bytes.h"
#include "imaging/image_info.h"

namespace vr {

Expected<HeaderBytes> ReadHeaderBytes(const std::string& path) {
  HeaderBytes header;
  VR_TRY_ASSIGN(header.file_length, ReadFileStart(path, kHeaderBytes, header.bytes));
  if (!header.whole() && SniffFileKind(header.bytes) == FileKind::Gif)
    VR_TRY(ReadWholeFileInto(path, header.bytes));
  return header;
}

}  // namespace vr
