// What the progress bar puts on the screen: the surface inside the margin,
// the bar in its four directions, and the text under the bar inverted by the
// not-xor fill. Checked on the rendered widget, pixel by pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "widgets/percent_bar.h"

namespace vr {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlue = 0xFF0000FF;  // the default fore colour 0xFF0000 as the screen has it

// The bar as rendered, cut down to its inner surface.
QImage SurfacePixels(PercentBar& bar) {
  QImage image(bar.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  bar.render(&image);
  return image.copy(bar.SurfaceRect());
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// A shown bar of `width` x `height` pixels with nothing drawn but the bar.
void Prepare(PercentBar& bar, int width, int height) {
  bar.resize(width, height);
  bar.show();
  bar.SetShowPercent(false);
}

TEST(PercentBarLayoutTest, SurfaceSitsInsideAOnePixelMargin) {
  PercentBar bar;
  bar.resize(200, 20);
  bar.show();
  // 10 twips each side, at 15 twips a pixel, rounds to one pixel.
  EXPECT_EQ(bar.SurfaceRect(), QRect(1, 1, 198, 18));
  EXPECT_EQ(bar.Buffer().size(), QSize(198, 18));
  bar.resize(2, 2);
  EXPECT_EQ(bar.SurfaceRect(), QRect(1, 1, 0, 0));
}

TEST(PercentBarLayoutTest, TooSmallASideKeepsTheSurfaceSize) {
  PercentBar bar;
  bar.resize(200, 20);
  bar.show();
  bar.resize(1, 20);  // 15 twips, less than the two margins
  EXPECT_EQ(bar.SurfaceRect().size(), QSize(198, 18));
  bar.resize(1, 1);
  EXPECT_EQ(bar.SurfaceRect().size(), QSize(198, 18));
}

TEST(PercentBarLayoutTest, UnshownBarAlreadyDrawsAtItsSize) {
  PercentBar bar;
  bar.resize(102, 12);
  bar.SetValue(50);
  EXPECT_EQ(bar.Buffer().size(), QSize(100, 10));
}

struct FillCase {
  std::int32_t orientation;
  // Whether the pixel at (x, y) of a 100 x 40 surface lies under the 25 % bar.
  bool (*covered)(int x, int y);
};

class PercentBarFillTest : public testing::TestWithParam<FillCase> {};

TEST_P(PercentBarFillTest, QuarterBarFillsFromItsEdge) {
  PercentBar bar;
  Prepare(bar, 102, 42);
  bar.SetOrientation(GetParam().orientation);
  bar.SetValue(25);
  const QImage pixels = SurfacePixels(bar);
  ASSERT_EQ(pixels.size(), QSize(100, 40));
  int covered = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) {
      const bool expected = GetParam().covered(x, y);
      covered += expected;
      ASSERT_EQ(At(pixels, x, y), expected ? kBlue : kWhite) << "at " << x << "," << y;
    }
  EXPECT_EQ(covered, GetParam().orientation >= 1 && GetParam().orientation <= 4 ? 1000 : 0);
}

INSTANTIATE_TEST_SUITE_P(Orientations, PercentBarFillTest,
                         testing::Values(FillCase{1, [](int, int y) { return y < 10; }},
                                         FillCase{2, [](int, int y) { return y >= 30; }},
                                         FillCase{3, [](int x, int) { return x < 25; }},
                                         FillCase{4, [](int x, int) { return x >= 75; }},
                                         FillCase{0, [](int, int) { return false; }},
                                         FillCase{5, [](int, int) { return false; }}));

TEST(PercentBarFillTest, EmptyAndFullBars) {
  PercentBar bar;
  Prepare(bar, 52, 12);
  bar.SetValue(0);
  QImage pixels = SurfacePixels(bar);
  for (int x = 0; x < 50; ++x) EXPECT_EQ(At(pixels, x, 5), kWhite);
  bar.SetValue(100);
  pixels = SurfacePixels(bar);
  for (int x = 0; x < 50; ++x) EXPECT_EQ(At(pixels, x, 5), kBlue);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(At(pixels, 49, y), kBlue);
  // Far past Max still fills exactly the surface; Max 0 fills nothing.
  bar.SetMax(1);
  bar.SetValue(1000);
  EXPECT_EQ(SurfacePixels(bar), pixels);
  bar.SetMax(0);
  pixels = SurfacePixels(bar);
  for (int x = 0; x < 50; ++x) EXPECT_EQ(At(pixels, x, 5), kWhite);
}

TEST(PercentBarFillTest, BarPixelsAreNotPenXorBackground) {
  PercentBar bar;
  Prepare(bar, 42, 12);
  bar.SetBackColor(0x0000FF);  // red
  bar.SetValue(50);
  const QImage pixels = SurfacePixels(bar);
  // NOT (blue XOR red) is green; the rest stays red.
  EXPECT_EQ(At(pixels, 5, 5), 0xFF00FF00u);
  EXPECT_EQ(At(pixels, 35, 5), 0xFFFF0000u);
}

TEST(PercentBarFillTest, PictureLiesUnderTheBar) {
  PercentBar bar;
  Prepare(bar, 42, 12);
  QPixmap picture(10, 10);
  picture.fill(Qt::black);
  bar.SetPicture(picture);
  bar.SetValue(0);
  QImage pixels = SurfacePixels(bar);
  EXPECT_EQ(At(pixels, 2, 2), 0xFF000000u);
  EXPECT_EQ(At(pixels, 12, 2), kWhite);
  bar.SetValue(50);
  pixels = SurfacePixels(bar);
  // NOT (blue XOR black) is yellow.
  EXPECT_EQ(At(pixels, 2, 2), 0xFFFFFF00u);
}

TEST(PercentBarFillTest, SystemColourFollowsThePalette) {
  PercentBar bar;
  Prepare(bar, 42, 12);
  QPalette palette = bar.palette();
  palette.setColor(QPalette::Button, QColor(10, 200, 30));
  bar.setPalette(palette);
  bar.SetBackColor(0x8000000F);  // the button face
  bar.SetValue(0);
  EXPECT_EQ(At(SurfacePixels(bar), 20, 5), qRgb(10, 200, 30));
}

// Text drawn at 0 % shows where the glyphs are; at 50 % the left half must be
// that picture under the not-xor pen and the right half unchanged.
TEST(PercentBarTextTest, TextUnderTheBarIsInvertedAndBesideItUnchanged) {
  PercentBar bar;
  Prepare(bar, 202, 22);
  QFont font = bar.Font();
  font.setPixelSize(16);
  bar.SetFont(font);
  bar.SetCaption(QStringLiteral("MMMMMMMMMM"));
  bar.SetValue(0);
  const QImage text_only = SurfacePixels(bar);
  bar.SetValue(50);
  const QImage with_bar = SurfacePixels(bar);
  ASSERT_EQ(text_only.size(), QSize(200, 20));

  int glyph_left = 0, glyph_right = 0, white_under_bar = 0, blue_beside_bar = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 200; ++x) {
      const QRgb before = At(text_only, x, y);
      const QRgb after = At(with_bar, x, y);
      if (x < 100) {
        ASSERT_EQ(after, 0xFF000000u | (~(0x0000FFu ^ before) & 0xFFFFFFu)) << x << "," << y;
        if (before == kBlue) {
          ++glyph_left;
          white_under_bar += after == kWhite;
        }
      } else {
        ASSERT_EQ(after, before) << x << "," << y;
        if (before == kBlue) {
          ++glyph_right;
          blue_beside_bar += after == kBlue;
        }
      }
    }
  // The text spans both halves, and is drawn in the fore colour.
  EXPECT_GT(glyph_left, 10);
  EXPECT_GT(glyph_right, 10);
  EXPECT_EQ(white_under_bar, glyph_left);
  EXPECT_EQ(blue_beside_bar, glyph_right);
}

TEST(PercentBarTextTest, PercentageIsCentred) {
  PercentBar bar;
  bar.resize(202, 22);
  bar.show();
  bar.SetValue(0);  // "0%", no bar
  const QImage pixels = SurfacePixels(bar);
  int left = 200, right = -1, top = 20, bottom = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 200; ++x)
      if (At(pixels, x, y) != kWhite) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  ASSERT_GE(right, 0) << "no text drawn";
  // Glyph ink sits inside the advance box, so allow a few pixels of bearing.
  EXPECT_NEAR((left + right) / 2.0, 100.0, 4.0);
  EXPECT_NEAR((top + bottom) / 2.0, 10.0, 4.0);
}

TEST(PercentBarTextTest, NoTextWhenCaptionEmptyAndPercentOff) {
  PercentBar bar;
  Prepare(bar, 102, 22);
  bar.SetValue(0);
  const QImage pixels = SurfacePixels(bar);
  for (int y = 0; y < pixels.height(); ++y)
    for (int x = 0; x < pixels.width(); ++x) ASSERT_EQ(At(pixels, x, y), kWhite);
}

TEST(PercentBarTextTest, FailedWriteKeepsThePicture) {
  PercentBar bar;
  bar.resize(102, 22);
  bar.show();
  bar.SetValue(30);
  const QImage before = SurfacePixels(bar);
  EXPECT_ANY_THROW(bar.SetValue(40000));
  EXPECT_EQ(SurfacePixels(bar), before);
}

}  // namespace
}  // namespace vr
