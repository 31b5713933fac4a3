// The pictures directly inside a folder, in the order Add from Folder lists
// them: every ".bmp", then every ".jpg", then every ".png" (extensions
// matched without regard to case), by name within one extension. Only
// regular files count: a sub-folder named like a picture is passed over, and
// nothing below the folder itself is looked at.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

Expected<std::vector<std::string>> ScanPictureFolder(const std::string& folder);

}  // namespace vr
