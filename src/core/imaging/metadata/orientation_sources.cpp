#include "imaging/metadata/orientation_sources.h"

#include <algorithm>
#include <array>
#include <string>

#include "imaging/codecs/exif_orientation.h"
#include "imaging/metadata/jpeg_segments.h"
#include "imaging/metadata/png_chunks.h"
#include "imaging/metadata/xmp_packet.h"

namespace vr {
namespace {

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::array<std::uint8_t, 6> kExifPrefix = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::string_view kXmpPrefix{"http://ns.adobe.com/xap/1.0/\0", 29};

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::optional<int> InRange(std::optional<int> value) {
  return value && *value >= 1 && *value <= 8 ? value : std::nullopt;
}

}  // namespace

int DecideOrientation(std::optional<int> exif, std::optional<int> xmp) {
  return InRange(exif).value_or(InRange(xmp).value_or(1));
}

std::span<const std::uint8_t> ExifOfRawProfile(std::span<const std::uint8_t> profile) {
  return StartsWith(profile, kExifPrefix) ? profile.subspan(kExifPrefix.size()) : profile;
}

bool IsRawExifProfileKeyword(std::string_view keyword) {
  return keyword == "Raw profile type exif" || keyword == "Raw profile type APP1";
}

int ReadJpegOrientation(std::span<const std::uint8_t> jpeg) {
  std::optional<int> exif, xmp;
  for (const JpegSegment& segment : JpegHeaderSegments(jpeg)) {
    if (segment.marker != kApp1) continue;
    if (!exif && StartsWith(segment.payload, kExifPrefix))
      exif = FindTiffOrientation(segment.payload.subspan(kExifPrefix.size()));
    else if (!xmp && StartsWith(segment.payload, AsBytes(kXmpPrefix)))
      xmp = FindXmpOrientation(AsText(segment.payload.subspan(kXmpPrefix.size())));
  }
  return DecideOrientation(exif, xmp);
}

int ReadPngOrientation(std::span<const std::uint8_t> png) {
  std::optional<int> exif, xmp;
  for (const PngChunk& chunk : PngMetadataChunks(png)) {
    if (chunk.type == "eXIf") {
      if (!exif) exif = FindTiffOrientation(chunk.data);
      continue;
    }
    // Only the chunks that can hold an orientation are inflated.
    const std::string_view keyword = PngTextKeyword(chunk);
    if (!exif && IsRawExifProfileKeyword(keyword)) {
      if (const std::optional<std::string> text = PngTextValue(chunk))
        if (const auto profile = DecodeRawProfile(*text))
          exif = FindTiffOrientation(ExifOfRawProfile(*profile));
    } else if (!xmp && keyword == kPngXmpKeyword) {
      if (const std::optional<std::string> text = PngTextValue(chunk)) xmp = FindXmpOrientation(*text);
    }
  }
  return DecideOrientation(exif, xmp);
}

}  // namespace vr
