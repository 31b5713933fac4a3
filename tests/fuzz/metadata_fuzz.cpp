// libFuzzer entry for the metadata readers and the thumbnail's metadata
// writer: the bytes as a whole file (JPEG segments, PNG chunks, compressed
// text, raw profiles, Photoshop resources), as an EXIF block on its own,
// and as XMP text. What is kept must read again, upright.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/codecs/exif_orientation.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/metadata/metadata_reader.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/metadata/thumbnail_metadata.h"
#include "imaging/metadata/xmp_packet.h"

namespace {

// The smallest files the writer inserts into: SOI, APP0, EOI; a PNG
// signature, IHDR, IDAT, IEND (chunk contents do not matter to it).
std::vector<std::uint8_t> TinyJpeg() { return {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F', 0xFF, 0xD9}; }
std::vector<std::uint8_t> TinyPng() {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const char* type : {"IHDR", "IDAT", "IEND"}) {
    png.insert(png.end(), {0, 0, 0, 0});
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), {0, 0, 0, 0});
  }
  return png;
}

void CheckKept(const vr::PictureMetadata& kept) {
  if (!kept.exif.empty()) {
    if (!vr::ParseExifBlock(kept.exif)) __builtin_trap();
    if (vr::FindTiffOrientation(kept.exif).value_or(1) != 1) __builtin_trap();
  }
  if (vr::FindXmpOrientation(kept.xmp).value_or(1) != 1) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const int jpeg_orientation = vr::ReadJpegOrientation(bytes);
  const int png_orientation = vr::ReadPngOrientation(bytes);
  if (jpeg_orientation < 1 || jpeg_orientation > 8 || png_orientation < 1 || png_orientation > 8)
    __builtin_trap();

  const vr::PictureMetadata source = vr::ReadPictureMetadata(bytes);
  for (const vr::MetadataMode mode : {vr::MetadataMode::kKeep, vr::MetadataMode::kKeepButLocation}) {
    const vr::PictureMetadata kept = vr::MetadataForThumbnail(source, 300, 200, mode);
    CheckKept(kept);
    std::vector<std::uint8_t> jpeg = TinyJpeg(), png = TinyPng();
    vr::EmbedMetadata(vr::FileKind::Jpeg, kept, jpeg);
    vr::EmbedMetadata(vr::FileKind::Png, kept, png);
  }

  const std::vector<std::uint8_t> exif = vr::ExifForThumbnail(bytes, 30, 20, false);
  if (!exif.empty() && !vr::ParseExifBlock(exif)) __builtin_trap();

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)vr::FindXmpOrientation(text);
  if (vr::FindXmpOrientation(vr::XmpWithUprightOrientation(text)).value_or(1) != 1) __builtin_trap();
  (void)vr::XmpWithoutLocation(text);
  return 0;
}
