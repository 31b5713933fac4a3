// The format code and extension of a thumbnail (the codes themselves are in
// imaging/format_codes.h).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/format_codes.h"

namespace vr {

// The thumbnail's code and extension for the OUTformat setting (the position
// in the settings dialog's format list): 0 BMP ".bmp", 1 JPEG ".jpg", 2 PNG
// ".png". Any other value leaves both outputs as they were.
void GetOutputFormat(std::int32_t out_format, std::int32_t& lFormat, std::string& szExtension);

}  // namespace vr
