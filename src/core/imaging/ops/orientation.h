// Turning a picture upright from the orientation a camera recorded.
#pragma once

#include "imaging/image.h"

namespace vr {

// Applies the EXIF orientation tag (1..8) so the picture shows upright:
// 2 mirror left-right, 3 turn 180 degrees, 4 mirror top-bottom, 5 transpose,
// 6 turn 90 degrees clockwise, 7 transverse, 8 turn 90 degrees counter-clockwise.
// 5..8 swap width and height. 1 and any other value leave the picture as it is.
void ApplyOrientation(Image& image, int orientation);

// The orientation that undoes `orientation`: the quarter turns swap (6 and
// 8), every other one undoes itself.
inline int InverseOrientation(int orientation) {
  if (orientation == 6) return 8;
  if (orientation == 8) return 6;
  return orientation;
}

}  // namespace vr
