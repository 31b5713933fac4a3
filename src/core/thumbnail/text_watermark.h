// The text watermark: a line such as "(c) %o %ddmmyyyy" with the naming
// tokens of the row filled in, drawn over the thumbnail after the picture
// watermark, in one of the nine regions and kept off the edges by the
// watermark's margin.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "thumbnail/naming.h"

namespace vr {

class Engine;

// The widest and tallest a text may be drawn: its size in percent of the
// thumbnail's height.
inline constexpr std::int32_t kMaxTextPercent = 100;

struct TextWatermark {
  std::string text;                 // WMText: empty for none
  std::string font;                 // WMTextFont: a family name or fontconfig pattern
  std::int32_t size_percent = 0;    // WMTextSize: the font's size in percent of the thumbnail's height
  std::uint32_t colour = 0xFFFFFF;  // WMTextColour, 0x00BBGGRR
  std::int32_t opacity = 100;       // WMTextOpacity, percent
  std::int32_t area = 9;            // WMTextArea, 1..9 as WMArea
};

// The row's text: "(c)" and "(C)" become "©", then the naming tokens (see
// ExpandNamingConvention) are filled in with the row's name, counter and
// date. The sign goes first so a file name holding "(c)" keeps it.
std::string ExpandWatermarkText(std::string_view text, std::string_view base_name, std::int32_t counter,
                                const LocalDateTime& when);

// Draws the row's expanded `text` over the engine's picture: the font at
// size_percent of the picture's height, scaled down when the line is wider
// than the picture less both margins; coverage blended "over" in plain
// sRGB values at the opacity. Nothing for an empty text, a size or an
// opacity of 0 or below. A font that cannot be opened fails the row, naming
// the font.
Status ApplyTextWatermark(Engine& engine, const TextWatermark& style, std::int32_t margin,
                          std::string_view text);

}  // namespace vr
