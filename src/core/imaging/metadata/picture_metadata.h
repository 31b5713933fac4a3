// What a photographer wrote into a picture beside its pixels, carried from
// the source file to its thumbnail: EXIF, XMP, IPTC and comments, as the
// source held them. Each part is copied out of the file's bytes; nothing
// here points into them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vr {

// What a thumbnail keeps of its source's metadata. Strip keeps nothing and
// reads nothing, so it costs exactly what it did before metadata was kept.
enum class MetadataMode { kStrip = 0, kKeep = 1, kKeepButLocation = 2 };

struct PictureMetadata {
  std::vector<std::uint8_t> exif;     // a TIFF-structured block, without JPEG's "Exif\0\0"
  std::string xmp;                    // one XMP packet
  std::vector<std::uint8_t> iptc;     // Photoshop image resources, only the IPTC ones (0x0404)
  std::vector<std::string> comments;  // JPEG COM texts, PNG "Comment" texts

  bool empty() const { return exif.empty() && xmp.empty() && iptc.empty() && comments.empty(); }
  void clear() {
    exif.clear();
    xmp.clear();
    iptc.clear();
    comments.clear();
  }
};

}  // namespace vr
