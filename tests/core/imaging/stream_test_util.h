// Shared by the streaming tests: the engine's thumbnail by the stream, the
// thumbnail as it was made before rows streamed, and photo-like TIFFs.
#pragma once

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>

#include "base/file_bytes.h"
#include "core/imaging/codecs/codec_files.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/engine.h"
#include "imaging/ops/colour_transform.h"
#include "imaging/ops/orientation.h"
#include "imaging/ops/resample.h"

namespace vr::test {

inline constexpr double kMinSsim = 0.999;

inline std::string Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

struct Thumb {
  Status status = Status::Ok();
  Image picture;
  DecodeFlaw flaw = DecodeFlaw::kNone;
};

// The engine's thumbnail of `path`, by the stream where the file allows.
inline Thumb Thumbnail(const std::string& path, int width, int height,
                       std::optional<SourceBox> region = std::nullopt) {
  Engine engine;
  Thumb thumb;
  thumb.status = engine.LoadImage(1, path);
  if (thumb.status.ok()) thumb.status = engine.Resample(width, height, region);
  thumb.picture = engine.picture(1);
  thumb.flaw = engine.warning(1).flaw;
  return thumb;
}

// The thumbnail as the engine made it before rows streamed: the whole
// picture decoded and turned upright, resampled, then its colours
// converted (the engine's order for a shrink).
inline Thumb FullDecodeThumbnail(const std::string& path, int width, int height,
                                 std::optional<SourceBox> region = std::nullopt) {
  Thumb thumb;
  Bytes bytes;
  thumb.status = ReadWholeFileInto(path, bytes);
  if (!thumb.status.ok()) return thumb;
  Expected<ImageInfo> info = ReadImageInfo(bytes, path);
  if (!info) return {info.status(), {}, {}};
  JpegCodec jpeg;
  Image decoded;
  Expected<DecodeResult> result = DecodeImage(info->kind, bytes, path, jpeg, 0, 0, decoded);
  if (!result) return {result.status(), {}, {}};
  thumb.flaw = result->warning.flaw;
  ApplyOrientation(decoded, info->orientation);
  const SourceBox box =
      region ? UprightBox(*region, info->width, info->height, info->orientation) : WholeSourceBox(decoded);
  thumb.picture = ResampleImage(decoded, box, width, height);
  if (result->colour.Tagged() && !result->colour.converted) {
    ColourTransforms colour;
    std::vector<std::uint8_t> profile;
    colour.Apply(result->colour, ColourOutput::kSrgb, thumb.picture, profile);
  }
  return thumb;
}

// A third of each upright side, so every picture shrinks.

inline TiffLayout PhotoTiff(int width, int height, int samples, int bits) {
  const Image photo = MakeDetailedPhoto(width, height, static_cast<std::uint32_t>(samples * bits));
  TiffLayout layout{.width = width, .height = height, .samples = samples, .bits = bits};
  layout.photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  const int bytes = bits / 8;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int s = 0; s < samples; ++s) {
        // Alpha fades across, so transparent and opaque rows both occur.
        const int v = s == 3 ? std::min(255, x * 300 / width) : photo.at(x, y)[s % 3];
        const std::uint16_t wide = static_cast<std::uint16_t>(v * 257 + (x + y) % 200);
        if (bytes == 2)
          layout.samples_data.insert(layout.samples_data.end(), reinterpret_cast<const std::uint8_t*>(&wide),
                                     reinterpret_cast<const std::uint8_t*>(&wide) + 2);
        else
          layout.samples_data.push_back(static_cast<std::uint8_t>(v));
      }
  if (samples == 4 || samples == 2) layout.extra = EXTRASAMPLE_UNASSALPHA;
  return layout;
}

}  // namespace vr::test
