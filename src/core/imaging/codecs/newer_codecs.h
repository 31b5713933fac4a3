// AVIF, JPEG XL and HEIF live in a module of their own, loaded the first
// time a row needs one of them. Their libraries bring AV1 and HEVC encoders
// and decoders along (aom, dav1d, rav1e, SVT-AV1, x265, libde265, highway),
// and merely loading those costs every process about 5 MiB of memory, which
// a run of JPEG, PNG or TIFF files never uses.
//
// The module hands over one table of the codec functions. It is built from
// the same sources as the program and installed beside it, so the table's
// layout is checked by the version and a layout number, not negotiated.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/encode_options.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/metadata/picture_metadata.h"

namespace vr {

using EncodedBytes = std::span<const std::uint8_t>;

struct NewerCodecTable {
  const char* version;  // the program's version the module was built with
  int layout;           // kNewerCodecTableLayout when it was built

  Expected<ImageInfo> (*read_avif_info)(EncodedBytes bytes, const std::string& file);
  Status (*decode_avif)(EncodedBytes bytes, const std::string& file, Image& out, SourceColour& colour);
  PictureMetadata (*read_avif_metadata)(EncodedBytes bytes);
  Status (*encode_avif)(const Image& image, const AvifOptions& options, const EncodeExtras& extras,
                        std::vector<std::uint8_t>& out, const std::string& file);

  Expected<ImageInfo> (*read_jxl_info)(EncodedBytes bytes, const std::string& file);
  Status (*decode_jxl)(EncodedBytes bytes, const std::string& file, Image& out, SourceColour& colour);
  PictureMetadata (*read_jxl_metadata)(EncodedBytes bytes);
  Status (*encode_jxl)(const Image& image, const JxlOptions& options, const EncodeExtras& extras,
                       std::vector<std::uint8_t>& out, const std::string& file);

  Expected<ImageInfo> (*read_heif_info)(EncodedBytes bytes, const std::string& file);
  Status (*decode_heif)(EncodedBytes bytes, const std::string& file, int target_width, int target_height,
                        Image& out, SourceColour& colour);
  PictureMetadata (*read_heif_metadata)(EncodedBytes bytes);
};

// Raised whenever a field of the table changes.
inline constexpr int kNewerCodecTableLayout = 1;

// The module's file name and the one function it exports.
inline constexpr const char* kNewerCodecModuleName = "varenna-newer-codecs.so";
inline constexpr const char* kNewerCodecEntry = "varenna_newer_codecs";

// The table, loading the module on the first call (any thread). A failure
// says which module could not be loaded and why, for a message about
// `file`; it is remembered, so the module is tried once a process.
Expected<const NewerCodecTable*> NewerCodecs(const std::string& file);

}  // namespace vr
