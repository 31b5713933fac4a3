#include "imaging/metadata/metadata_reader.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "imaging/codecs/newer_codecs.h"
#include "imaging/codecs/webp_codec.h"
#include "imaging/image_info.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/metadata/jpeg_segments.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/metadata/png_chunks.h"

namespace vr {
namespace {

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp13 = 0xED;
constexpr std::uint8_t kCom = 0xFE;
constexpr std::string_view kExifPrefix{"Exif\0\0", 6};
constexpr std::string_view kXmpPrefix{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kPhotoshopPrefix{"Photoshop 3.0\0", 14};
constexpr std::uint16_t kIptcResource = 0x0404;

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::string AsText(std::span<const std::uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = value << 8 | bytes[at + i];
  return value;
}

// tEXt and zTXt hold Latin-1; comments are carried as UTF-8.
std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | byte >> 6);
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

void ReadJpeg(std::span<const std::uint8_t> jpeg, PictureMetadata& out) {
  std::vector<std::uint8_t> photoshop;
  bool have_xmp = false;
  for (const JpegSegment& segment : JpegHeaderSegments(jpeg)) {
    const std::span<const std::uint8_t> payload = segment.payload;
    if (segment.marker == kApp1 && out.exif.empty() && StartsWith(payload, kExifPrefix)) {
      const auto block = payload.subspan(kExifPrefix.size());
      out.exif.assign(block.begin(), block.end());
    } else if (segment.marker == kApp1 && !have_xmp && StartsWith(payload, kXmpPrefix)) {
      out.xmp = AsText(payload.subspan(kXmpPrefix.size()));
      have_xmp = true;
    } else if (segment.marker == kApp13 && StartsWith(payload, kPhotoshopPrefix)) {
      // Resources too long for one segment continue in the next.
      const auto part = payload.subspan(kPhotoshopPrefix.size());
      photoshop.insert(photoshop.end(), part.begin(), part.end());
    } else if (segment.marker == kCom) {
      out.comments.push_back(AsText(payload));
    }
  }
  out.iptc = IptcResources(photoshop);
}

void ReadPng(std::span<const std::uint8_t> png, PictureMetadata& out) {
  std::vector<std::uint8_t> raw_exif;
  bool have_xmp = false;
  for (const PngChunk& chunk : PngMetadataChunks(png)) {
    if (chunk.type == "eXIf") {
      if (out.exif.empty()) out.exif.assign(chunk.data.begin(), chunk.data.end());
      continue;
    }
    const std::string_view keyword = PngTextKeyword(chunk);
    const bool wanted = keyword == "Comment" || (keyword == kPngXmpKeyword && !have_xmp) ||
                        (IsRawExifProfileKeyword(keyword) && raw_exif.empty());
    if (!wanted) continue;
    const std::optional<std::string> text = PngTextValue(chunk);
    if (!text) continue;
    if (keyword == "Comment") {
      out.comments.push_back(chunk.type == "iTXt" ? *text : Latin1ToUtf8(*text));
    } else if (keyword == kPngXmpKeyword) {
      out.xmp = *text;
      have_xmp = true;
    } else if (const auto profile = DecodeRawProfile(*text)) {
      const auto block = ExifOfRawProfile(*profile);
      raw_exif.assign(block.begin(), block.end());
    }
  }
  // The eXIf chunk is the standard place; a raw profile stands in for it.
  if (out.exif.empty()) out.exif = std::move(raw_exif);
}

}  // namespace

PictureMetadata ReadPictureMetadata(std::span<const std::uint8_t> file) {
  PictureMetadata metadata;
  switch (SniffFileKind(file)) {
    case FileKind::Jpeg:
      ReadJpeg(file, metadata);
      break;
    case FileKind::Png:
      ReadPng(file, metadata);
      break;
    // Their libraries find the blocks; only EXIF and XMP are kept there.
    case FileKind::Webp:
      metadata = ReadWebpMetadata(file);
      break;
    // Without their module the picture itself cannot be read either, and
    // that failure names the file; here there is simply nothing to keep.
    case FileKind::Avif:
      if (const auto codecs = NewerCodecs("")) metadata = (*codecs)->read_avif_metadata(file);
      break;
    case FileKind::Jxl:
      if (const auto codecs = NewerCodecs("")) metadata = (*codecs)->read_jxl_metadata(file);
      break;
    case FileKind::Heif:
      if (const auto codecs = NewerCodecs("")) metadata = (*codecs)->read_heif_metadata(file);
      break;
    default:
      break;
  }
  if (metadata.exif.size() > kMaxExifBlockBytes) metadata.exif.clear();
  return metadata;
}

std::vector<std::uint8_t> IptcResources(std::span<const std::uint8_t> resources) {
  std::vector<std::uint8_t> kept;
  std::size_t pos = 0;
  // "8BIM", id, a Pascal name padded to even, the data's size, the data
  // padded to even. Every step moves forward.
  while (resources.size() - pos >= 12 && StartsWith(resources.subspan(pos), "8BIM")) {
    const std::size_t start = pos;
    const std::uint32_t id = BigEndian(resources, pos + 4, 2);
    std::size_t name_bytes = 1 + std::size_t{resources[pos + 6]};
    name_bytes += name_bytes & 1;
    pos += 6 + name_bytes;
    if (pos > resources.size() || resources.size() - pos < 4) break;
    const std::uint64_t size = BigEndian(resources, pos, 4);
    if (size > resources.size() - pos - 4) break;
    // The last resource's pad byte may be missing.
    pos = static_cast<std::size_t>(std::min<std::uint64_t>(pos + 4 + size + (size & 1), resources.size()));
    if (id == kIptcResource)
      kept.insert(kept.end(), resources.begin() + static_cast<std::ptrdiff_t>(start),
                  resources.begin() + static_cast<std::ptrdiff_t>(pos));
  }
  return kept;
}

}  // namespace vr
