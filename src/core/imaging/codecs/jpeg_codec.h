// JPEG reading and writing through TurboJPEG, entirely in memory.
//
// TurboJPEG keeps libjpeg's error jumps inside its own calls and reports
// every problem as a return value, so no error manager of ours is needed
// here and nothing reaches the terminal or exit().
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/codec_dispatch.h"
#include "imaging/image.h"
#include "imaging/image_info.h"

namespace vr {

// True when the bytes start with a JPEG SOI marker followed by another marker.
bool IsJpeg(std::span<const std::uint8_t> bytes);

// The DCT scale for a picture of w x h that will be resampled to target_w x
// target_h: the largest d of 8, 4, 2 whose ceil(w/d) x ceil(h/d) is still
// at least twice the target at 1/8 and two and a half times at 1/4 and 1/2,
// so the resampler's result matches a full decode; 1 when none fits. A
// target side of 0 or less means the full picture is wanted.
int JpegScaleDenominator(int width, int height, int target_width, int target_height);

// Quality handed to the encoder for a requested 0..100: out-of-range values
// are clamped, and 0 encodes as 1 (libjpeg's coarsest tables; 0 has none).
int JpegEncodeQuality(int requested);

// One worker's JPEG codec. The TurboJPEG handles are made on first use and
// kept, with the CMYK scratch buffer, from picture to picture. Not shared
// between threads: each worker owns one.
class ColourTransforms;

class JpegCodec {
 public:
  JpegCodec();
  ~JpegCodec();
  JpegCodec(JpegCodec&&) noexcept;
  JpegCodec& operator=(JpegCodec&&) noexcept;
  JpegCodec(const JpegCodec&) = delete;
  JpegCodec& operator=(const JpegCodec&) = delete;

  // Stored size and EXIF orientation, without decoding pixels. Sizes over
  // the engine's limits fail here already.
  Expected<ImageInfo> ReadInfo(std::span<const std::uint8_t> bytes, const std::string& file);

  // Decodes to opaque RGBA as stored (orientation not applied), shrunk in
  // the DCT by JpegScaleDenominator(width, height, target_width,
  // target_height), so `out` is ceil(width/d) x ceil(height/d). Baseline,
  // progressive, grayscale, YCbCr, CMYK and YCCK files all come out as RGB;
  // four-channel files with Adobe's APP14 marker are taken as inverted.
  // The result's `colour` holds the file's ICC profile (its APP2 chain) and
  // its colour model; a four-channel file with a CMYK profile is converted
  // through it by `colour` (a temporary set of transforms when null) and
  // comes out sRGB, one without goes through the naive formula as before.
  // When TurboJPEG only warns the picture is returned with the warning in
  // libjpeg's words and its flaw (jpeg_warnings.h): stray bytes before a
  // marker cost nothing; data that ended early or was corrupt leaves it
  // damaged, rows the decoder never reached mid grey (CMYK files: no ink). A fatal error, or a
  // warning with not one row delivered, fails with
  // "Invalid JPEG: <reason> in <file>" and leaves `out` empty. The stored
  // size is checked against the limits before anything is allocated.
  Expected<DecodeResult> Decode(std::span<const std::uint8_t> bytes, const std::string& file,
                                int target_width, int target_height, Image& out,
                                ColourTransforms* colour = nullptr);

  // Writes baseline RGB JPEG (alpha dropped) at JpegEncodeQuality(quality).
  // Chroma is subsampled 4:2:0 below quality 90 and kept whole (4:4:4) from
  // 90 up, where the user asked for fine detail. `out` is replaced and left
  // empty on failure.
  Status Encode(const Image& image, int quality, std::vector<std::uint8_t>& out, const std::string& file);

 private:
  struct HandleCloser {
    void operator()(void* handle) const;
  };
  using Handle = std::unique_ptr<void, HandleCloser>;

  Status EnsureDecompressor(const std::string& file);
  Status EnsureCompressor(const std::string& file);

  // What the header tells before any pixel is decoded.
  struct Header {
    int width = 0;
    int height = 0;
    int colorspace = 1;  // TurboJPEG's TJCS_ value; YCbCr until read
  };
  Expected<Header> ReadHeader(std::span<const std::uint8_t> bytes, const std::string& file);

  Handle decompressor_;
  Handle compressor_;
  std::vector<std::uint8_t> cmyk_;  // four-channel pixels before conversion to RGB
};

}  // namespace vr
