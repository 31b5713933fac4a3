#include "imaging/codecs/tiff_samples.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vr {
namespace {

struct SampleKind {
  std::uint16_t bits = 8;
  std::uint16_t format = SAMPLEFORMAT_UINT;
};

SampleKind KindOf(TIFF* tif) {
  SampleKind kind;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &kind.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &kind.format);
  return kind;
}

bool IsFloat(const SampleKind& kind) {
  return kind.format == SAMPLEFORMAT_IEEEFP && (kind.bits == 16 || kind.bits == 32 || kind.bits == 64);
}

bool IsWideInteger(const SampleKind& kind) {
  return kind.format == SAMPLEFORMAT_UINT && (kind.bits == 12 || kind.bits == 16 || kind.bits == 32);
}

std::uint8_t FromUnit(double unit) {
  if (!(unit > 0)) return 0;  // NaN too
  return static_cast<std::uint8_t>(std::lround(std::min(unit, 1.0) * 255));
}

// IEEE half precision to double, subnormals and infinities included.
double FromHalf(std::uint16_t half) {
  const int exponent = (half >> 10) & 0x1F;
  const double mantissa = half & 0x3FF;
  double value = exponent == 0    ? std::ldexp(mantissa, -24)
                 : exponent == 31 ? (mantissa == 0 ? INFINITY : NAN)
                                  : std::ldexp(1024 + mantissa, exponent - 25);
  return (half & 0x8000) != 0 ? -value : value;
}

// Sample `index` of a row of decoded samples as an 8-bit level. libtiff has
// put 16-, 32- and 64-bit samples in the machine's byte order; 12-bit ones
// stay packed, high bits first.
std::uint8_t LevelAt(const std::uint8_t* row, std::size_t index, const SampleKind& kind) {
  if (kind.format == SAMPLEFORMAT_IEEEFP) {
    if (kind.bits == 16) {
      std::uint16_t half;
      std::memcpy(&half, row + index * 2, 2);
      return FromUnit(FromHalf(half));
    }
    if (kind.bits == 32) {
      float value;
      std::memcpy(&value, row + index * 4, 4);
      return FromUnit(value);
    }
    double value;
    std::memcpy(&value, row + index * 8, 8);
    return FromUnit(value);
  }
  if (kind.bits == 12) {
    const std::uint8_t* at = row + index * 3 / 2;
    const unsigned value = index % 2 == 0 ? (at[0] << 4 | at[1] >> 4) : ((at[0] & 0x0F) << 8 | at[1]);
    return static_cast<std::uint8_t>((value * 255 + 2047) / 4095);
  }
  if (kind.bits == 16) {
    std::uint16_t value;
    std::memcpy(&value, row + index * 2, 2);
    return static_cast<std::uint8_t>((value * 255u + 32767) / 65535);
  }
  std::uint32_t value;
  std::memcpy(&value, row + index * 4, 4);
  return static_cast<std::uint8_t>((std::uint64_t{value} * 255 + 0x7FFFFFFF) / 0xFFFFFFFF);
}

// Where each sample lands: colour samples in channels 0..3 (CMYK needs all
// four until it is converted), the alpha sample in `alpha_channel`.
struct Layout {
  SampleKind kind;
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  int samples = 1;
  int colours = 1;
  int alpha = EXTRASAMPLE_UNSPECIFIED;  // of the first extra sample; UNSPECIFIED: none
  bool planes = false;                  // one plane per sample
};

Status Unsupported(const std::string& what, const std::string& file) {
  return Status::Fail("Unsupported TIFF: " + what + " in " + file);
}

Expected<Layout> LayoutOf(TIFF* tif, const std::string& file) {
  Layout layout;
  layout.kind = KindOf(tif);
  if (!IsFloat(layout.kind) && !IsWideInteger(layout.kind))
    return Unsupported(
        std::to_string(layout.kind.bits) + "-bit samples of format " + std::to_string(layout.kind.format),
        file);
  std::uint16_t samples = 1, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric) != 1)
    layout.photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  switch (layout.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      layout.colours = 1;
      break;
    case PHOTOMETRIC_RGB:
      layout.colours = 3;
      break;
    case PHOTOMETRIC_SEPARATED: {
      std::uint16_t inks = INKSET_CMYK;
      TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
      if (inks != INKSET_CMYK) return Unsupported("inks other than CMYK", file);
      layout.colours = 4;
      break;
    }
    default:
      return Unsupported("photometric " + std::to_string(layout.photometric) + " with deep samples", file);
  }
  if (samples < layout.colours) return Unsupported(std::to_string(samples) + " samples a pixel", file);
  layout.samples = samples;
  layout.planes = planar == PLANARCONFIG_SEPARATE && samples > 1;
  std::uint16_t extra_count = 0;
  std::uint16_t* extra = nullptr;
  if (samples > layout.colours && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra) == 1 &&
      extra_count > 0 && extra != nullptr)
    layout.alpha = extra[0];
  if (layout.colours == 4 && layout.alpha != EXTRASAMPLE_UNSPECIFIED)
    return Unsupported("CMYK with alpha", file);
  return layout;
}

