// Writing small files of every format the decoders read, with the format's
// own library where there is one and byte by byte for BMP, so the tests can
// build exactly the file a case needs; and photo-like pictures to fill them.
#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/image.h"

namespace vr::test {

using Bytes = std::vector<std::uint8_t>;

// ---- BMP: a 40-byte info header, then the palette and the stored pixels ----

struct BmpLayout {
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative for top-down rows
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t colors_used = 0;
  std::vector<std::array<std::uint8_t, 3>> palette{};  // red, green, blue
  Bytes pixels{};                                      // exactly as stored
};

inline void PutLe(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline Bytes BuildBmp(const BmpLayout& layout) {
  const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * layout.palette.size());
  Bytes file = {'B', 'M'};
  for (std::uint32_t v :
       {offset + static_cast<std::uint32_t>(layout.pixels.size()), 0u, offset, 40u,
        static_cast<std::uint32_t>(layout.width), static_cast<std::uint32_t>(layout.height)})
    PutLe(file, v, 4);
  PutLe(file, 1, 2);  // planes
  PutLe(file, layout.bits, 2);
  for (std::uint32_t v : {layout.compression, static_cast<std::uint32_t>(layout.pixels.size()), 2835u, 2835u,
                          layout.colors_used, 0u})
    PutLe(file, v, 4);
  for (const auto& color : layout.palette) file.insert(file.end(), {color[2], color[1], color[0], 0});
  file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
  return file;
}

// ---- GIF ----------------------------------------------------------------------

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  std::vector<GifColorType> local_colors{};  // empty: the global table
  int transparent = NO_TRANSPARENT_COLOR;    // written in a control block when >= 0
  Bytes indices{};                           // width * height, rows top-down
};

inline const std::vector<GifColorType> kGifPalette = {{0, 0, 0},   {255, 0, 0},    {0, 255, 0},
                                                      {0, 0, 255}, {10, 20, 30},   {200, 100, 50},
                                                      {1, 2, 3},   {255, 255, 255}};

// A frame of the given size whose indices run through all eight colours.
inline GifFrame PatternFrame(int width, int height, int seed) {
  GifFrame frame{.width = width, .height = height};
  for (int i = 0; i < width * height; ++i)
    frame.indices.push_back(static_cast<std::uint8_t>((i * 7 + seed) % 8));
  return frame;
}

inline Bytes WriteGif(int screen_w, int screen_h, const std::vector<GifFrame>& frames) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* data, int length) {
        auto* bytes = static_cast<Bytes*>(g->UserData);
        bytes->insert(bytes->end(), data, data + length);
        return length;
      },
      &error);
  EGifSetGifVersion(gif, true);
  ColorMapObject* global_map = GifMakeMapObject(8, kGifPalette.data());
  EXPECT_EQ(EGifPutScreenDesc(gif, screen_w, screen_h, 8, 0, global_map), GIF_OK);
  for (const GifFrame& frame : frames) {
    // A control block: the transparency flag, no delay, the index.
    const GifByteType control[4] = {1, 0, 0, static_cast<GifByteType>(frame.transparent)};
    if (frame.transparent >= 0) EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    ColorMapObject* local =
        frame.local_colors.empty() ? nullptr : GifMakeMapObject(8, frame.local_colors.data());
    // The encoder keeps a copy of the last frame's own table and forgets it,
    // unfreed, when the next frame has none.
    if (local == nullptr && gif->Image.ColorMap != nullptr) {
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
    EXPECT_EQ(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlace, local),
              GIF_OK);
    // The encoder writes rows in the order given; interlaced files store them
    // pass by pass: from row 0 every 8th, from 4 every 8th, from 2 every 4th, from 1 every 2nd.
    const int passes[] = {0, 8, 4, 8, 2, 4, 1, 2};
    for (int pass = 0; pass < (frame.interlace ? 4 : 1); ++pass)
      for (int y = passes[2 * pass]; y < frame.height; y += frame.interlace ? passes[2 * pass + 1] : 1)
        EXPECT_EQ(EGifPutLine(gif, const_cast<std::uint8_t*>(&frame.indices[y * frame.width]), frame.width),
                  GIF_OK);
    if (local != nullptr) GifFreeMapObject(local);
  }
  EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  GifFreeMapObject(global_map);
  return out;
}

