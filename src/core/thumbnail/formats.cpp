#include "thumbnail/formats.h"

namespace vr {

void GetOutputFormat(std::int32_t out_format, std::int32_t& lFormat, std::string& szExtension) {
  switch (out_format) {
    case 0:
      lFormat = kFormatBmp;
      szExtension = ".bmp";
      break;
    case 1:
      lFormat = kFormatJpeg;
      szExtension = ".jpg";
      break;
    case 2:
      lFormat = kFormatPng;
      szExtension = ".png";
      break;
    default:
      break;  // unknown setting: the caller's values stay
  }
}

}  // namespace vr
