#include "thumbnail/formats.h"

namespace vr {

std::optional<OutputFormat> GetOutputFormat(std::int32_t out_format) {
  switch (out_format) {
    case 0:
      return OutputFormat{kFormatBmp, ".bmp"};
    case 1:
      return OutputFormat{kFormatJpeg, ".jpg"};
    case 2:
      return OutputFormat{kFormatPng, ".png"};
    default:
      return std::nullopt;
  }
}

}  // namespace vr
