#include "support/qt_image.h"

#include <gtest/gtest.h>

#include <QColor>

#include "settings_dialog/region_picker.h"

namespace vr {
namespace {

Image TwoPixels() {
  Image image;
  image.Resize(2, 1);
  const std::uint8_t bytes[] = {200, 100, 50, 128, 10, 20, 30, 255};
  std::copy(std::begin(bytes), std::end(bytes), image.pixels.begin());
  return image;
}

TEST(QtImageTest, ToQImageKeepsStraightAlphaAndOrder) {
  const QImage q = ToQImage(TwoPixels());
  ASSERT_EQ(q.format(), QImage::Format_RGBA8888);
  ASSERT_EQ(q.size(), QSize(2, 1));
  // Straight alpha: a half-transparent pixel keeps its full colour values.
  const QColor first = QColor::fromRgba(q.pixel(0, 0));
  EXPECT_EQ(first.red(), 200);
  EXPECT_EQ(first.green(), 100);
  EXPECT_EQ(first.blue(), 50);
  EXPECT_EQ(first.alpha(), 128);
  EXPECT_EQ(QColor::fromRgba(q.pixel(1, 0)), QColor(10, 20, 30, 255));
}

TEST(QtImageTest, RoundTripIsExact) {
  const Image original = TwoPixels();
  const Image back = FromQImage(ToQImage(original));
  EXPECT_EQ(back.width, 2);
  EXPECT_EQ(back.height, 1);
  EXPECT_EQ(back.pixels, original.pixels);
}

TEST(QtImageTest, PremultipliedInputComesBackStraight) {
  QImage premultiplied(1, 1, QImage::Format_ARGB32_Premultiplied);
  premultiplied.fill(QColor(200, 0, 0, 128));
  const Image image = FromQImage(premultiplied);
  ASSERT_EQ(image.pixels.size(), 4u);
  EXPECT_NEAR(image.pixels[0], 200, 2);
  EXPECT_EQ(image.pixels[3], 128);
}

TEST(QtImageTest, PaletteInputGivesItsColours) {
  QImage indexed(2, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 2, 3), qRgb(250, 251, 252)});
  indexed.setPixel(0, 0, 1);
  indexed.setPixel(1, 0, 0);
  const Image image = FromQImage(indexed);
  EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end()),
            (std::vector<std::uint8_t>{250, 251, 252, 255, 1, 2, 3, 255}));
}

TEST(QtImageTest, EmptyStaysEmpty) {
  EXPECT_TRUE(ToQImage(Image{}).isNull());
  EXPECT_TRUE(FromQImage(QImage()).empty());
}

TEST(QtImageTest, SamplesAreCompiledInAtTheirSizes) {
  const QImage butterfly(kButterflyResource);
  ASSERT_FALSE(butterfly.isNull());
  EXPECT_EQ(butterfly.size(), QSize(269, 180));
  EXPECT_EQ(butterfly.format(), QImage::Format_Indexed8);
  EXPECT_EQ(butterfly.colorCount(), 256);
  const QImage logo(kWatermarkSampleResource);
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(logo.size(), QSize(64, 62));
  EXPECT_FALSE(logo.hasAlphaChannel());
  const Image loaded = LoadResourceImage(kButterflyResource);
  EXPECT_EQ(loaded.width, 269);
  EXPECT_EQ(loaded.height, 180);
}

}  // namespace
}  // namespace vr
