// Files with metadata built byte by byte for the metadata tests: EXIF blocks
// laid out by hand (directories written before the ones that point at
// them), JPEGs and PNGs with segments and chunks inserted, so each test
// says exactly what its file holds.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/image.h"

namespace vr::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline bool Contains(const Bytes& haystack, std::string_view needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                     [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }) !=
         haystack.end();
}

// One TIFF entry; `value` holds count values already in the block's order.
struct Field {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  Bytes value;
};

class ExifWriter {
 public:
  explicit ExifWriter(bool big_endian) : big_endian_(big_endian) {
    bytes_ = {big_endian ? std::uint8_t('M') : std::uint8_t('I'),
              big_endian ? std::uint8_t('M') : std::uint8_t('I')};
    Append16(42);
    Append32(0);  // IFD0's offset, set by Finish
  }

  Bytes U16(std::uint16_t v) const { return Order({std::uint8_t(v >> 8), std::uint8_t(v)}); }
  Bytes U32(std::uint32_t v) const {
    return Order({std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
  }
  Field Short(std::uint16_t tag, std::uint16_t v) const { return {tag, 3, 1, U16(v)}; }
  Field Long(std::uint16_t tag, std::uint32_t v) const { return {tag, 4, 1, U32(v)}; }
  Field Ascii(std::uint16_t tag, std::string_view text) const {
    Bytes value = ToBytes(text);
    value.push_back(0);
    return {tag, 2, static_cast<std::uint32_t>(value.size()), value};
  }
  Field Rationals(std::uint16_t tag, std::vector<std::uint32_t> parts) const {
    Bytes value;
    for (std::uint32_t p : parts) {
      const Bytes b = U32(p);
      value.insert(value.end(), b.begin(), b.end());
    }
    return {tag, 5, static_cast<std::uint32_t>(parts.size() / 2), value};
  }

  // Raw bytes at the end of the block; their offset.
  std::uint32_t Data(const Bytes& data) {
    const auto at = static_cast<std::uint32_t>(bytes_.size());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return at;
  }

  // A directory with its out-of-line values before it; its offset.
  std::uint32_t Directory(const std::vector<Field>& fields, std::uint32_t next = 0) {
    std::vector<std::uint32_t> value_at;
    for (const Field& f : fields) value_at.push_back(f.value.size() > 4 ? Data(f.value) : 0);
    if (bytes_.size() % 2 != 0) bytes_.push_back(0);
    const auto at = static_cast<std::uint32_t>(bytes_.size());
    Append16(static_cast<std::uint16_t>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const Field& f = fields[i];
      Append16(f.tag);
      Append16(f.type);
      Append32(f.count);
      if (f.value.size() > 4) {
        Append32(value_at[i]);
      } else {
        Bytes inline_value = f.value;
        inline_value.resize(4, 0);
        bytes_.insert(bytes_.end(), inline_value.begin(), inline_value.end());
      }
    }
    Append32(next);
    return at;
  }

  Bytes Finish(std::uint32_t ifd0) {
    const Bytes at = U32(ifd0);
    std::copy(at.begin(), at.end(), bytes_.begin() + 4);
    return bytes_;
  }

 private:
  Bytes Order(Bytes big) const {
    if (!big_endian_) std::reverse(big.begin(), big.end());
    return big;
  }
  void Append16(std::uint16_t v) {
    const Bytes b = U16(v);
    bytes_.insert(bytes_.end(), b.begin(), b.end());
  }
  void Append32(std::uint32_t v) {
    const Bytes b = U32(v);
    bytes_.insert(bytes_.end(), b.begin(), b.end());
  }

  bool big_endian_;
  Bytes bytes_;
};

inline constexpr std::string_view kCopyright = "(c) Ada Lindqvist, all rights reserved";
inline constexpr std::string_view kTakenAt = "2024:05:06 07:08:09";
inline constexpr std::string_view kGpsDatum = "WGS-84 at the secret cove";
inline constexpr std::string_view kThumbnailPixels = "EMBEDDED-THUMBNAIL-PIXELS";

// A camera's EXIF: IFD0 with orientation, copyright and size, an Exif
// directory with the date taken and the pixel size, a GPS directory, and
// IFD1 with an embedded JPEG thumbnail.
inline Bytes CameraExif(bool big_endian, std::uint16_t orientation) {
  ExifWriter w(big_endian);
  const std::uint32_t exif =
      w.Directory({w.Ascii(0x9003, kTakenAt), w.Long(0xA002, 4000), w.Long(0xA003, 3000)});
  const std::uint32_t gps = w.Directory(
      {w.Ascii(0x0001, "N"), w.Rationals(0x0002, {59, 1, 19, 1, 4, 1}), w.Ascii(0x0012, kGpsDatum)});
  Bytes thumbnail = {0xFF, 0xD8};
  const Bytes pixels = ToBytes(kThumbnailPixels);
  thumbnail.insert(thumbnail.end(), pixels.begin(), pixels.end());
  thumbnail.insert(thumbnail.end(), {0xFF, 0xD9});
  const std::uint32_t thumbnail_at = w.Data(thumbnail);
  const std::uint32_t ifd1 = w.Directory({w.Short(0x0103, 6), w.Long(0x0201, thumbnail_at),
                                          w.Long(0x0202, static_cast<std::uint32_t>(thumbnail.size()))});
  const std::uint32_t ifd0 =
      w.Directory({w.Long(0x0100, 4000), w.Long(0x0101, 3000), w.Short(0x0112, orientation),
                   w.Ascii(0x8298, kCopyright), w.Long(0x8769, exif), w.Long(0x8825, gps)},
                  ifd1);
  return w.Finish(ifd0);
}

// IFD0 with only an orientation (any value, out of range too).
inline Bytes OrientationExif(bool big_endian, std::uint16_t orientation) {
  ExifWriter w(big_endian);
  return w.Finish(w.Directory({w.Short(0x0112, orientation)}));
}

inline Bytes MakeSegment(std::uint8_t marker, std::string_view prefix, const Bytes& payload) {
  const std::size_t length = prefix.size() + payload.size() + 2;
  Bytes out;
  out.reserve(length + 2);
  for (const std::uint8_t byte :
       {std::uint8_t(0xFF), marker, std::uint8_t(length >> 8), std::uint8_t(length)})
    out.push_back(byte);
  for (const char c : prefix) out.push_back(static_cast<std::uint8_t>(c));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

inline constexpr std::string_view kExifPrefix{"Exif\0\0", 6};
inline constexpr std::string_view kXmpPrefix{"http://ns.adobe.com/xap/1.0/\0", 29};
inline constexpr std::string_view kPhotoshopPrefix{"Photoshop 3.0\0", 14};

// A real width x height JPEG (TurboJPEG's, JFIF first) with `segments`
// inserted after its APP0.
inline Bytes JpegWith(const std::vector<Bytes>& segments, int width = 64, int height = 48) {
  Image picture;
  picture.Resize(width, height);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = std::uint8_t(i % 4 == 3 ? 255 : i * 7);
  JpegCodec codec;
  Bytes jpeg;
  if (!codec.Encode(picture, 90, jpeg, "t.jpg").ok()) return {};
  const std::size_t after_app0 = 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]);  // SOI, then APP0
  for (auto s = segments.rbegin(); s != segments.rend(); ++s)
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(after_app0), s->begin(), s->end());
  return jpeg;
}

