// The resampler's rows, one at a time: source rows go in top to bottom as a
// decoder makes them, and each output row is made as soon as the last
// source row its window reads has arrived. Only that window of rows,
// already filtered across, is held, so a shrink from a decoder that hands
// rows over costs a few rows of the picture, not the whole of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/image.h"
#include "imaging/ops/resample_box.h"
#include "imaging/ops/resample_coefficients.h"

namespace vr {

// Lanczos3 resampler taking its source row by row (see resample.h for the
// filter, its fixed point and premultiplied colour): each row is filtered
// across into a ring of `taps` rows, and the vertical pass sums a window of
// them into an output row. The weights are kept while the sizes and box
// repeat; so are the buffers.
class RowShrinker {
 public:
  // Gets ready to make `dst` exactly width x height from the part `box` of
  // a src_width x src_height source (cut to it; an empty box is the whole
  // source). False, with `dst` empty, when the source is empty or the
  // target is not allowed (limits.h). `dst` must outlive the rows.
  bool Start(int src_width, int src_height, const SourceBox& box, int width, int height, Image& dst);

  // Source row `next_row()`: src_width pixels of 8-bit RGBA, straight alpha.
  // A row no output reads is passed over unfiltered.
  void Add(const std::uint8_t* row);

  // The row Add takes next.
  int next_row() const { return next_source_row_; }
  // True once every output row is made: later source rows are not needed.
  bool done() const { return next_output_row_ >= out_height_; }

  // Bytes the shrinker holds beside `dst`: weights, the ring of filtered
  // rows, the row being summed. They depend on the sizes alone.
  std::size_t HeldBytes() const;
  // The most HeldBytes can be for these sizes and box, before Start.
  static std::size_t BytesFor(int src_width, int src_height, const SourceBox& box, int width, int height);

 private:
  void FilterSourceRow(const std::uint8_t* row, std::int16_t* out);
  void MakeOutputRow(int y);

  Image* dst_ = nullptr;
  int src_width_ = 0;
  int out_height_ = 0;
  int next_source_row_ = 0;
  int next_output_row_ = 0;
  bool copy_across_ = false;  // the width and horizontal box stay: rows are only converted
  bool copy_down_ = false;    // the height and vertical box stay: a filtered row is an output row

  AxisCoefficients horizontal_;
  AxisCoefficients vertical_;
  std::vector<std::int16_t> horizontal_weights_;  // narrowed copies for the inner loops
  std::vector<std::int16_t> vertical_weights_;
  std::vector<std::int16_t> ring_;               // filtered rows the vertical pass reads
  std::vector<std::int16_t> premultiplied_row_;  // a source row with transparency, premultiplied
  std::vector<std::int32_t> accumulator_;        // one output row being summed
};

}  // namespace vr
