// A source's metadata made true of its thumbnail, and written into the
// thumbnail's encoded bytes where the output format can hold it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/image_info.h"
#include "imaging/metadata/picture_metadata.h"

namespace vr {

// The source's EXIF (which must be a TIFF-structured block) for a thumbnail
// of width x height whose pixels are already upright: orientation 1, the
// Exif directory's PixelXDimension and PixelYDimension (and IFD0's
// ImageWidth and ImageLength when present) set to the thumbnail's, the
// embedded thumbnail gone, and without `keep_location` the GPS directory
// gone. Empty when the block cannot be read, so it is dropped whole.
std::vector<std::uint8_t> ExifForThumbnail(std::span<const std::uint8_t> exif, int width, int height,
                                           bool keep_location);

// The whole record under `mode`: EXIF as above, XMP with an upright
// tiff:Orientation (and without location when asked), IPTC and comments as
// they are. kStrip gives an empty record.
PictureMetadata MetadataForThumbnail(const PictureMetadata& source, int width, int height, MetadataMode mode);

// Writes `kept` into an encoded thumbnail. JPEG: APP1 Exif, APP1 XMP,
// APP13 and COM segments after SOI and APP0; a part too long for one
// segment is left out. PNG: eXIf, an iTXt XMP chunk and "Comment" text
// chunks before the first IDAT. Other kinds hold none and stay as they are.
void EmbedMetadata(FileKind output, const PictureMetadata& kept, std::vector<std::uint8_t>& encoded);

}  // namespace vr
