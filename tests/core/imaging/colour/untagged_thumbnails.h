// Thumbnails of pictures that carry no colour information, made with the
// engine's plain interface only, so the same code built before colour
// management existed gives the fingerprints the tests hold the engine to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/engine.h"
#include "imaging/format_codes.h"

namespace vr::test {

// FNV-1a, 64 bits.
inline std::uint64_t Fingerprint(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 1469598103934665603ull;
  for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

// The untagged sources: a detailed 640x480 photo as a TurboJPEG q90 4:2:0
// file, as PNG, and the PNG's grey channel as a grey JPEG.
inline std::vector<std::pair<std::string, Bytes>> UntaggedSources() {
  const Image photo = MakeDetailedPhoto(640, 480, 7);
  Bytes png;
  EXPECT_TRUE(EncodePng(photo, png, "photo.png").ok());
  Bytes grey;
  for (std::size_t i = 0; i < photo.pixels.size(); i += 4) grey.push_back(photo.pixels[i + 1]);
  return {{"photo.jpg", CompressJpeg(photo.pixels.data(), 640, 480, TJPF_RGBA, TJSAMP_420, 0, 90)},
          {"photo.png", png},
          {"grey.jpg", CompressJpeg(grey.data(), 640, 480, TJPF_GRAY, TJSAMP_GRAY, 0, 90)}};
}

// Each source's thumbnails at 160x120 and 60x45 (shrunk in the DCT for the
// JPEGs) as JPEG q85 and PNG, in that order, fingerprinted. `folder` holds
// the source files while they are read.
inline std::vector<std::uint64_t> UntaggedThumbnailFingerprints(Engine& engine, const std::string& folder) {
  std::vector<std::uint64_t> prints;
  for (const auto& [name, bytes] : UntaggedSources()) {
    const std::string path = folder + "/" + name;
    EXPECT_TRUE(ReplaceFileAtomically(path, bytes).ok());
    for (const auto& [w, h] : {std::pair{160, 120}, std::pair{60, 45}})
      for (const int format : {kFormatJpeg, kFormatPng}) {
        std::vector<std::uint8_t> out;
        EXPECT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok());
        EXPECT_TRUE(engine.Resample(w, h).ok());
        engine.SetJpegQuality(85);
        EXPECT_TRUE(engine.Encode(format, out, path).ok());
        prints.push_back(Fingerprint(out));
      }
  }
  return prints;
}

}  // namespace vr::test
