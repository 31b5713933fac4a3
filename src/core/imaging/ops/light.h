// Light: each colour channel v becomes clamp(round(f * (v - 128) + 128 + brightness)),
// f being the contrast factor below; alpha is kept.
#pragma once

#include "imaging/image.h"

namespace vr {

// brightness and contrast run from -255 to 255; values beyond are clamped.
//
// Contrast factor: f = 259 * (contrast + 255) / (255 * (259 - contrast)).
// It is exactly 1 at 0, rises steadily with the contrast, reaches 0 at -255
// (every channel becomes mid-grey 128, then shifted by the brightness) and
// about 129.5 at +255 (nearly a threshold at 128). Contrast scales around
// mid-grey first, then the brightness is added, then the result is clamped.
// (0, 0) leaves the picture exactly as it is.
void AdjustLight(Image& image, int brightness, int contrast);

}  // namespace vr
