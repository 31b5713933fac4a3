#include "thumbnail/text_watermark.h"

#include <algorithm>

#include "imaging/engine.h"
#include "imaging/text/text_draw.h"
#include "thumbnail/watermark.h"
#include "thumbnail/watermark_scale.h"

namespace vr {
namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TextStyle StyleFor(const TextWatermark& watermark, int picture_height) {
  TextStyle style;
  style.font = watermark.font;
  const std::int64_t percent = std::min(watermark.size_percent, kMaxTextPercent);
  style.pixel_height = static_cast<int>(std::max<std::int64_t>(1, (picture_height * percent + 50) / 100));
  style.red = static_cast<std::uint8_t>(watermark.colour & 0xFF);
  style.green = static_cast<std::uint8_t>(watermark.colour >> 8 & 0xFF);
  style.blue = static_cast<std::uint8_t>(watermark.colour >> 16 & 0xFF);
  return style;
}

}  // namespace

std::string ExpandWatermarkText(std::string_view text, std::string_view base_name, std::int32_t counter,
                                const LocalDateTime& when) {
  std::string signed_text = ReplaceAll(std::string(text), "(c)", "\u00A9");
  signed_text = ReplaceAll(std::move(signed_text), "(C)", "\u00A9");
  return ExpandNamingConvention(signed_text, base_name, counter, when);
}

Status ApplyTextWatermark(Engine& engine, const TextWatermark& style, std::int32_t margin,
                          std::string_view text) {
  if (text.empty() || style.size_percent <= 0 || style.opacity <= 0) return Status::Ok();
  int width = 0;
  int height = 0;
  VR_TRY(engine.GetImageSize(Engine::kPictureSlot, width, height));
  const std::int64_t room = std::int64_t{width} - 2 * std::int64_t{std::max(margin, 0)};
  Expected<Image> line =
      DrawTextLine(text, StyleFor(style, height), static_cast<int>(std::max<std::int64_t>(room, 1)));
  if (!line) return Status::Fail("The text watermark cannot be drawn: " + line.message());
  if (line->empty()) return Status::Ok();
  const WMOffset offset =
      WithMargin(GetWMPoint(width, height, line->width, line->height, style.area), style.area, margin);
  engine.SetOverlayOpacity(style.opacity);
  return engine.MixIn(*line, MixMode::SrcBlend, ClampOffset(offset.x), ClampOffset(offset.y));
}

}  // namespace vr
