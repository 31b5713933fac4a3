#include "thumbnail/formats.h"

#include <algorithm>
#include <cctype>

namespace vr {
namespace {

constexpr std::array<OutputFormat, 6> kOutputFormats = {{
    {"bmp", 0, kFormatBmp, ".bmp", "", {}},
    {"jpeg", 1, kFormatJpeg, ".jpg", "JPEGquality", {}},
    {"png", 2, kFormatPng, ".png", "", {}},
    {"webp", 3, kFormatWebp, ".webp", "WEBPquality", {"WEBPlossless", ""}},
    {"avif", 4, kFormatAvif, ".avif", "AVIFquality", {"AVIFspeed", ""}},
    {"jxl", 5, kFormatJxl, ".jxl", "JXLquality", {"JXLeffort", ""}},
}};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const OutputFormat> OutputFormats() { return kOutputFormats; }

std::optional<OutputFormat> GetOutputFormat(std::int32_t out_format) {
  for (const OutputFormat& format : kOutputFormats)
    if (format.out_format == out_format) return format;
  return std::nullopt;
}

const OutputFormat* OutputFormatNamed(std::string_view name) {
  if (SameIgnoringCase(name, "jpg")) name = "jpeg";
  for (const OutputFormat& format : kOutputFormats)
    if (SameIgnoringCase(format.name, name)) return &format;
  return nullptr;
}

EncodeOptions EncodeOptionsFrom(const SettingsRecord& s) {
  EncodeOptions options;
  options.webp.quality = std::clamp(s.WEBPquality, 0, 100);
  options.webp.lossless = s.WEBPlossless != 0;
  options.avif.quality = std::clamp(s.AVIFquality, 0, 100);
  options.avif.speed = std::clamp(s.AVIFspeed, 0, 10);
  options.jxl.quality = std::clamp(s.JXLquality, 0, 100);
  options.jxl.effort = std::clamp(s.JXLeffort, 1, 9);
  return options;
}

}  // namespace vr