// LZW data of GIF's dialect for `indices`, each below 1 << code_size, as
// sub-blocks: a real encoder, with a string table that fills up and is
// cleared, so a decoder meets every kind of code.
inline Bytes GifLzwBlocks(const std::vector<int>& indices, int code_size) {
  Bytes packed;
  std::uint32_t buffer = 0;
  int bits = 0, width = code_size + 1;
  const auto put = [&](int code) {
    buffer |= static_cast<std::uint32_t>(code) << bits;
    for (bits += width; bits >= 8; bits -= 8, buffer >>= 8)
      packed.push_back(static_cast<std::uint8_t>(buffer));
  };
  const int clear = 1 << code_size;
  std::map<std::pair<int, int>, int> table;
  int next = clear + 2;
  put(clear);
  int prefix = indices.empty() ? -1 : indices[0];
  for (std::size_t i = 1; i < indices.size(); ++i) {
    if (auto found = table.find({prefix, indices[i]}); found != table.end()) {
      prefix = found->second;
      continue;
    }
    put(prefix);
    table[{prefix, indices[i]}] = next++;
    // The decoder learns each entry a code later, so it widens a code later.
    if (next > 1 << width && width < 12) ++width;
    if (next == 4096) {
      put(clear);
      table.clear(), next = clear + 2, width = code_size + 1;
    }
    prefix = indices[i];
  }
  if (prefix >= 0) put(prefix);
  put(clear + 1);
  if (bits > 0) packed.push_back(static_cast<std::uint8_t>(buffer));
  Bytes blocks;
  for (std::size_t at = 0; at < packed.size(); at += 255) {
    const std::size_t length = std::min<std::size_t>(255, packed.size() - at);
    blocks.push_back(static_cast<std::uint8_t>(length));
    blocks.insert(blocks.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                  packed.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  blocks.push_back(0);
  return blocks;
}

// A one-frame GIF89a built byte by byte, for what giflib's encoder will not
// write: no colour table at all, LZW minimum code sizes above 8.
struct RawGif {
  int screen_width = 0, screen_height = 0;
  std::vector<GifColorType> global{};  // empty: no global table; 2, 4, ... 256 entries
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  int code_size = 8;
  int transparent = NO_TRANSPARENT_COLOR;
  std::vector<int> indices{};  // in stored order (pass by pass when interlaced)
};

inline Bytes BuildGif(const RawGif& gif) {
  Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
  const auto le16 = [&out](int v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); };
  le16(gif.screen_width), le16(gif.screen_height);
  int table_bits = 0;
  while (!gif.global.empty() && (2 << table_bits) < static_cast<int>(gif.global.size())) ++table_bits;
  out.insert(out.end(), {std::uint8_t(gif.global.empty() ? 0 : 0x80 | table_bits), 0, 0});
  for (const GifColorType& c : gif.global) out.insert(out.end(), {c.Red, c.Green, c.Blue});
  if (gif.transparent >= 0) out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, std::uint8_t(gif.transparent), 0});
  out.push_back(0x2C);
  le16(gif.left), le16(gif.top), le16(gif.width), le16(gif.height);
  out.push_back(gif.interlace ? 0x40 : 0);
  out.push_back(static_cast<std::uint8_t>(gif.code_size));
  const Bytes blocks = GifLzwBlocks(gif.indices, gif.code_size);
  out.insert(out.end(), blocks.begin(), blocks.end());
  out.push_back(0x3B);
  return out;
}

// ---- TIFF ---------------------------------------------------------------------

struct TiffLayout {
  int width = 4, height = 3;
  int samples = 3;
  int bits = 8;
  int photometric = PHOTOMETRIC_RGB;
  int extra = -1;       // EXTRASAMPLE_* for the fourth sample, -1 for none
  int orientation = 0;  // 0: tag not written
  int compression = COMPRESSION_NONE;
  int rows_per_strip = 0;  // 0: libtiff's default
  Bytes samples_data{};    // rows top-down, samples together, in the machine's byte order
  int sample_format = SAMPLEFORMAT_UINT;
  bool big = false;     // BigTIFF
  int tile = 0;         // square tiles of this side (a multiple of 16); 0: strips
  bool planes = false;  // each sample in a plane of its own
};

