// Colour management with Little CMS 2: pictures whose file names their
// colours (an ICC profile, PNG's sRGB, gAMA and cHRM chunks) are turned into
// sRGB, the colours every thumbnail is taken to be in.
//
// Every conversion uses the perceptual intent with black-point compensation
// and leaves alpha as it is. A profile lcms cannot read, or one whose colour
// space does not fit the picture (a CMYK profile on an RGB file), is ignored:
// the picture is taken as untagged, as before, never refused. A profile whose
// transform leaves every colour within 1 of itself (sRGB itself) is skipped.
//
// One ColourTransforms per engine: it owns an lcms context and a small cache
// of transforms keyed by the profile's bytes, so a batch of photos from one
// camera opens its profile and builds its transform once per worker. Not
// safe to use from two threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/colour/icc_profile.h"
#include "imaging/image.h"

namespace vr {

// What a thumbnail's colours are: the OUTcolour setting's values.
enum class ColourOutput : std::int32_t {
  kSrgb = 0,  // converted to sRGB, written without a profile
  kKeep = 1,  // an RGB picture's samples as stored, its profile embedded
};

class ColourTransforms {
 public:
  ColourTransforms();
  ~ColourTransforms();
  ColourTransforms(ColourTransforms&&) noexcept;
  ColourTransforms& operator=(ColourTransforms&&) noexcept;
  ColourTransforms(const ColourTransforms&) = delete;
  ColourTransforms& operator=(const ColourTransforms&) = delete;

  // Turns a freshly decoded picture (RGBA; grey pictures spread to R = G = B)
  // from the colours `colour` names into sRGB. An untagged picture, and one
  // its decoder already converted, are left exactly as they are.
  //
  // With kKeep an RGB picture keeps its samples and `embed` receives the
  // profile its thumbnail should carry (the file's own bytes, or a profile
  // made from PNG's gAMA and cHRM). Grey pictures are converted to sRGB
  // either way (an RGB thumbnail cannot carry a grey profile), and `embed`
  // is left empty for everything else.
  void Apply(const SourceColour& colour, ColourOutput output, Image& picture,
             std::vector<std::uint8_t>& embed);

  // Ink values (0 = none; `inverted`: 255 = none, as Adobe's files store
  // them) to opaque sRGB through a CMYK profile, `pixels` 4-byte pixels from
  // `cmyk` into `rgba`. False, with nothing written, when the profile cannot
  // be used; the caller then converts without one.
  bool CmykToSrgb(std::span<const std::uint8_t> icc, bool inverted, const std::uint8_t* cmyk,
                  std::size_t pixels, std::uint8_t* rgba);

  // CIE L*a*b* (D50, L 0..100, a and b in their own units), three floats a
  // pixel, to sRGB in the first three bytes of each RGBA pixel; alpha is not
  // touched. False when lcms could not build the transform.
  bool LabToSrgb(const float* lab, std::size_t pixels, std::uint8_t* rgba);

  // How many transforms the cache holds, for tests.
  std::size_t cached() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vr