// The channel sample `s` fills, or -1 when it is left out.
int ChannelOf(const Layout& layout, int s) {
  if (s < layout.colours) return s;
  return s == layout.colours && layout.alpha != EXTRASAMPLE_UNSPECIFIED ? 3 : -1;
}

// Grey spread, white-is-zero turned, CMYK converted, alpha made straight.
void FinishPixels(const Layout& layout, Image& out) {
  std::uint8_t* p = out.pixels.data();
  for (std::size_t i = 0, n = out.pixels.size() / 4; i < n; ++i, p += 4) {
    if (layout.photometric == PHOTOMETRIC_SEPARATED) {
      const unsigned white_k = 255u - p[3];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(((255u - p[c]) * white_k + 127) / 255);
      p[3] = 255;
      continue;
    }
    if (layout.colours == 1) {
      if (layout.photometric == PHOTOMETRIC_MINISWHITE) p[0] = static_cast<std::uint8_t>(255 - p[0]);
      p[1] = p[2] = p[0];
    }
    if (layout.alpha == EXTRASAMPLE_UNSPECIFIED) {
      p[3] = 255;
    } else if (layout.alpha == EXTRASAMPLE_ASSOCALPHA && p[3] != 255) {
      for (int c = 0; c < 3; ++c)
        p[c] = p[3] == 0 ? 0 : static_cast<std::uint8_t>(std::min(255, (p[c] * 255 + p[3] / 2) / p[3]));
    }
  }
}

}  // namespace

bool HasDeepSamples(TIFF* tif) {
  const SampleKind kind = KindOf(tif);
  // libtiff's RGBA reader takes 16-bit CMYK as fit but then has no routine
  // to put its pixels.
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  return kind.format == SAMPLEFORMAT_IEEEFP || kind.bits == 12 || kind.bits == 32 ||
         (kind.bits == 16 && photometric == PHOTOMETRIC_SEPARATED);
}

Status ReadDeepSamples(TIFF* tif, int width, int height, const std::string& libtiff_error,
                       const std::string& file, Image& out) {
  VR_TRY_ASSIGN(const Layout layout, LayoutOf(tif, file));
  const bool tiled = TIFFIsTiled(tif) != 0;
  std::uint32_t chunk_width = static_cast<std::uint32_t>(width);
  std::uint32_t chunk_height = 0;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &chunk_width);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &chunk_height);
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &chunk_height);
  }
  chunk_height = std::clamp<std::uint32_t>(chunk_height, 1, static_cast<std::uint32_t>(height));
  if (chunk_width == 0) return Status::Fail("Invalid TIFF: tiles of zero width in " + file);
  const std::uint64_t chunk_bytes = tiled ? TIFFTileSize64(tif) : TIFFStripSize64(tif);
  const std::uint64_t row_bytes = tiled ? TIFFTileRowSize64(tif) : TIFFScanlineSize64(tif);
  const int per_chunk = layout.planes ? 1 : layout.samples;
  // A row must hold the samples it is read for.
  if (row_bytes == 0 || chunk_bytes < row_bytes * chunk_height ||
      row_bytes * 8 < std::uint64_t{chunk_width} * per_chunk * layout.kind.bits)
    return Status::Fail("Invalid TIFF: inconsistent strip or tile size in " + file);

  out.Resize(width, height);
  std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(chunk_bytes));
  for (int plane = 0; plane < (layout.planes ? layout.samples : 1); ++plane) {
    for (std::uint32_t top = 0; top < static_cast<std::uint32_t>(height); top += chunk_height) {
      for (std::uint32_t left = 0; left < static_cast<std::uint32_t>(width); left += chunk_width) {
        const auto sample = static_cast<std::uint16_t>(plane);
        const tmsize_t read = tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, left, top, 0, sample),
                                                          chunk.data(), static_cast<tmsize_t>(chunk.size()))
                                    : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, top, sample),
                                                           chunk.data(), static_cast<tmsize_t>(chunk.size()));
        const std::uint32_t rows = std::min(chunk_height, static_cast<std::uint32_t>(height) - top);
        // A strip may stop after its last row; anything shorter is damage.
        if (read < 0 || static_cast<std::uint64_t>(read) < row_bytes * rows) {
          out.Resize(0, 0);
          return Status::Fail("Invalid TIFF: " +
                              (libtiff_error.empty() ? std::string("unreadable pixel data") : libtiff_error) +
                              " in " + file);
        }
        const std::uint32_t columns = std::min(chunk_width, static_cast<std::uint32_t>(width) - left);
        for (std::uint32_t y = 0; y < rows; ++y) {
          const std::uint8_t* row = chunk.data() + y * row_bytes;
          std::uint8_t* pixel = out.at(static_cast<int>(left), static_cast<int>(top + y));
          for (std::uint32_t x = 0; x < columns; ++x, pixel += 4)
            for (int s = 0; s < per_chunk; ++s)
              if (const int channel = ChannelOf(layout, layout.planes ? plane : s); channel >= 0)
                pixel[channel] = LevelAt(row, std::size_t{x} * per_chunk + s, layout.kind);
        }
      }
    }
  }
  FinishPixels(layout, out);
  return Status::Ok();
}

}  // namespace vr
