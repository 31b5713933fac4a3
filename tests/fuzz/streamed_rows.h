// Shared by the decoders' fuzz targets: a decode that hands its rows to the
// shrink must succeed where the whole decode did and give the thumbnail a
// resample of the whole picture gives, pixel for pixel.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/status.h"
#include "imaging/image.h"
#include "imaging/ops/resample.h"
#include "imaging/ops/row_shrinker.h"
#include "imaging/row_sink.h"

namespace vr::fuzz {

// `decode_rows(sink)` streams the picture `whole` was decoded to.
template <class DecodeRows>
void CheckStreamedRows(const Image& whole, DecodeRows decode_rows) {
  if (whole.empty()) return;
  const int width = std::max(1, whole.width / 3);
  const int height = std::max(1, whole.height / 3);
  RowShrinker shrinker;
  Image streamed;
  if (!shrinker.Start(whole.width, whole.height, SourceBox{}, width, height, streamed)) __builtin_trap();
  const RowSink sink = [&](const std::uint8_t* row) {
    shrinker.Add(row);
    return !shrinker.done();
  };
  if (!decode_rows(sink) || !shrinker.done()) __builtin_trap();
  if (ResampleImage(whole, width, height).pixels != streamed.pixels) __builtin_trap();
}

}  // namespace vr::fuzz
