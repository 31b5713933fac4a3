// Measuring a picture file on disk without decoding it, for the image list:
// adding a folder of large photos must stay quick.
#pragma once

#include <string>

#include "base/status.h"
#include "imaging/image_info.h"

namespace vr {

// How much of a file the probe reads first. Headers almost always fit; a
// JPEG whose frame header sits behind large metadata, or a TIFF whose
// directory is at the end, is read again in full.
inline constexpr std::size_t kProbeBytes = 256 * 1024;

// The file's kind and orientation, with width and height already UPRIGHT
// (swapped for orientations 5..8), which is what the list shows.
Expected<ImageInfo> ReadImageInfoFromFile(const std::string& path);

}  // namespace vr