// Samples of 16 or 32 bits, or floats, as TiffLayout::samples_data holds them.
template <typename Sample>
inline Bytes SampleBytes(const std::vector<Sample>& samples) {
  Bytes bytes(samples.size() * sizeof(Sample));
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

// Made-up samples, different for every byte.
inline Bytes SamplePattern(std::size_t count) {
  Bytes data(count);
  for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<std::uint8_t>((i * 37 + 11 + i * i) & 0xFF);
  return data;
}

inline TiffLayout RgbTiff(int width, int height, int compression = COMPRESSION_NONE) {
  TiffLayout layout{.width = width, .height = height, .compression = compression};
  layout.samples_data = SamplePattern(static_cast<std::size_t>(width) * height * 3);
  return layout;
}

inline Bytes WriteTiff(const TiffLayout& layout) {
  // ctest runs every case as a process of its own, in parallel: the name
  // carries the process id so two cases never share a file.
  static int serial = 0;
  const std::filesystem::path path =
      std::filesystem::path(testing::TempDir()) /
      ("codec_files_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".tif");
  TIFF* tif = TIFFOpen(path.c_str(), layout.big ? "w8" : "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(layout.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(layout.height));
  const int planar = layout.planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG;
  // clang-format off
  for (auto [tag, value] : {std::pair{TIFFTAG_SAMPLESPERPIXEL, layout.samples}, {TIFFTAG_BITSPERSAMPLE, layout.bits},
                            {TIFFTAG_PHOTOMETRIC, layout.photometric}, {TIFFTAG_PLANARCONFIG, planar},
                            {TIFFTAG_COMPRESSION, layout.compression}, {TIFFTAG_ORIENTATION, layout.orientation},
                            {TIFFTAG_SAMPLEFORMAT, layout.sample_format}})
    // clang-format on
    if (value != 0 || tag == TIFFTAG_PHOTOMETRIC) TIFFSetField(tif, tag, static_cast<std::uint16_t>(value));
  const auto extra = static_cast<std::uint16_t>(layout.extra);
  if (layout.extra >= 0) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  if (layout.rows_per_strip > 0)
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(layout.rows_per_strip));
  if (layout.tile > 0) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(layout.tile));
    TIFFSetField(tif, TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(layout.tile));
  }
  // Samples of whole bytes are cut out of the contiguous rows per plane,
  // per tile; 12-bit ones only ever go contiguous into strips.
  const std::size_t sample_bytes = static_cast<std::size_t>(std::max(layout.bits / 8, 1));
  const std::size_t row_bytes =
      (static_cast<std::size_t>(layout.width) * layout.samples * layout.bits + 7) / 8;
  const auto sample_at = [&](int x, int y, int s) {
    return &layout.samples_data[y * row_bytes +
                                (static_cast<std::size_t>(x) * layout.samples + s) * sample_bytes];
  };
  const int planes = layout.planes ? layout.samples : 1;
  const int per_plane = layout.planes ? 1 : layout.samples;
  const int chunk = layout.tile > 0 ? layout.tile : layout.width;
  for (int plane = 0; plane < planes; ++plane)
    for (int top = 0; top<layout.height; top += layout.tile> 0 ? layout.tile : layout.height)
      for (int left = 0; left < layout.width; left += chunk) {
        if (layout.tile == 0 && !layout.planes) {
          Bytes samples = layout.samples_data;  // libtiff takes rows it may scribble on
          for (int y = 0; y < layout.height; ++y)
            EXPECT_EQ(TIFFWriteScanline(tif, &samples[y * row_bytes], static_cast<std::uint32_t>(y), 0), 1);
          continue;
        }
        const int rows = layout.tile > 0 ? layout.tile : layout.height;
        Bytes part(static_cast<std::size_t>(chunk) * rows * per_plane * sample_bytes, 0);
        for (int y = 0; y < rows && top + y < layout.height; ++y)
          for (int x = 0; x < chunk && left + x < layout.width; ++x)
            for (int s = 0; s < per_plane; ++s)
              std::memcpy(&part[((static_cast<std::size_t>(y) * chunk + x) * per_plane + s) * sample_bytes],
                          sample_at(left + x, top + y, layout.planes ? plane : s), sample_bytes);
        if (layout.tile > 0) {
          EXPECT_GT(TIFFWriteTile(tif, part.data(), static_cast<std::uint32_t>(left),
                                  static_cast<std::uint32_t>(top), 0, static_cast<std::uint16_t>(plane)),
                    0);
        } else {
          for (int y = 0; y < layout.height; ++y)
            EXPECT_EQ(TIFFWriteScanline(tif, &part[static_cast<std::size_t>(y) * chunk * sample_bytes],
                                        static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane)),
                      1);
        }
      }
  TIFFClose(tif);
  Bytes bytes;
  EXPECT_TRUE(ReadWholeFileInto(path.string(), bytes).ok());
  std::filesystem::remove(path);
  return bytes;
}

