#include "imaging/ops/resample_box.h"

#include <algorithm>
#include <cmath>

namespace vr {
namespace {

// One axis of the shrunk picture: its pixels and the part that is picture.
struct Span {
  int pixels;
  double extent;
};

Span ShrunkSpan(int side, int denominator) {
  return {(side + denominator - 1) / denominator, static_cast<double>(side) / denominator};
}

// Which stored axis an upright axis comes from, and whether it runs backwards,
// for each orientation (ApplyOrientation's mappings).
struct UprightAxes {
  bool swapped;     // upright x comes from stored y
  bool x_reversed;  // upright x runs against its stored axis
  bool y_reversed;
};

UprightAxes AxesFor(int orientation) {
  switch (orientation) {
    case 2:
      return {false, true, false};
    case 3:
      return {false, true, true};
    case 4:
      return {false, false, true};
    case 5:
      return {true, false, false};
    case 6:
      return {true, true, false};
    case 7:
      return {true, true, true};
    case 8:
      return {true, false, true};
    default:
      return {false, false, false};
  }
}

}  // namespace

Sides WholeTargetOf(const SourceBox& window, int picture_width, int picture_height, int width, int height) {
  if (window.width <= 0 || window.height <= 0) return {width, height};
  return {static_cast<int>(std::ceil(width * (picture_width / window.width) - 1e-9)),
          static_cast<int>(std::ceil(height * (picture_height / window.height) - 1e-9))};
}

SourceBox WholeSourceBox(const Image& src) {
  return {0, 0, static_cast<double>(src.width), static_cast<double>(src.height)};
}

SourceBox ShrunkDecodeBox(int stored_width, int stored_height, int denominator, int orientation) {
  denominator = std::max(1, denominator);
  const UprightAxes axes = AxesFor(orientation);
  Span across = ShrunkSpan(stored_width, denominator);
  Span down = ShrunkSpan(stored_height, denominator);
  if (axes.swapped) std::swap(across, down);
  SourceBox box;
  box.width = across.extent;
  box.height = down.extent;
  if (axes.x_reversed) box.x = across.pixels - across.extent;
  if (axes.y_reversed) box.y = down.pixels - down.extent;
  return box;
}

SourceBox UprightBox(const SourceBox& stored, int stored_width, int stored_height, int orientation) {
  struct Axis {
    double start, extent;
    int pixels;
  };
  const UprightAxes axes = AxesFor(orientation);
  Axis across{stored.x, stored.width, stored_width};
  Axis down{stored.y, stored.height, stored_height};
  if (axes.swapped) std::swap(across, down);
  if (axes.x_reversed) across.start = across.pixels - across.start - across.extent;
  if (axes.y_reversed) down.start = down.pixels - down.start - down.extent;
  return {across.start, down.start, across.extent, down.extent};
}

}  // namespace vr
