// Mixing: each picture pixel that meets an overlay pixel moves from its own
// colour toward the mode's result by the overlay's alpha times the opacity.
#pragma once

#include "imaging/image.h"

namespace vr {

// The rule of each mode, per colour channel, P the picture's value and O the
// overlay's (straight colour, before its alpha is applied):
enum class MixMode {
  Add,       // min(P + O, 255)
  And,       // P & O
  Or,        // P | O
  Xor,       // P ^ O
  Mask,      // P * O / 255, rounded: the overlay multiplies the picture (white keeps, black blacks out)
  SrcCopy,   // O
  DstCopy,   // P: the picture is left unchanged
  Sub,       // max(P - O, 0)
  SrcBlend,  // the overlay composited over the picture ("over", straight alpha)
};

// Offsets, rows counted from the bottom of each image: picture pixel (i, j)
// meets overlay pixel (i + x, j + y), so the overlay's lower-left corner lies
// at (-x, -y) from the picture's. Pixels meeting no overlay pixel stay
// unchanged; any int offsets are safe.
//
// With k = overlay alpha / 255 * opacity_percent / 100 (opacity clamped to
// 0..100), every channel becomes P + (R - P) * k, rounded once, R being the
// mode's result: a transparent overlay pixel or opacity 0 changes nothing, an
// opaque overlay pixel at opacity 100 gives R.
//
// Alpha: every mode keeps the picture's alpha except SrcCopy and SrcBlend,
// which give the "over" alpha Pa + k * (255 - Pa), so the overlay can fill
// transparent parts of the picture but never makes it more transparent.
// SrcBlend also weights the colours by their alphas (on an opaque picture it
// equals SrcCopy); SrcCopy mixes the colours without regard to the picture's
// alpha.
//
// An empty overlay or picture mixes as nothing.
void MixImages(Image& picture, const Image& overlay, MixMode mode, int x, int y, int opacity_percent);

}  // namespace vr