// Points the first directory's tag of a little-endian file, classic or
// BigTIFF, at a new 32-bit value.
inline void PatchTiffTag(Bytes& file, std::uint16_t tag, std::uint32_t value) {
  auto le = [&](std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int b = bytes; b-- > 0;) v = v << 8 | file[at + b];
    return static_cast<std::size_t>(v);
  };
  const bool big = file[2] == 43;
  const std::size_t ifd = big ? le(8, 8) : le(4, 4);
  const std::size_t entry_size = big ? 20 : 12, value_at = big ? 12 : 8;
  for (std::size_t i = 0, n = le(ifd, big ? 8 : 2); i < n; ++i) {
    const std::size_t entry = ifd + (big ? 8 : 2) + i * entry_size;
    if (le(entry, 2) != tag) continue;
    file[entry + 2] = 4;  // LONG
    file[entry + 3] = 0;
    for (std::size_t b = 0; b < entry_size - 4; ++b) file[entry + 4 + b] = b == 0 ? 1 : 0;  // count 1
    for (int b = 0; b < 4; ++b) file[entry + value_at + b] = static_cast<std::uint8_t>(value >> (8 * b));
    return;
  }
  ADD_FAILURE() << "tag " << tag << " not found";
}

// ---- JPEG ---------------------------------------------------------------------

// Compresses raw samples with TurboJPEG itself, for inputs our encoder never
// writes (grey, CMYK, progressive).
inline Bytes CompressJpeg(const std::uint8_t* samples, int width, int height, int pixel_format,
                          int subsampling, int flags = 0, int quality = 90) {
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(
      tjCompress2(handle, samples, width, 0, height, pixel_format, &jpeg, &size, subsampling, quality, flags),
      0)
      << tjGetErrorStr2(handle);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  return out;
}

// The byte offset of the n-th `marker` segment, or the file's length.
inline std::size_t FindMarker(const Bytes& jpeg, std::uint8_t marker, int n = 0) {
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker && n-- == 0) return i;
  return jpeg.size();
}

// ---- Photo-like pictures, for the tests that hold a short cut (shrinking in
// the DCT, skipping scans) to a full decode --------------------------------------

// Detail at every scale a thumbnail keeps or loses: broad gradients, ripples
// of several frequencies and directions, hard-edged discs and fine grain.
// Deterministic for a seed.
inline Image MakeDetailedPhoto(int width, int height, std::uint32_t seed = 1) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Disc {
    double x, y, r, level;
  };
  std::vector<Disc> discs(12);
  for (Disc& d : discs) d = {unit(rng) * width, unit(rng) * height, 5 + unit(rng) * width / 10, unit(rng)};
  std::normal_distribution<double> grain(0.0, 6.0);
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double base = 60 + 120.0 * x / width + 30 * std::sin(y * 0.013);
      base += 25 * std::sin(x * 0.21 + y * 0.05) + 15 * std::sin(x * 0.043 - y * 0.37);
      for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) < d.r * d.r)
          base = base * 0.5 + 255 * d.level * 0.5;
      const double g = grain(rng);
      std::uint8_t* p = image.at(x, y);
      p[0] = static_cast<std::uint8_t>(std::clamp(base + g, 0.0, 255.0));
      p[1] = static_cast<std::uint8_t>(std::clamp(base * 0.8 + 40 * std::cos(y * 0.11) + g, 0.0, 255.0));
      p[2] = static_cast<std::uint8_t>(std::clamp(255 - base * 0.7 + g, 0.0, 255.0));
      p[3] = 255;
    }
  return image;
}

// Puts an APP1 EXIF segment with the given orientation right after SOI.
inline std::vector<std::uint8_t> WithExifOrientation(std::vector<std::uint8_t> jpeg,
                                                     std::uint8_t orientation) {
  const std::vector<std::uint8_t> app1 = {
      0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 0x4D, 0x4D,        0, 42, 0, 0, 0, 8,
      0,    1,    1,    0x12, 0,   3,   0,   0,   0, 1, 0,    orientation, 0, 0,  0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  return jpeg;
}

}  // namespace vr::test
