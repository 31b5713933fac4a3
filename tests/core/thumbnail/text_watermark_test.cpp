// The text watermark: the row's tokens and the copyright sign filled in;
// drawn over the thumbnail only inside its region less the margin, the file
// name as its own glyphs, shrunk to fit, and not at all at opacity 0; in a
// row, each row's own name and number.
#include "thumbnail/text_watermark.h"

#include <gtest/gtest.h>

#include "core/imaging/pixel_test_util.h"
#include "imaging/engine.h"
#include "imaging/text/text_draw.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/planning.h"
#include "thumbnail/rendering.h"

namespace vr {
namespace {

using test::MakeImage;

const LocalDateTime kWhen{2026, 12, 5, 9, 30, 0};
constexpr int kWidth = 240;
constexpr int kHeight = 160;

TextWatermark WhiteText(const std::string& text, std::int32_t area = 9) {
  TextWatermark style;
  style.text = text;
  style.font = "DejaVu Sans";
  style.size_percent = 12;
  style.colour = 0xFFFFFF;
  style.opacity = 100;
  style.area = area;
  return style;
}

// A black picture with the text drawn on it.
Image Drawn(const TextWatermark& style, std::int32_t margin, const std::string& text) {
  Engine engine;
  EXPECT_TRUE(engine.Hold(Engine::kPictureSlot, MakeImage(kWidth, kHeight, {0, 0, 0, 255})).ok());
  const Status drawn = ApplyTextWatermark(engine, style, margin, text);
  EXPECT_TRUE(drawn.ok()) << drawn.message();
  return engine.picture(Engine::kPictureSlot);
}

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right and bottom exclusive
  int pixels = 0;
};

// Where the picture is no longer black.
Box Marked(const Image& image) {
  Box box;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.at(x, y)[0] != 0 || image.at(x, y)[1] != 0 || image.at(x, y)[2] != 0) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
        ++box.pixels;
      }
  return box;
}

TEST(TextWatermarkTextTest, TokensAndTheCopyrightSignAreFilledIn) {
  EXPECT_EQ(ExpandWatermarkText("(c) %o #%###", "IMG_0042", 7, kWhen), "\u00A9 IMG_0042 #007");
  EXPECT_EQ(ExpandWatermarkText("(C) %ddmmyyyy", "x", 0, kWhen), "\u00A9 05122026");
  // The sign is made before the name goes in, so a name keeps its "(c)".
  EXPECT_EQ(ExpandWatermarkText("%o", "draft(c)", 0, kWhen), "draft(c)");
  EXPECT_EQ(ExpandWatermarkText("", "x", 0, kWhen), "");
}

TEST(TextWatermarkDrawTest, TheFileNameIsDrawnInsideItsRegionOnly) {
  const std::string name = ExpandWatermarkText("%o", "holiday_07", 0, kWhen);
  const int margin = 6;
  const TextWatermark style = WhiteText("%o");
  Expected<Image> line = DrawTextLine(name, {style.font, kHeight * 12 / 100, 255, 255, 255}, kWidth);
  ASSERT_TRUE(line.ok());
  // Region 9 less the margin: the line's own box in the bottom-right corner.
  const Box box = Marked(Drawn(style, margin, name));
  EXPECT_GT(box.pixels, 100);
  EXPECT_GE(box.left, kWidth - margin - line->width);
  EXPECT_LE(box.right, kWidth - margin);
  EXPECT_GE(box.top, kHeight - margin - line->height);
  EXPECT_LE(box.bottom, kHeight - margin);
  // The name's own glyphs: another name draws other pixels.
  EXPECT_NE(Drawn(style, margin, name).pixels, Drawn(style, margin, "holiday_08").pixels);
}

TEST(TextWatermarkDrawTest, EachRegionHoldsTheText) {
  const int margin = 5;
  for (std::int32_t area = 1; area <= 9; ++area) {
    const Box box = Marked(Drawn(WhiteText("Ag", area), margin, "Ag"));
    ASSERT_GT(box.pixels, 20) << area;
    const int column = (area - 1) / 3, row = (area - 1) % 3;
    const int centre_x = (box.left + box.right) / 2, centre_y = (box.top + box.bottom) / 2;
    // Each third of the picture holds its region's text, margin kept.
    EXPECT_EQ(centre_x * 3 / kWidth, column) << area;
    EXPECT_EQ(centre_y * 3 / kHeight, row) << area;
    EXPECT_GE(box.left, margin);
    EXPECT_GE(box.top, margin);
    EXPECT_LE(box.right, kWidth - margin);
    EXPECT_LE(box.bottom, kHeight - margin);
  }
}

