// ICC profiles as a file would carry them, made with lcms, for tests that
// embed one in a picture: RGB with given primaries, white D65, gamma 2.2.
#pragma once

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdint>
#include <vector>

namespace vr::test {

inline constexpr cmsCIExyYTRIPLE kAdobeRgbPrimaries = {
    {0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
inline constexpr cmsCIExyYTRIPLE kDisplayP3Primaries = {
    {0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};

inline std::vector<std::uint8_t> RgbProfileBytes(const cmsCIExyYTRIPLE& primaries) {
  const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
  const cmsFloat64Number gamma[1] = {2.2};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 1, gamma);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsUInt32Number size = 0;
  EXPECT_TRUE(cmsSaveProfileToMem(profile, nullptr, &size));
  std::vector<std::uint8_t> bytes(size);
  EXPECT_TRUE(cmsSaveProfileToMem(profile, bytes.data(), &size));
  cmsCloseProfile(profile);
  return bytes;
}

}  // namespace vr::test