inline Bytes MakeChunk(std::string_view type, const Bytes& data) {
  const auto put32 = [](Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  Bytes out;
  out.reserve(data.size() + 12);
  put32(out, static_cast<std::uint32_t>(data.size()));
  for (const char c : type) out.push_back(static_cast<std::uint8_t>(c));
  out.insert(out.end(), data.begin(), data.end());
  put32(out, static_cast<std::uint32_t>(crc32(0, out.data() + 4, static_cast<uInt>(out.size() - 4))));
  return out;
}

inline Bytes Deflated(std::string_view text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  Bytes out(size);
  compress(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()));
  out.resize(size);
  return out;
}

// Text chunks: tEXt, zTXt, and iTXt compressed or not.
inline Bytes TextChunk(std::string_view type, std::string_view keyword, std::string_view text,
                       bool compressed = false) {
  Bytes data = ToBytes(keyword);
  data.push_back(0);
  if (type == "zTXt") data.push_back(0);
  if (type == "iTXt") data.insert(data.end(), {std::uint8_t(compressed ? 1 : 0), 0, 0, 0});
  const Bytes body = type == "zTXt" || compressed ? Deflated(text) : ToBytes(text);
  data.insert(data.end(), body.begin(), body.end());
  return MakeChunk(type, data);
}

// ImageMagick's raw profile text: type, count, hex wrapped at 72 digits.
inline std::string RawProfile(std::string_view type, const Bytes& bytes) {
  std::string text = "\n" + std::string(type) + "\n" + std::string(8, ' ') + std::to_string(bytes.size());
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 36 == 0) text += '\n';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text + "\n";
}

// A real width x height PNG with `before` chunks ahead of IDAT and `after`
// chunks behind the pixels, before IEND.
inline Bytes PngWith(const std::vector<Bytes>& before, const std::vector<Bytes>& after = {}, int width = 64,
                     int height = 48) {
  Image picture;
  picture.Resize(width, height);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = std::uint8_t(i % 4 == 3 ? 255 : i * 5);
  Bytes png;
  if (!EncodePng(picture, png, "t.png").ok()) return {};
  const std::size_t after_ihdr = 8 + 12 + 13;
  for (auto c = before.rbegin(); c != before.rend(); ++c)
    png.insert(png.begin() + static_cast<std::ptrdiff_t>(after_ihdr), c->begin(), c->end());
  const std::size_t iend = png.size() - 12;
  for (auto c = after.rbegin(); c != after.rend(); ++c)
    png.insert(png.begin() + static_cast<std::ptrdiff_t>(iend), c->begin(), c->end());
  return png;
}

inline std::string XmpAttribute(int orientation) {
  return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
         "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
         "<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Orientation=\"" +
         std::to_string(orientation) + "\"/></rdf:RDF></x:xmpmeta>";
}

inline std::string XmpElement(int orientation) {
  return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
         "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
         "<rdf:Description rdf:about=\"\" xmlns:t=\"http://ns.adobe.com/tiff/1.0/\">\n  <t:Orientation> " +
         std::to_string(orientation) + " </t:Orientation>\n</rdf:Description></rdf:RDF></x:xmpmeta>";
}

}  // namespace vr::test
