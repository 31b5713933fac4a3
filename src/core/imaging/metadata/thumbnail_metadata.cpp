#include "imaging/metadata/thumbnail_metadata.h"

#include <algorithm>
#include <string_view>

#include "imaging/metadata/exif_block.h"
#include "imaging/metadata/jpeg_segments.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/metadata/png_chunks.h"
#include "imaging/metadata/xmp_packet.h"

namespace vr {
namespace {

constexpr std::uint16_t kTagImageWidth = 0x0100;
constexpr std::uint16_t kTagImageLength = 0x0101;
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagPixelXDimension = 0xA002;
constexpr std::uint16_t kTagPixelYDimension = 0xA003;

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp13 = 0xED;
constexpr std::uint8_t kCom = 0xFE;
constexpr std::string_view kExifPrefix{"Exif\0\0", 6};
constexpr std::string_view kXmpPrefix{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kPhotoshopPrefix{"Photoshop 3.0\0", 14};
constexpr std::string_view kCommentKeyword = "Comment";

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void EmbedJpeg(const PictureMetadata& kept, std::vector<std::uint8_t>& jpeg) {
  std::vector<std::uint8_t> segments;
  if (!kept.exif.empty()) (void)AppendJpegSegment(segments, kApp1, Bytes(kExifPrefix), kept.exif);
  // Extended XMP (a packet over one segment) is not written: the main
  // packet alone would have to be rewritten to point at it.
  if (!kept.xmp.empty()) (void)AppendJpegSegment(segments, kApp1, Bytes(kXmpPrefix), Bytes(kept.xmp));
  if (!kept.iptc.empty()) (void)AppendJpegSegment(segments, kApp13, Bytes(kPhotoshopPrefix), kept.iptc);
  for (const std::string& comment : kept.comments)
    (void)AppendJpegSegment(segments, kCom, {}, Bytes(comment));
  const std::size_t at = JpegInsertPosition(jpeg);
  if (segments.empty() || at == 0) return;
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), segments.begin(), segments.end());
}

bool IsAscii(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x80; });
}

// An uncompressed iTXt chunk's data: keyword, flag and method 0, empty
// language and translated keyword, UTF-8 text.
std::vector<std::uint8_t> InternationalText(std::string_view keyword, std::string_view text) {
  std::vector<std::uint8_t> data(keyword.begin(), keyword.end());
  for (int zero = 0; zero < 5; ++zero) data.push_back(0);
  data.insert(data.end(), text.begin(), text.end());
  return data;
}

void EmbedPng(const PictureMetadata& kept, std::vector<std::uint8_t>& png) {
  std::vector<std::uint8_t> chunks;
  if (!kept.exif.empty()) AppendPngChunk(chunks, "eXIf", kept.exif);
  if (!kept.xmp.empty()) AppendPngChunk(chunks, "iTXt", InternationalText(kPngXmpKeyword, kept.xmp));
  for (const std::string& comment : kept.comments) {
    if (IsAscii(comment)) {
      std::vector<std::uint8_t> data(kCommentKeyword.begin(), kCommentKeyword.end());
      data.push_back(0);
      data.insert(data.end(), comment.begin(), comment.end());
      AppendPngChunk(chunks, "tEXt", data);
    } else {
      AppendPngChunk(chunks, "iTXt", InternationalText(kCommentKeyword, comment));
    }
  }
  const std::size_t at = PngFirstIdatPosition(png);
  if (chunks.empty() || at == 0) return;
  png.insert(png.begin() + static_cast<std::ptrdiff_t>(at), chunks.begin(), chunks.end());
}

}  // namespace

std::vector<std::uint8_t> ExifForThumbnail(std::span<const std::uint8_t> exif, int width, int height,
                                           bool keep_location) {
  std::optional<ExifBlock> block = ParseExifBlock(exif);
  if (!block) return {};
  const bool be = block->big_endian;
  const auto w = static_cast<std::uint32_t>(std::max(width, 0));
  const auto h = static_cast<std::uint32_t>(std::max(height, 0));
  if (FindExifEntry(block->ifd0, kTagOrientation) != nullptr)
    SetExifShort(block->ifd0, kTagOrientation, 1, be);
  if (FindExifEntry(block->ifd0, kTagImageWidth) != nullptr) SetExifLong(block->ifd0, kTagImageWidth, w, be);
  if (FindExifEntry(block->ifd0, kTagImageLength) != nullptr)
    SetExifLong(block->ifd0, kTagImageLength, h, be);
  if (block->exif) {
    SetExifLong(*block->exif, kTagPixelXDimension, w, be);
    SetExifLong(*block->exif, kTagPixelYDimension, h, be);
  }
  if (!keep_location) block->gps.reset();
  return WriteExifBlock(*block);
}

PictureMetadata MetadataForThumbnail(const PictureMetadata& source, int width, int height,
                                     MetadataMode mode) {
  PictureMetadata kept;
  if (mode != MetadataMode::kKeep && mode != MetadataMode::kKeepButLocation) return kept;
  const bool keep_location = mode == MetadataMode::kKeep;
  if (!source.exif.empty()) kept.exif = ExifForThumbnail(source.exif, width, height, keep_location);
  if (!source.xmp.empty()) {
    std::optional<std::string> xmp = XmpWithUprightOrientation(source.xmp);
    if (!keep_location) xmp = XmpWithoutLocation(*xmp);
    if (xmp) kept.xmp = std::move(*xmp);
  }
  kept.iptc = source.iptc;
  kept.comments = source.comments;
  return kept;
}

void EmbedMetadata(FileKind output, const PictureMetadata& kept, std::vector<std::uint8_t>& encoded) {
  if (kept.empty()) return;
  if (output == FileKind::Jpeg) EmbedJpeg(kept, encoded);
  if (output == FileKind::Png) EmbedPng(kept, encoded);
}

}  // namespace vr
