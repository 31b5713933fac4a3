#include "imaging/codecs/bmp_codec.h"

#include <algorithm>
#include <cstring>

#include "imaging/codecs/bmp_header.h"
#include "imaging/codecs/bmp_rle.h"
#include "imaging/limits.h"

namespace vr {
namespace {

// Turns one masked channel of a 16- or 32-bit pixel into 8 bits, rounding
// to nearest so the largest value is 255 whatever the mask's width.
class ChannelScaler {
 public:
  ChannelScaler(const BmpChannel& channel, std::uint8_t absent) : channel_(channel), absent_(absent) {
    if (channel_.mask != 0 && channel_.bits <= 12) {
      table_.resize(static_cast<std::size_t>(channel_.max) + 1);
      for (std::uint64_t v = 0; v <= channel_.max; ++v) table_[v] = Scale(v);
    }
  }

  std::uint8_t operator()(std::uint32_t pixel) const {
    if (channel_.mask == 0) return absent_;
    const std::uint64_t v = (pixel & channel_.mask) >> channel_.shift;
    return table_.empty() ? Scale(v) : table_[v];
  }

 private:
  std::uint8_t Scale(std::uint64_t v) const {
    return static_cast<std::uint8_t>((v * 255 + channel_.max / 2) / channel_.max);
  }

  BmpChannel channel_;
  std::uint8_t absent_;
  std::vector<std::uint8_t> table_;
};

struct MaskedPixels {
  ChannelScaler red, green, blue, alpha;
  explicit MaskedPixels(const BmpLayout& layout)
      : red(layout.channels[0], 0),
        green(layout.channels[1], 0),
        blue(layout.channels[2], 0),
        alpha(layout.channels[3], 255) {}

  void Put(std::uint32_t pixel, std::uint8_t* rgba) const {
    rgba[0] = red(pixel);
    rgba[1] = green(pixel);
    rgba[2] = blue(pixel);
    rgba[3] = alpha(pixel);
  }
};

// One stored row (complete, padding included) into one picture row.
void DecodeRow(const std::uint8_t* src, const BmpLayout& layout, const BmpPalette& palette,
               const MaskedPixels& masked, std::uint8_t* dst) {
  const int width = layout.width;
  const int bits = layout.bits_per_pixel;
  if (bits <= 8) {
    // Indices packed from the high bits of each byte down.
    const int per_byte = 8 / bits;
    const unsigned index_mask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
      const int shift = 8 - bits * (x % per_byte + 1);
      const unsigned index = (src[x / per_byte] >> shift) & index_mask;
      std::memcpy(dst + static_cast<std::size_t>(x) * 4, palette[index], 4);
    }
  } else if (bits == 24) {
    for (int x = 0; x < width; ++x, src += 3, dst += 4) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      dst[3] = 255;
    }
  } else if (bits == 16) {
    for (int x = 0; x < width; ++x, src += 2, dst += 4)
      masked.Put(static_cast<std::uint32_t>(src[0] | (src[1] << 8)), dst);
  } else {
    for (int x = 0; x < width; ++x, src += 4, dst += 4) {
      const std::uint32_t pixel =
          static_cast<std::uint32_t>(src[0]) | (static_cast<std::uint32_t>(src[1]) << 8) |
          (static_cast<std::uint32_t>(src[2]) << 16) | (static_cast<std::uint32_t>(src[3]) << 24);
      masked.Put(pixel, dst);
    }
  }
}

// `rows_present` complete rows of `data`, the rest left transparent.
DecodeResult DecodeRows(std::span<const std::uint8_t> data, std::uint64_t rows_present,
                        const BmpLayout& layout, const BmpPalette& palette, Image& out) {
  const std::uint64_t row_bytes = BmpRowBytes(layout.width, layout.bits_per_pixel);
  const MaskedPixels masked(layout);
  for (std::uint64_t r = 0; r < rows_present; ++r) {
    const int y = layout.top_down ? static_cast<int>(r) : layout.height - 1 - static_cast<int>(r);
    DecodeRow(data.data() + r * row_bytes, layout, palette, masked, out.row(y));
  }
  DecodeResult result;
  if (rows_present < static_cast<std::uint64_t>(layout.height)) {
    result.warning = {DecodeFlaw::kMissingData, "its file ends early"};
    for (int r = static_cast<int>(rows_present); r < layout.height; ++r) {
      const int y = layout.top_down ? r : layout.height - 1 - r;
      std::memset(out.row(y), 0, out.stride());
    }
  }
  return result;
}

void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

// The header and palette read and the file checked, before anything is allocated.
struct BmpStart {
  BmpLayout layout;
  BmpPalette palette;
  std::span<const std::uint8_t> data;  // from the pixels on
};

Expected<BmpStart> StartBmp(std::span<const std::uint8_t> bytes, const std::string& file) {
  BmpStart start;
  VR_TRY_ASSIGN(start.layout, ParseBmpHeader(bytes, file));
  if (start.layout.bits_per_pixel <= 8) {
    VR_TRY_ASSIGN(start.palette, ReadBmpPalette(bytes, start.layout, file));
  }
  // Checked before allocating, so a stub of a file cannot claim a huge
  // buffer; the header checked the size against the limits.
  VR_TRY(CheckBmpPlausible(start.layout, bytes.size(), file));
  start.data = bytes.subspan(static_cast<std::size_t>(start.layout.pixel_offset));
  return start;
}

bool IsRle(const BmpLayout& layout) {
  return layout.compression == BmpCompression::kRle4 || layout.compression == BmpCompression::kRle8 ||
         layout.compression == BmpCompression::kRle24;
}

std::uint64_t RowsPresent(const BmpStart& start) {
  return std::min<std::uint64_t>(
      start.layout.height, start.data.size() / BmpRowBytes(start.layout.width, start.layout.bits_per_pixel));
}

