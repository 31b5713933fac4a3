// Pictures between the engine and the windows keep straight alpha both ways,
// and a palette picture arrives as its colours.
#include "support/qt_image.h"

#include <gtest/gtest.h>

#include <QColor>

namespace vr {
namespace {

TEST(QtImageTest, StraightAlphaSurvivesTheRoundTrip) {
  Image original;
  original.Resize(2, 1);
  const std::uint8_t bytes[] = {200, 100, 50, 128, 10, 20, 30, 255};
  std::copy(std::begin(bytes), std::end(bytes), original.pixels.begin());
  const QImage q = ToQImage(original);
  // A half-transparent pixel keeps its full colour values.
  EXPECT_EQ(QColor::fromRgba(q.pixel(0, 0)), QColor(200, 100, 50, 128));
  const Image back = FromQImage(q);
  EXPECT_EQ(back.width, 2);
  EXPECT_EQ(back.pixels, original.pixels);
  EXPECT_TRUE(ToQImage(Image{}).isNull());
  EXPECT_TRUE(FromQImage(QImage()).empty());
}

// The compiled-in samples are palette pictures.
TEST(QtImageTest, PaletteInputGivesItsColours) {
  QImage indexed(2, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 2, 3), qRgb(250, 251, 252)});
  indexed.setPixel(0, 0, 1);
  indexed.setPixel(1, 0, 0);
  const Image image = FromQImage(indexed);
  EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end()),
            (std::vector<std::uint8_t>{250, 251, 252, 255, 1, 2, 3, 255}));
}

}  // namespace
}  // namespace vr
