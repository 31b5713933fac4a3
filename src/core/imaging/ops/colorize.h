// Colorize: each colour channel c moves away from (or toward) the pixel's
// Rec. 601 luma y, becoming clamp(y + (c - y) * (255 + saturation) / 255); alpha is kept.
#pragma once

#include "imaging/image.h"

namespace vr {

// Scale: saturation runs from -255 to 255 (values beyond are clamped), the
// range of the settings' slider. 0 leaves the picture exactly as it is, +255
// doubles every channel's distance from the grey of the same luma, -255 gives
// that grey (a grey-scale picture), -128 about halves the colour.
void Colorize(Image& image, int saturation);

}  // namespace vr
