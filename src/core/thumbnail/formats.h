// The format code and extension of a thumbnail (the codes themselves are in
// imaging/format_codes.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "imaging/format_codes.h"

namespace vr {

struct OutputFormat {
  std::int32_t code = kFormatUnknown;
  std::string extension;  // with its dot
  friend bool operator==(const OutputFormat&, const OutputFormat&) = default;
};

// The thumbnail's format for the OUTformat setting (the position in the
// settings dialog's format list): 0 BMP ".bmp", 1 JPEG ".jpg", 2 PNG ".png";
// none for any other value.
std::optional<OutputFormat> GetOutputFormat(std::int32_t out_format);

}  // namespace vr
