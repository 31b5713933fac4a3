#include "imaging/text/text_draw.h"

#include <algorithm>
#include <vector>

#include "imaging/limits.h"
#include "imaging/text/font_face.h"

namespace vr {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// A glyph's coverage and where it sits: `left` from the line's start,
// `top` above the baseline.
struct PlacedGlyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;
};

struct LaidOutLine {
  std::vector<PlacedGlyph> glyphs;
  int min_x = 0;
  int max_x = 0;
  int ascent = 0;
  int descent = 0;
  int width() const { return max_x - min_x; }
  int height() const { return ascent + descent; }
};

int CeilPixels(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }

PlacedGlyph CopyGlyph(const FT_GlyphSlot slot, int pen_x) {
  const FT_Bitmap& bitmap = slot->bitmap;
  PlacedGlyph glyph;
  glyph.left = pen_x + slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.rows));
  for (int y = 0; y < glyph.rows; ++y) {
    const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
    std::copy(row, row + glyph.width, glyph.coverage.begin() + static_cast<std::ptrdiff_t>(y) * glyph.width);
  }
  return glyph;
}

Expected<LaidOutLine> LayOut(FT_Face face, const std::u32string& text, int pixel_height,
                             const std::string& font) {
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_height)) != 0)
    return Status::Fail("The font \"" + font + "\" has no size of " + std::to_string(pixel_height) +
                        " pixels");
  LaidOutLine line;
  line.ascent = CeilPixels(face->size->metrics.ascender);
  line.descent = CeilPixels(-face->size->metrics.descender);
  FT_Pos pen = 0;  // 26.6 fixed point, so advances add up without drift
  FT_UInt previous = 0;
  for (const char32_t code : text) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
      FT_Vector kerning{};
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning) == 0) pen += kerning.x;
    }
    // Grey antialiased coverage; hinting keeps small sizes crisp.
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0 ||
        face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
      pen += face->glyph->advance.x;
      previous = index;
      continue;  // a glyph the font cannot draw leaves its space, as a viewer would
    }
    PlacedGlyph glyph = CopyGlyph(face->glyph, static_cast<int>((pen + 32) >> 6));
    line.min_x = std::min(line.min_x, glyph.left);
    line.max_x = std::max(line.max_x, glyph.left + glyph.width);
    line.ascent = std::max(line.ascent, glyph.top);
    line.descent = std::max(line.descent, glyph.rows - glyph.top);
    if (glyph.width > 0 && glyph.rows > 0) line.glyphs.push_back(std::move(glyph));
    pen += face->glyph->advance.x;
    previous = index;
  }
  line.max_x = std::max(line.max_x, CeilPixels(pen));
  return line;
}

Image Compose(const LaidOutLine& line, const TextStyle& style) {
  Image image;
  image.Resize(line.width(), line.height());
  for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
    image.pixels[i] = style.red;
    image.pixels[i + 1] = style.green;
    image.pixels[i + 2] = style.blue;
    image.pixels[i + 3] = 0;
  }
  for (const PlacedGlyph& glyph : line.glyphs) {
    const int x0 = glyph.left - line.min_x;
    const int y0 = line.ascent - glyph.top;
    for (int y = 0; y < glyph.rows; ++y) {
      for (int x = 0; x < glyph.width; ++x) {
        const std::uint8_t cover = glyph.coverage[static_cast<std::size_t>(y * glyph.width + x)];
        std::uint8_t& alpha = image.at(x0 + x, y0 + y)[3];
        // Glyphs that touch (a kerned pair) keep the stronger coverage.
        alpha = std::max(alpha, cover);
      }
    }
  }
  return image;
}

}  // namespace

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    int length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      length = 1;
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07;
    }
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    out.push_back(valid ? code : kReplacement);
    i += valid ? static_cast<std::size_t>(length) : 1;
  }
  return out;
}

Expected<Image> DrawTextLine(std::string_view utf8, const TextStyle& style, int max_width) {
  const std::u32string text = DecodeUtf8(utf8);
  if (text.empty() || style.pixel_height < 1 || max_width < 1) return Image();
  VR_TRY_ASSIGN(FT_Face face, ThreadFace(style.font));
  int size = std::min(style.pixel_height, static_cast<int>(kMaxImageSide));
  VR_TRY_ASSIGN(LaidOutLine line, LayOut(face, text, size, style.font));
  // Widths follow the size closely but not exactly (hinting, rounding), so
  // the size is brought down until the line fits.
  while (line.width() > max_width && size > 1) {
    const auto scaled = static_cast<int>(static_cast<std::int64_t>(size) * max_width / line.width());
    size = std::clamp(scaled, 1, size - 1);
    VR_TRY_ASSIGN(line, LayOut(face, text, size, style.font));
  }
  if (line.width() < 1 || line.height() < 1) return Image();
  return Compose(line, style);
}

}  // namespace vr
