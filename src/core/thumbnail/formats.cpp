#include "thumbnail/formats.h"

#include <array>
#include <string_view>

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

std::int32_t GetInputFormat(const std::string& szFileName) {
  const std::size_t name_start = szFileName.rfind('/');
  const std::string_view name = name_start == std::string::npos
                                    ? std::string_view(szFileName)
                                    : std::string_view(szFileName).substr(name_start + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return kFormatUnknown;

  std::string extension(name.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

  struct Entry {
    std::string_view extension;
    std::int32_t code;
  };
  constexpr std::array<Entry, 7> kTable = {{{"bmp", kFormatBmp},
                                            {"gif", kFormatGif},
                                            {"jpg", kFormatJpeg},
                                            {"jpeg", kFormatJpeg},
                                            {"png", kFormatPng},
                                            {"tif", kFormatTiff},
                                            {"tiff", kFormatTiff}}};
  for (const Entry& entry : kTable)
    if (entry.extension == extension) return entry.code;
  return kFormatUnknown;
}

}  // namespace vr
