// A line of text drawn with an installed font: the colour everywhere and
// the glyphs as antialiased alpha, a line as tall as the font's, wider for
// longer text, shrunk to fit, the same on every thread; a font name nothing
// matches still draws; UTF-8 that is not text draws as U+FFFD.
#include "imaging/text/text_draw.h"

#include <gtest/gtest.h>

#include <thread>

#include "imaging/text/font_face.h"

namespace vr {
namespace {

TextStyle Style(int pixel_height, const std::string& font = "DejaVu Sans") {
  TextStyle style;
  style.font = font;
  style.pixel_height = pixel_height;
  style.red = 10;
  style.green = 200;
  style.blue = 30;
  return style;
}

Image Drawn(std::string_view text, const TextStyle& style, int max_width = 10000) {
  Expected<Image> image = DrawTextLine(text, style, max_width);
  EXPECT_TRUE(image.ok()) << image.message();
  return image ? *image : Image();
}

int CoveredPixels(const Image& image) {
  int covered = 0;
  for (std::size_t i = 3; i < image.pixels.size(); i += 4) covered += image.pixels[i] > 0 ? 1 : 0;
  return covered;
}

TEST(FontMatchTest, FindsTheNamedFontAndFallsBackForUnknownNames) {
  Expected<FontFile> dejavu = MatchFont("DejaVu Sans");
  ASSERT_TRUE(dejavu.ok()) << dejavu.message();
  EXPECT_NE(dejavu->path.find("DejaVuSans"), std::string::npos) << dejavu->path;
  EXPECT_TRUE(MatchFont("No Such Family Anywhere 9").ok());
  EXPECT_TRUE(MatchFont("").ok());
}

TEST(TextDrawTest, GlyphsAreAntialiasedAlphaOverTheStylesColour) {
  const Image line = Drawn("Hello", Style(24));
  ASSERT_FALSE(line.empty());
  // A line is the font's ascent plus descent: a little more than its size.
  EXPECT_GE(line.height, 24);
  EXPECT_LE(line.height, 36);
  bool opaque = false, partial = false, clear = false;
  for (int y = 0; y < line.height; ++y) {
    for (int x = 0; x < line.width; ++x) {
      const std::uint8_t* p = line.at(x, y);
      ASSERT_EQ(p[0], 10);
      ASSERT_EQ(p[1], 200);
      ASSERT_EQ(p[2], 30);
      opaque |= p[3] == 255;
      partial |= p[3] > 0 && p[3] < 255;
      clear |= p[3] == 0;
    }
  }
  EXPECT_TRUE(opaque && partial && clear);
}

TEST(TextDrawTest, LongerTextIsWiderAndAWideLineShrinksToFit) {
  const Image short_line = Drawn("ab", Style(20));
  const Image long_line = Drawn("abababab", Style(20));
  EXPECT_GT(long_line.width, 3 * short_line.width);
  EXPECT_EQ(long_line.height, short_line.height);
  const Image fitted = Drawn("abababab", Style(20), 60);
  EXPECT_LE(fitted.width, 60);
  EXPECT_GT(fitted.width, 40);  // shrunk only as far as needed
  EXPECT_LT(fitted.height, long_line.height);
}

TEST(TextDrawTest, AnUnknownFontStillDrawsAndNothingGivesAnEmptyPicture) {
  EXPECT_GT(CoveredPixels(Drawn("Fallback", Style(18, "No Such Family Anywhere 9"))), 20);
  EXPECT_GT(CoveredPixels(Drawn("Default", Style(18, ""))), 20);
  EXPECT_TRUE(Drawn("", Style(18)).empty());
  EXPECT_TRUE(Drawn("x", Style(0)).empty());
  EXPECT_TRUE(Drawn("x", Style(18), 0).empty());
}

TEST(TextDrawTest, EveryThreadDrawsTheSamePixels) {
  const Image here = Drawn("Thread \u00A9 2026", Style(22));
  Image there;
  std::thread other([&] { there = Drawn("Thread \u00A9 2026", Style(22)); });
  other.join();
  EXPECT_EQ(here.pixels, there.pixels);
  EXPECT_GT(CoveredPixels(here), 50);
}

TEST(Utf8Test, DecodesTextAndReplacesWhatIsNotText) {
  EXPECT_EQ(DecodeUtf8("a\u00A9\u20AC\U0001F600"), U"a\u00A9\u20AC\U0001F600");
  EXPECT_EQ(DecodeUtf8("a\xFF"
                       "b"),
            U"a\uFFFDb");
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");            // an overlong "/"
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");  // a surrogate
  EXPECT_EQ(DecodeUtf8("\xE2\x82"), U"\uFFFD\uFFFD");            // cut short
}

}  // namespace
}  // namespace vr
