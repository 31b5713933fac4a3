// Measuring a picture file on disk without decoding it, for the image list:
// adding a folder of large photos must stay quick.
#pragma once

#include <string>

#include "base/status.h"
#include "imaging/image_info.h"

namespace vr {

// The file's kind, sides as stored and orientation (UprightSides gives what
// the list shows), from its header (header_bytes.h); a file whose header
// lies beyond that first read is read again in full.
Expected<ImageInfo> ReadImageInfoFromFile(const std::string& path);

}  // namespace vr
