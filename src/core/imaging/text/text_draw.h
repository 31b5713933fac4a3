// One line of text drawn as a picture of its own, for laying over another.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "imaging/image.h"

namespace vr {

struct TextStyle {
  std::string font;      // a family name or fontconfig pattern; empty: the default sans
  int pixel_height = 0;  // the font's size in pixels (its em)
  std::uint8_t red = 255;
  std::uint8_t green = 255;
  std::uint8_t blue = 255;
};

// `utf8` as one line: every pixel the style's colour, the glyphs'
// antialiased coverage as alpha (0 where no glyph is). The picture is as
// tall as the font's line (ascent plus descent, grown for a glyph that
// reaches beyond) and as wide as the text. A text wider than `max_width` is
// drawn smaller until it fits. Kerning is applied where the font has it;
// a byte that is not UTF-8 draws as U+FFFD. Empty text, a size below one
// pixel or a max_width below one give an empty picture.
Expected<Image> DrawTextLine(std::string_view utf8, const TextStyle& style, int max_width);

// The text's code points; malformed sequences become U+FFFD one byte each.
std::u32string DecodeUtf8(std::string_view utf8);

}  // namespace vr