TEST(TextWatermarkDrawTest, TheSignIsDrawnAsTheSign) {
  const TextWatermark style = WhiteText("(c) 2026");
  const std::string expanded = ExpandWatermarkText(style.text, "x", 0, kWhen);
  EXPECT_EQ(Drawn(style, 0, expanded).pixels, Drawn(style, 0, "\u00A9 2026").pixels);
  EXPECT_NE(Drawn(style, 0, expanded).pixels, Drawn(style, 0, "(c) 2026").pixels);
}

TEST(TextWatermarkDrawTest, ATextTooWideShrinksIntoTheWidthLessTheMargins) {
  TextWatermark style = WhiteText("", 5);
  style.size_percent = 40;
  const Box box = Marked(Drawn(style, 12, "A rather long line of text for a thumbnail"));
  EXPECT_GT(box.pixels, 100);
  EXPECT_GE(box.left, 12);
  EXPECT_LE(box.right, kWidth - 12);
  EXPECT_GT(box.right - box.left, kWidth * 2 / 3);
}

TEST(TextWatermarkDrawTest, NothingIsDrawnAtOpacityZeroSizeZeroOrWithoutText) {
  const Image black = MakeImage(kWidth, kHeight, {0, 0, 0, 255});
  TextWatermark style = WhiteText("Visible");
  style.opacity = 0;
  EXPECT_EQ(Drawn(style, 0, "Visible").pixels, black.pixels);
  style = WhiteText("Visible");
  style.size_percent = 0;
  EXPECT_EQ(Drawn(style, 0, "Visible").pixels, black.pixels);
  EXPECT_EQ(Drawn(WhiteText(""), 0, "").pixels, black.pixels);
  // Half opacity: no pixel brighter than half white.
  style = WhiteText("Visible");
  style.opacity = 50;
  const Image half = Drawn(style, 0, "Visible");
  EXPECT_GT(Marked(half).pixels, 50);
  for (std::size_t i = 0; i < half.pixels.size(); i += 4) ASSERT_LE(half.pixels[i], 128);
}

TEST(TextWatermarkDrawTest, TheColourIsTheStoredOne) {
  TextWatermark style = WhiteText("Colour");
  style.colour = 0x0000FF;  // 0x00BBGGRR: red
  const Image red = Drawn(style, 0, "Colour");
  bool seen = false;
  for (std::size_t i = 0; i < red.pixels.size(); i += 4) {
    ASSERT_EQ(red.pixels[i + 1], 0);
    ASSERT_EQ(red.pixels[i + 2], 0);
    seen |= red.pixels[i] == 255;
  }
  EXPECT_TRUE(seen);
}

// Through planning and rendering: each row draws its own name and number.
TEST(TextWatermarkRowTest, EachRowDrawsItsOwnNameAndNumber) {
  test::TempFolder folder;
  test::ScriptedHost host;
  NameCounter counter;
  PlanState state{host, counter, [] { return kWhen; }};
  Engine engine;
  SettingsRecord s = test::PlainSettings(folder.path());
  s.OUTname = "t%##";
  s.WMText = "%o %##";
  s.WMTextFont = "DejaVu Sans";
  s.WMTextSize = 10;
  s.WMTextColour = 0xFFFFFF;
  s.WMTextOpacity = 100;
  s.WMTextArea = 9;
  const Image photo = test::MakeImage(600, 400, {0, 0, 0, 255});
  test::WritePng(folder.File("a.png"), photo);
  const RenderSettings render = RenderSettingsFrom(s);
  std::vector<Image> made;
  for (std::int32_t row = 1; row <= 2; ++row) {
    const RowRecipe recipe = PlanRow(PlanSettingsFrom(s), row, folder.File("a.png"), state);
    EXPECT_EQ(recipe.watermark_text, "a 0" + std::to_string(row - 1));
    RenderedRow rendered;
    ASSERT_TRUE(RenderRow(engine, render, recipe, Image(), rendered).ok());
    ASSERT_TRUE(WriteRow(recipe, rendered).ok());
    made.push_back(test::ReadPicture(recipe.output_path));
  }
  EXPECT_GT(Marked(made[0]).pixels, 100);
  EXPECT_NE(made[0].pixels, made[1].pixels);
}

}  // namespace
}  // namespace vr