DecodeResult MissingRows(std::uint64_t rows_present, const BmpLayout& layout) {
  DecodeResult result;
  if (rows_present < static_cast<std::uint64_t>(layout.height))
    result.warning = {DecodeFlaw::kMissingData, "its file ends early"};
  return result;
}

}  // namespace

Expected<ImageInfo> ReadBmpInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  VR_TRY_ASSIGN(const BmpLayout layout, ParseBmpHeader(bytes, file));
  ImageInfo info;
  info.kind = FileKind::Bmp;
  info.width = layout.width;
  info.height = layout.height;
  info.orientation = 1;
  return info;
}

Status CheckBmpFileLength(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                          const std::string& file) {
  VR_TRY_ASSIGN(const BmpLayout layout, ParseBmpHeader(bytes, file));
  return CheckBmpPlausible(layout, file_length, file);
}

Expected<DecodeResult> DecodeBmp(std::span<const std::uint8_t> bytes, const std::string& file, Image& out) {
  VR_TRY_ASSIGN(const BmpStart start, StartBmp(bytes, file));
  const BmpLayout& layout = start.layout;
  out.Resize(layout.width, layout.height);
  if (IsRle(layout)) {
    DecodeResult result;
    if (!DecodeBmpRle(start.data, layout, start.palette, out))
      result.warning = {DecodeFlaw::kMissingData, "its run-length data ends early"};
    return result;
  }
  return DecodeRows(start.data, RowsPresent(start), layout, start.palette, out);
}

bool BmpRowsStream(std::span<const std::uint8_t> bytes) {
  Expected<BmpLayout> layout = ParseBmpHeader(bytes, "");
  return layout.ok() && !IsRle(*layout);
}

Expected<DecodeResult> DecodeBmpRows(std::span<const std::uint8_t> bytes, const std::string& file,
                                     const RowSink& sink) {
  VR_TRY_ASSIGN(const BmpStart start, StartBmp(bytes, file));
  const BmpLayout& layout = start.layout;
  if (IsRle(layout)) return Status::Fail("Cannot read the rows of a run-length BMP in order in " + file);
  const std::uint64_t rows_present = RowsPresent(start);
  const std::uint64_t row_bytes = BmpRowBytes(layout.width, layout.bits_per_pixel);
  const MaskedPixels masked(layout);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(layout.width) * 4);
  for (int y = 0; y < layout.height; ++y) {
    const std::uint64_t stored =
        layout.top_down ? static_cast<std::uint64_t>(y) : static_cast<std::uint64_t>(layout.height - 1 - y);
    if (stored < rows_present)
      DecodeRow(start.data.data() + stored * row_bytes, layout, start.palette, masked, row.data());
    else
      std::fill(row.begin(), row.end(), std::uint8_t{0});
    if (!sink(row.data())) break;
  }
  return MissingRows(rows_present, layout);
}

Status EncodeBmp(const Image& image, std::vector<std::uint8_t>& out, const std::string& file) {
  out.clear();
  if (image.empty() || image.pixels.size() !=
                           static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
    return Status::Fail("Cannot write BMP: empty picture for " + file);
  VR_TRY(CheckImageSize(image.width, image.height, file));

  const bool alpha = image.HasTransparency();
  const std::uint32_t header_size = alpha ? 108 : 40;
  const std::uint32_t bits = alpha ? 32 : 24;
  const std::uint64_t row_bytes = BmpRowBytes(image.width, static_cast<int>(bits));
  const std::uint64_t pixel_bytes = row_bytes * static_cast<std::uint64_t>(image.height);
  const std::uint32_t pixel_offset = 14 + header_size;
  // Within the limits a file stays below 2^32 bytes: 256 MP * 4 is 1 GiB.
  const auto file_size = static_cast<std::uint32_t>(pixel_offset + pixel_bytes);
  constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

  out.reserve(file_size);
  out.push_back('B');
  out.push_back('M');
  PutLe32(out, file_size);
  PutLe32(out, 0);  // reserved
  PutLe32(out, pixel_offset);
  PutLe32(out, header_size);
  PutLe32(out, static_cast<std::uint32_t>(image.width));
  PutLe32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
  PutLe16(out, 1);                                         // planes
  PutLe16(out, bits);
  PutLe32(out, alpha ? 3 : 0);  // BI_BITFIELDS : BI_RGB
  PutLe32(out, static_cast<std::uint32_t>(pixel_bytes));
  PutLe32(out, kPixelsPerMetre);
  PutLe32(out, kPixelsPerMetre);
  PutLe32(out, 0);  // colours used
  PutLe32(out, 0);  // important colours
  if (alpha) {
    PutLe32(out, 0x00FF0000);           // red
    PutLe32(out, 0x0000FF00);           // green
    PutLe32(out, 0x000000FF);           // blue
    PutLe32(out, 0xFF000000);           // alpha
    PutLe32(out, 0x73524742);           // colour space "sRGB"
    out.insert(out.end(), 36 + 12, 0);  // end points and gamma, unused with sRGB
  }

  // Rows into a zeroed buffer, so the padding needs no writing.
  const std::size_t header_end = out.size();
  out.resize(file_size, 0);
  for (int y = image.height - 1, stored = 0; y >= 0; --y, ++stored) {
    const std::uint8_t* p = image.row(y);
    std::uint8_t* q = out.data() + header_end + static_cast<std::size_t>(stored) * row_bytes;
    for (int x = 0; x < image.width; ++x, p += 4) {
      *q++ = p[2];
      *q++ = p[1];
      *q++ = p[0];
      if (alpha) *q++ = p[3];
    }
  }
  return Status::Ok();
}

}  // namespace vr
