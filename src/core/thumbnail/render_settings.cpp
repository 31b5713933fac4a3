#include "thumbnail/render_settings.h"

#include <algorithm>

#include "thumbnail/formats.h"
#include "thumbnail/watermark.h"

namespace vr {

RenderSettings RenderSettingsFrom(const SettingsRecord& s) {
  RenderSettings render;
  render.size = SizeRequestFrom(s);
  render.effects = {s.NoiseLevel,      s.BrightnessLevel,    s.ContrastLevel,    s.SaturationLevel,
                    s.CorrectionLevel, s.GrayScaleFlag == 1, s.NegativeFlag == 1};
  render.watermark = {s.WMArea, s.WMOpacity, s.WMMode, s.WMSize, s.WMMargin};
  render.watermark_first = s.ADVpixall == 1;
  render.release_after = s.ADVempty != 0;
  if (const std::optional<OutputFormat> format = GetOutputFormat(s.OUTformat))
    render.output_format = format->code;
  render.jpeg_quality = std::clamp(s.JPEGquality, 0, 100);
  render.encode = EncodeOptionsFrom(s);
  render.colour = s.OUTcolour == 1 ? ColourOutput::kKeep : ColourOutput::kSrgb;
  render.background = Background::FromStored(static_cast<std::uint32_t>(s.OUTbackground));
  // An unknown code keeps nothing: the safe side for a photographer's data.
  if (s.OUTmetadata == 1) render.metadata = MetadataMode::kKeep;
  if (s.OUTmetadata == 2) render.metadata = MetadataMode::kKeepButLocation;
  render.sharpen = SharpenLevelFromCode(s.OUTsharpen);
  render.text = {s.WMText,        s.WMTextFont,
                 s.WMTextSize,    static_cast<std::uint32_t>(s.WMTextColour) & 0xFFFFFF,
                 s.WMTextOpacity, IsWMArea(s.WMTextArea) ? s.WMTextArea : kDefaultTextArea};
  return render;
}

}  // namespace vr
