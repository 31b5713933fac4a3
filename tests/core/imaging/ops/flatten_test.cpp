// Transparency for formats without it: "over" a background, every alpha, and
// only the fully transparent pixels recoloured where alpha is kept.
#include "imaging/ops/flatten.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using namespace test;

TEST(Flatten, BlendsEveryAlphaOverTheBackgroundRoundedOnce) {
  const Background sky = Background::FromStored(0x00C08040);  // stored BGR: red 0x40, green 0x80, blue 0xC0
  EXPECT_EQ(sky.red, 0x40);
  EXPECT_EQ(sky.blue, 0xC0);
  Image image = MakeImage(256, 1, {0, 0, 0, 0});
  for (int a = 0; a < 256; ++a) SetPixel(image, a, 0, Rgba{250, 3, 128, std::uint8_t(a)});
  FlattenOnto(image, sky);
  for (int a = 0; a < 256; ++a) {
    const std::uint8_t* p = image.at(a, 0);
    const double k = a / 255.0;
    EXPECT_EQ(p[0], std::lround(250 * k + 0x40 * (1 - k))) << a;
    EXPECT_EQ(p[1], std::lround(3 * k + 0x80 * (1 - k))) << a;
    EXPECT_EQ(p[2], std::lround(128 * k + 0xC0 * (1 - k))) << a;
    EXPECT_EQ(p[3], 255) << a;
  }
  // Opaque pictures come out exactly as they went in.
  const Image opaque = MakeRandomImage(9, 5, 3, false);
  Image flattened = opaque;
  FlattenOnto(flattened, sky);
  EXPECT_EQ(flattened.pixels, opaque.pixels);
}

TEST(Flatten, FillingRecoloursOnlyFullyTransparentPixelsAndKeepsAlpha) {
  Image image = MakeImage(3, 1, {0, 0, 0, 0});
  SetPixel(image, 1, 0, Rgba{10, 20, 30, 1});
  SetPixel(image, 2, 0, Rgba{10, 20, 30, 255});
  FillTransparent(image, Background{});
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 255, 255, 0}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{10, 20, 30, 1}));
  EXPECT_EQ(PixelAt(image, 2, 0), (Rgba{10, 20, 30, 255}));
}

}  // namespace
}  // namespace vr
