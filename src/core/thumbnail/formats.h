// The format codes for a thumbnail and for a source file (the codes
// themselves are in imaging/format_codes.h).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/format_codes.h"

namespace vr {

// The thumbnail's code and extension for the OUTformat setting (the position
// in the settings dialog's format list): 0 BMP ".bmp", 1 JPEG ".jpg", 2 PNG
// ".png". Any other value leaves both outputs as they were.
void GetOutputFormat(std::int32_t out_format, std::int32_t& lFormat, std::string& szExtension);

// The code for a source file from its extension: the text after the last dot
// of the file name, compared without regard to case. No dot, or an extension
// not in the table, gives 0. Only the part after the last "/" is looked at,
// so a dot in a folder name never counts as an extension.
std::int32_t GetInputFormat(const std::string& szFileName);

}  // namespace vr
